// Probe of the platform layer: runs the operations listed in a file (one a
// line, fields separated by tabs, UTF-8) and prints one result line each.
// Built for Windows and run under Wine, it shows what the real API answers
// for the same inputs the posix backend is tested with.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/plataforma.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using texto::Texto;

std::vector<Texto> Campos(const std::string& linea) {
  std::vector<Texto> c;
  std::string actual;
  for (char ch : linea) {
    if (ch == '\t') {
      c.push_back(texto::DeUtf8(actual));
      actual.clear();
    } else if (ch != '\r') {
      actual += ch;
    }
  }
  c.push_back(texto::DeUtf8(actual));
  return c;
}

std::string Escapa(const Texto& t) {
  std::string r;
  for (char c : texto::AUtf8(t)) {
    if (c == '\n') r += "\\n";
    else if (c == '\r') r += "\\r";
    else if (c == '\t') r += "\\t";
    else r += c;
  }
  return r;
}

std::string Ejecuta(const std::vector<Texto>& c) {
  using namespace plataforma;
  const std::string orden = texto::AUtf8(c[0]);
  if (orden == "lee" && c.size() == 6) {
    return "[" + Escapa(LeePerfil(c[1], c[2], c[3], c[4], std::stoul(texto::AUtf8(c[5])))) + "]";
  }
  if (orden == "escribe" && c.size() == 5) return EscribePerfil(c[1], c[2], c[3], c[4]) ? "ok" : "fallo";
  if (orden == "version" && c.size() == 3) {
    std::vector<uint8_t> bloque;
    if (!LeeInfoVersion(c[1], bloque)) return "sin";
    const uint8_t* v;
    uint32_t n;
    if (!ConsultaVersion(bloque, c[2], v, n)) return "no";
    Texto t;
    for (uint32_t i = 0; i < n; ++i) {
      char16_t ch = static_cast<char16_t>(v[2 * i] | (v[2 * i + 1] << 8));
      if (ch == 0) break;
      t += ch;
    }
    return "[" + Escapa(t) + "]";
  }
  return "?";
}

}  // namespace

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
    std::string r = Ejecuta(Campos(linea)) + "\n";
    std::fwrite(r.data(), 1, r.size(), stdout);
    linea.clear();
  }
  std::fclose(f);
  return 0;
}
