// Free space of a volume on posix: what statvfs grants an unprivileged user
// (the blocks kept for root are not free for the wizard's files).
#include <sys/statvfs.h>

#include <cerrno>

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

}  // namespace plataforma
