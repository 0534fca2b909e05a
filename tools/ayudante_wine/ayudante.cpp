// Test helper for the wizard under Wine: a console program that finds the
// wizard's windows by caption or component name and acts on them as a user
// would. Windows are named by their caption or by their component name
// ("fV", "frmAviso", "frmDialogo", "frm_Final"); controls likewise
// ("BtnAceptar" or "Iniciar Actualización").
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "ordenes.h"
#include "ventanas.h"

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  const auto& ordenes = ayudante::Ordenes();
  if (argc >= 2) {
    const std::wstring nombre = argv[1];
    for (const auto& orden : ordenes) {
      if (nombre != orden.nombre) continue;
      const ayudante::Argumentos argumentos(argv + 2, argv + argc);
      if (argumentos.size() < orden.minimo || argumentos.size() > orden.maximo) {
        std::fprintf(stderr, "uso: ayudante_wine %s\n", orden.uso);
        return 2;
      }
      return orden.ejecuta(argumentos);
    }
  }
  std::fprintf(stderr, "uso: ayudante_wine <orden> ...; órdenes:\n");
  for (const auto& orden : ordenes) std::fprintf(stderr, "  %s\n", orden.uso);
  return 2;
}
