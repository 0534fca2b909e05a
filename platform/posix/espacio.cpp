// Free space of a volume on posix: what statvfs grants an unprivileged user
// (the blocks kept for root are not free for the wizard's files).
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <string>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

bool EspacioLibre(const Texto& carpeta, uint64_t& libres) {
  struct statvfs v;
  int r;
  do {
    r = ::statvfs(posix::RutaPosix(carpeta).c_str(), &v);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  libres = static_cast<uint64_t>(v.f_bavail) * static_cast<uint64_t>(v.f_frsize);
  posix::FijaError(0);
  return true;
}

bool DatosVolumen(const Texto& carpeta, uint64_t& unidad, Texto& volumen) {
  const std::string ruta = posix::RutaPosix(carpeta);
  struct statvfs v;
  struct stat st;
  int r;
  do {
    r = ::statvfs(ruta.c_str(), &v);
  } while (r != 0 && errno == EINTR);
  if (r != 0 || ::stat(ruta.c_str(), &st) != 0) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  // The fundamental block: what a file's last bytes take whole.
  unidad = v.f_frsize ? v.f_frsize : v.f_bsize;
  if (unidad == 0) unidad = 1;
  volumen = texto::DeUtf8("dispositivo " + std::to_string(static_cast<unsigned long long>(st.st_dev)));
  posix::FijaError(0);
  return true;
}

}  // namespace plataforma
