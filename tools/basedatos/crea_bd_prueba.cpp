// crea_bd_prueba <ruta> <versión>: a product database of that version on the
// loopback Firebird server, for scripts and the demo.
#include <cstdio>
#include <exception>

#include "tools/basedatos/Fixture.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "uso: crea_bd_prueba <ruta> <versión>\n");
    return 2;
  }
  try {
    soporte_bd::CreaBaseDatos(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "crea_bd_prueba: %s\n", e.what());
    return 1;
  }
  return 0;
}
