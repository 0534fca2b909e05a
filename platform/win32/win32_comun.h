// Pieces shared by the modules of the win32 backend.
#pragma once

#include <windows.h>

#include "platform/texto.h"

namespace plataforma {
namespace win32 {

inline const wchar_t* W(const texto::Texto& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }
inline texto::Texto T(const wchar_t* s) { return texto::Texto(reinterpret_cast<const char16_t*>(s)); }
inline texto::Texto T(const wchar_t* s, size_t n) { return texto::Texto(reinterpret_cast<const char16_t*>(s), n); }

}  // namespace win32
}  // namespace plataforma
