// genera_instalacion: lays out a product installation for tests and the demo
// (see Generador.h for what it holds).
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/generador/Generador.h"

int main(int argc, char** argv) {
  const std::vector<std::string> argumentos(argv + 1, argv + argc);
  if (argumentos.empty() || argumentos[0] == "--ayuda") {
    std::fputs(generador::kUso, argumentos.empty() ? stderr : stdout);
    return argumentos.empty() ? 2 : 0;
  }
  try {
    generador::GeneraInstalacion(generador::LeeArgumentos(argumentos));
  } catch (const generador::Error& e) {
    std::fprintf(stderr, "genera_instalacion: %s\n%s", e.what(), generador::kUso);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genera_instalacion: %s\n", e.what());
    return 1;
  }
  return 0;
}
