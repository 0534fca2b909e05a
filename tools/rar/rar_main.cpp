// Extraction tool placed beside the update wizard as "rar.exe". It accepts
// exactly the wizard's command line:
//
//   rar x <archive> -o+ <destination folder>
//
// and extracts every entry below the destination, creating folders and
// replacing existing files. Either separator is accepted in both paths.
//
// Exit status:
//   0  everything extracted
//   1  command line not understood (nothing done)
//   2  archive missing, unreadable or not a RAR 4 archive
//   3  archive damaged: header or file CRC mismatch, truncated or bad data
//   4  an entry would land outside the destination (nothing written)
//   5  a file or folder could not be created or written
//   6  the archive uses a feature this tool does not implement
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/rar/error.h"
#include "tools/rar/lector.h"
#include "staging/rar/nombres.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;
using zelvano::rar::ErrorRar;
using zelvano::rar::TipoError;

namespace {

int codigo_salida(TipoError t) {
  switch (t) {
    case TipoError::kAbrir: return 2;
    case TipoError::kDanado: return 3;
    case TipoError::kInseguro: return 4;
    case TipoError::kEscritura: return 5;
    case TipoError::kNoSoportado: return 6;
  }
  return 3;
}

// Paths may come with either separator; Linux only understands '/'.
fs::path ruta_local(const std::string& ruta) {
#ifdef _WIN32
  return fs::u8path(ruta);
#else
  return fs::u8path(zelvano::rar::a_barras(ruta));
#endif
}

int uso() {
  std::fputs("uso: rar x <archivo.rar> -o+ <carpeta de destino>\n", stderr);
  return 1;
}

int ejecuta(const std::vector<std::string>& args) {
  if (args.size() != 5 || args[1] != "x" || args[3] != "-o+" || args[2].empty() || args[4].empty())
    return uso();
  fs::path archivo = ruta_local(args[2]);
  fs::path destino = ruta_local(args[4]);
  try {
    zelvano::rar::LectorRar lector(archivo);
    std::printf("Extrayendo de %s\n", args[2].c_str());
    lector.extrae(destino, [](const zelvano::rar::Entrada& e) {
      std::printf("  %s\n", e.nombre.c_str());
    });
    std::printf("Todo correcto\n");
    return 0;
  } catch (const ErrorRar& e) {
    std::fprintf(stderr, "rar: %s\n", e.what());
    return codigo_salida(e.tipo());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "rar: %s\n", e.what());
    return 5;
  }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, s.data(), n, nullptr, nullptr);
    args.push_back(s);
  }
  return ejecuta(args);
}
#else
int main(int argc, char** argv) { return ejecuta(std::vector<std::string>(argv, argv + argc)); }
#endif
