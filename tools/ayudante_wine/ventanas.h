// Finding the wizard's windows and controls from another process. A window
// is named either by its caption (window text) or by its component name,
// which the wizard keeps as a global atom in the window property
// "ZelvanoNombre".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ayudante {

std::string Utf8(const std::wstring& w);

// The component name of a window ("" when it carries none).
std::wstring NombreComponente(HWND h);
// Caption as stored by the window manager (no message is sent).
std::wstring Titulo(HWND h);
std::wstring Clase(HWND h);
// The control's text asked from its owner thread (edits, memos, rich text);
// empty when the owner does not answer within `ms`.
bool TextoControl(HWND h, std::wstring& texto, UINT ms = 5000);

// Visible top-level windows whose caption or component name is `nombre`.
std::vector<HWND> VentanasPrincipales(const std::wstring& nombre);
// The first descendant of `raiz` whose caption or component name is `nombre`.
HWND Control(HWND raiz, const std::wstring& nombre);

// Milliseconds left until a deadline; polling helpers.
class Plazo {
 public:
  explicit Plazo(double segundos);
  bool Vencido() const;

 private:
  ULONGLONG fin_;
};
void Pausa();

}  // namespace ayudante
