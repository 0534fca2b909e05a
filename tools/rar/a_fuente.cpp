// Turns a file into a C++ source defining it as a byte array:
//
//   a_fuente <input> <output.cpp> <array name>
//
// defines `const unsigned char <name>[]` and `const size_t <name>_tam`.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("uso: a_fuente <entrada> <salida.cpp> <nombre>\n", stderr);
    return 1;
  }
  std::ifstream entrada(argv[1], std::ios::binary);
  if (!entrada) {
    std::fprintf(stderr, "a_fuente: no se puede leer %s\n", argv[1]);
    return 2;
  }
  std::vector<unsigned char> datos((std::istreambuf_iterator<char>(entrada)), std::istreambuf_iterator<char>());
  std::string nombre = argv[3];
  std::string s = "// Generated from " + std::string(argv[1]) + "\n#include <cstddef>\n\n";
  s += "extern const unsigned char " + nombre + "[];\nextern const size_t " + nombre + "_tam;\n";
  s += "alignas(16) const unsigned char " + nombre + "[] = {\n";
  char num[8];
  for (size_t i = 0; i < datos.size(); ++i) {
    std::snprintf(num, sizeof num, "%u,", datos[i]);
    s += num;
    if (i % 24 == 23) s += '\n';
  }
  if (datos.empty()) s += "0";
  s += "\n};\nconst size_t " + nombre + "_tam = " + std::to_string(datos.size()) + ";\n";
  std::ofstream salida(argv[2], std::ios::binary | std::ios::trunc);
  salida << s;
  if (!salida) {
    std::fprintf(stderr, "a_fuente: no se puede escribir %s\n", argv[2]);
    return 3;
  }
  return 0;
}
