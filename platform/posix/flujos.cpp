// C streams on files named in the wizard's path form.
#include <cstdio>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

std::FILE* AbreFlujo(const Texto& ruta, const char* modo) {
  return std::fopen(posix::RutaPosix(ruta).c_str(), modo);
}

}  // namespace plataforma
