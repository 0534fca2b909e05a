// C streams on files named in the wizard's path form.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

std::FILE* AbreFlujo(const Texto& ruta, const char* modo) {
  if (OperacionInyectable("flujo", ruta)) return nullptr;
  const std::string r = posix::RutaPosix(ruta);
  // A read-only file is not written, even by root, as on Windows.
  const bool escribe = std::strpbrk(modo, "wa+") != nullptr;
  struct stat st;
  if (escribe && ::stat(r.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    posix::FijaError(ERROR_ACCESO_DENEGADO);
    return nullptr;
  }
  // Not inherited by the programs the wizard starts.
  const std::string modoSinHerencia = std::string(modo) + "e";
  std::FILE* f = std::fopen(r.c_str(), modoSinHerencia.c_str());
  if (!f) posix::FijaErrorErrno(errno);
  return f;
}

}  // namespace plataforma
