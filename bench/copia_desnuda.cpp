// The yardstick of the Windows folder copy: the same walk with nothing but
// the file system calls (FindFirstFileW / FindNextFileW, CreateDirectoryW,
// CopyFileW), no window, no log.
//
//   copia_desnuda ORIGEN DESTINO
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

unsigned long long g_ficheros = 0;

void Copia(const std::wstring& origen, const std::wstring& destino) {
  CreateDirectoryW(destino.c_str(), nullptr);
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((origen + L"\\*.*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring nombre = d.cFileName;
    if (nombre == L"." || nombre == L"..") continue;
    const std::wstring desde = origen + L"\\" + nombre, hacia = destino + L"\\" + nombre;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Copia(desde, hacia);
    } else if (CopyFileW(desde.c_str(), hacia.c_str(), FALSE)) {
      ++g_ficheros;
    }
  } while (FindNextFileW(h, &d));
  FindClose(h);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "uso: copia_desnuda ORIGEN DESTINO\n");
    return 2;
  }
  Copia(argv[1], argv[2]);
  std::printf("%llu ficheros\n", g_ficheros);
  return 0;
}
