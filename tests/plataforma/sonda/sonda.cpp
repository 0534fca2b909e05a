// Probe of the platform layer: runs the operations listed in a file and
// prints one answer line each (see Interprete.h). Built for Windows and run
// under Wine, it shows what the real API answers for the inputs the posix
// backend is tested with.
#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/plataforma/sonda/Interprete.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (argc != 2) return 2;
  std::FILE* f = std::fopen(argv[1], "rb");
  if (!f) return 3;
  std::string linea;
  int ch;
  while ((ch = std::fgetc(f)) != EOF) {
    if (ch != '\n') {
      linea += static_cast<char>(ch);
      continue;
    }
    const std::string r = sonda::Ejecuta(sonda::Campos(linea)) + "\n";
    std::fwrite(r.data(), 1, r.size(), stdout);
    linea.clear();
  }
  std::fclose(f);
  return 0;
}
