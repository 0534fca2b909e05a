// Which Wine the ctest probes run under: scripts/wine-nucleo.sh decides once
// for every Wine test. Where the kernel runs no 32-bit programs, the probes
// are built for x86_64 and run under the 64-bit Wine, and say so.
#pragma once

#include <cstdio>
#include <iostream>
#include <string>

namespace prueba {

struct NucleoWine {
  std::string bits = "32";
  std::string triple = "i686-w64-mingw32";  // cross compiler of the probes
  std::string ruta;                         // first in PATH: its "wine"
  std::string aviso;
};

inline NucleoWine LeeNucleoWine() {
  NucleoWine n;
  const std::string orden = "bash '" + std::string(ZELVANO_DIR_FUENTES) + "/scripts/wine-nucleo.sh'";
  FILE* f = ::popen(orden.c_str(), "r");
  if (!f) return n;
  std::string salida;
  char bloque[512];
  for (size_t leidos; (leidos = std::fread(bloque, 1, sizeof bloque, f)) > 0;) salida.append(bloque, leidos);
  ::pclose(f);
  for (size_t inicio = 0; inicio < salida.size();) {
    size_t fin = salida.find('\n', inicio);
    if (fin == std::string::npos) fin = salida.size();
    const std::string linea = salida.substr(inicio, fin - inicio);
    inicio = fin + 1;
    const size_t igual = linea.find('=');
    if (igual == std::string::npos) continue;
    const std::string clave = linea.substr(0, igual), valor = linea.substr(igual + 1);
    if (clave == "ZELVANO_WINE_BITS") n.bits = valor;
    if (clave == "ZELVANO_WINE_TRIPLE") n.triple = valor;
    if (clave == "ZELVANO_WINE_RUTA") n.ruta = valor;
    if (clave == "ZELVANO_WINE_AVISO") n.aviso = valor;
  }
  return n;
}

inline const NucleoWine& Wine() {
  static const NucleoWine n = LeeNucleoWine();
  return n;
}

// Put before a shell command that starts Wine.
inline std::string EntornoWine() {
  return Wine().ruta.empty() ? std::string() : "PATH='" + Wine().ruta + "':\"$PATH\" ";
}

// A prefix of one width only: Wine will not run a prefix of the other one.
inline std::string SufijoPrefijoWine() { return Wine().bits == "64" ? "-64" : ""; }

// The warning in the test's own output, once per test process.
inline void AvisaWine() {
  if (!Wine().aviso.empty()) std::cout << Wine().aviso << std::endl;
}

}  // namespace prueba
