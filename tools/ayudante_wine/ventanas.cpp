#include "ventanas.h"

namespace ayudante {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string r(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), r.data(), n, nullptr, nullptr);
  return r;
}

std::wstring NombreComponente(HWND h) {
  const auto atomo = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(h, L"ZelvanoNombre")));
  if (atomo == 0) return {};
  wchar_t nombre[256] = {};
  const UINT n = GlobalGetAtomNameW(atomo, nombre, 256);
  return std::wstring(nombre, n);
}

std::wstring Titulo(HWND h) {
  std::wstring t(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  t.resize(static_cast<size_t>(GetWindowTextW(h, t.data(), static_cast<int>(t.size()))));
  return t;
}

std::wstring Clase(HWND h) {
  wchar_t clase[256] = {};
  const int n = GetClassNameW(h, clase, 256);
  return std::wstring(clase, static_cast<size_t>(n > 0 ? n : 0));
}

bool TextoControl(HWND h, std::wstring& texto, UINT ms) {
  DWORD_PTR largo = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ms, &largo)) return false;
  std::wstring t(static_cast<size_t>(largo) + 1, L'\0');
  DWORD_PTR copiados = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, t.size(), reinterpret_cast<LPARAM>(t.data()), SMTO_ABORTIFHUNG, ms,
                           &copiados))
    return false;
  t.resize(static_cast<size_t>(copiados));
  texto = t;
  return true;
}

namespace {

bool Coincide(HWND h, const std::wstring& nombre) { return Titulo(h) == nombre || NombreComponente(h) == nombre; }

struct Busqueda {
  const std::wstring* nombre;
  std::vector<HWND> halladas;
};

BOOL CALLBACK Principal(HWND h, LPARAM lp) {
  auto* b = reinterpret_cast<Busqueda*>(lp);
  if (IsWindowVisible(h) && Coincide(h, *b->nombre)) b->halladas.push_back(h);
  return TRUE;
}

BOOL CALLBACK Hija(HWND h, LPARAM lp) {
  auto* b = reinterpret_cast<Busqueda*>(lp);
  if (Coincide(h, *b->nombre)) {
    b->halladas.push_back(h);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> VentanasPrincipales(const std::wstring& nombre) {
  Busqueda b{&nombre, {}};
  EnumWindows(Principal, reinterpret_cast<LPARAM>(&b));
  return b.halladas;
}

HWND Control(HWND raiz, const std::wstring& nombre) {
  Busqueda b{&nombre, {}};
  EnumChildWindows(raiz, Hija, reinterpret_cast<LPARAM>(&b));
  return b.halladas.empty() ? nullptr : b.halladas.front();
}

Plazo::Plazo(double segundos) : fin_(GetTickCount64() + static_cast<ULONGLONG>(segundos * 1000.0)) {}
bool Plazo::Vencido() const { return GetTickCount64() >= fin_; }
void Pausa() { Sleep(50); }

}  // namespace ayudante
