#include "tools/rar/atributos.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zelvano::rar {

#ifdef _WIN32
void aplica_atributos(const std::filesystem::path& ruta, uint32_t atributos, bool carpeta) {
  DWORD a = atributos & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_ARCHIVE);
  if (carpeta) a |= FILE_ATTRIBUTE_DIRECTORY;
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  SetFileAttributesW(ruta.c_str(), a);
}

void quita_solo_lectura(const std::filesystem::path& ruta) {
  DWORD a = GetFileAttributesW(ruta.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(ruta.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}
#else
void aplica_atributos(const std::filesystem::path&, uint32_t, bool) {}
void quita_solo_lectura(const std::filesystem::path&) {}
#endif

}  // namespace zelvano::rar
