// Shared by the fuzz targets: the readers under test take a path, so each
// input is written to one scratch file per process (in ZELVANO_FUZZ_TEMPORAL,
// else in memory when /dev/shm is there) and read back by the real reader.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/texto.h"

namespace fuzz {

inline std::string CarpetaTemporal() {
  const char* propia = std::getenv("ZELVANO_FUZZ_TEMPORAL");
  if (propia && *propia) return propia;
  if (access("/dev/shm", W_OK) == 0) return "/dev/shm";
  const char* t = std::getenv("TMPDIR");
  return t && *t ? t : "/tmp";
}

// The scratch file's path, named after the process so that parallel jobs
// do not share it.
inline const std::string& RutaEntrada(const char* nombre) {
  static const std::string ruta = CarpetaTemporal() + "/zelvano_fuzz_" + nombre + "_" + std::to_string(getpid());
  return ruta;
}

inline texto::Texto EscribeEntrada(const char* nombre, const uint8_t* datos, size_t n) {
  const std::string& ruta = RutaEntrada(nombre);
  FILE* f = std::fopen(ruta.c_str(), "wb");
  if (!f) std::abort();
  if (n && std::fwrite(datos, 1, n, f) != n) std::abort();
  std::fclose(f);
  return texto::DeUtf8(ruta);
}

// A check of the target's own: a broken promise is a finding like a crash.
#define FUZZ_COMPRUEBA(cond)                                                   \
  do {                                                                         \
    if (!(cond)) {                                                             \
      std::fprintf(stderr, "Comprobación fallida: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                            \
    }                                                                          \
  } while (0)

}  // namespace fuzz
