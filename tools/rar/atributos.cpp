#include "tools/rar/atributos.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
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

void aplica_fecha(const std::filesystem::path& ruta, uint32_t fecha_dos) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(static_cast<WORD>(fecha_dos >> 16), static_cast<WORD>(fecha_dos & 0xFFFF), &local) ||
      !LocalFileTimeToFileTime(&local, &utc))
    return;
  // Folders need backup semantics to be opened at all.
  HANDLE h = CreateFileW(ruta.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}

void quita_solo_lectura(const std::filesystem::path& ruta) {
  DWORD a = GetFileAttributesW(ruta.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(ruta.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}
#else
void aplica_atributos(const std::filesystem::path&, uint32_t, bool) {}

void aplica_fecha(const std::filesystem::path& ruta, uint32_t fecha_dos) {
  std::tm t{};
  t.tm_sec = static_cast<int>((fecha_dos & 0x1F) * 2);
  t.tm_min = static_cast<int>((fecha_dos >> 5) & 0x3F);
  t.tm_hour = static_cast<int>((fecha_dos >> 11) & 0x1F);
  t.tm_mday = static_cast<int>((fecha_dos >> 16) & 0x1F);
  t.tm_mon = static_cast<int>((fecha_dos >> 21) & 0x0F) - 1;
  t.tm_year = static_cast<int>((fecha_dos >> 25) & 0x7F) + 80;
  t.tm_isdst = -1;
  std::time_t segundos = std::mktime(&t);
  if (segundos == static_cast<std::time_t>(-1)) return;
  struct timespec tiempos[2];
  tiempos[0].tv_sec = 0;
  tiempos[0].tv_nsec = UTIME_OMIT;  // access time untouched
  tiempos[1].tv_sec = segundos;
  tiempos[1].tv_nsec = 0;
  utimensat(AT_FDCWD, ruta.c_str(), tiempos, 0);
}
void quita_solo_lectura(const std::filesystem::path&) {}
#endif

}  // namespace zelvano::rar
