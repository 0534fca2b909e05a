// Pieces shared by the modules of the win32 backend.
#pragma once

#include <windows.h>

#include "platform/texto.h"
#include "platform/win32/rutas_largas.h"

namespace plataforma {
namespace win32 {

inline const wchar_t* W(const texto::Texto& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }
inline texto::Texto T(const wchar_t* s) { return texto::Texto(reinterpret_cast<const char16_t*>(s)); }
inline texto::Texto T(const wchar_t* s, size_t n) { return texto::Texto(reinterpret_cast<const char16_t*>(s), n); }

// A path as the file functions take it (platform/win32/rutas_largas.h);
// the text lives as long as the object, a call's temporary in most uses.
class RutaW {
 public:
  explicit RutaW(const texto::Texto& ruta) : ruta_(RutaExtendida(ruta)) {}
  operator const wchar_t*() const { return W(ruta_); }

 private:
  texto::Texto ruta_;
};
inline RutaW R(const texto::Texto& ruta) { return RutaW(ruta); }

// A fixed pause as the build waits it: as asked in the shipped executable,
// shortened on request in the test build (platform/win32/inyeccion*.cpp).
uint32_t PausaDePrueba(uint32_t milisegundos);

// Waits for a worker thread while the window keeps its beat, then closes it.
void EsperaConLatido(HANDLE hilo);

// A file this process wrote: flushed at the next VuelcaVolumen when the
// volume itself cannot be.
void AnotaEscrito(const texto::Texto& ruta);

}  // namespace win32
}  // namespace plataforma
