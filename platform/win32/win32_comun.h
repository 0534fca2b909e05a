// Pieces shared by the modules of the win32 backend.
#pragma once

#include <windows.h>

#include "platform/texto.h"

namespace plataforma {
namespace win32 {

inline const wchar_t* W(const texto::Texto& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }
inline texto::Texto T(const wchar_t* s) { return texto::Texto(reinterpret_cast<const char16_t*>(s)); }
inline texto::Texto T(const wchar_t* s, size_t n) { return texto::Texto(reinterpret_cast<const char16_t*>(s), n); }

// A fixed pause as the build waits it: as asked in the shipped executable,
// shortened on request in the test build (platform/win32/inyeccion*.cpp).
uint32_t PausaDePrueba(uint32_t milisegundos);

// A file this process wrote: flushed at the next VuelcaVolumen when the
// volume itself cannot be.
void AnotaEscrito(const texto::Texto& ruta);

}  // namespace win32
}  // namespace plataforma
