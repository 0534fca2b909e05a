// A power cut, as the fault seam simulates it: the kernel keeps written data
// in memory until a flush, so a machine that loses power keeps only what was
// flushed. The model is the worst that an ext4 volume with delayed allocation
// allows without losing its own consistency: every name change reaches the
// disk (the file system's journal commits them on its own), but a file's
// bytes do only when they were flushed. Data belongs to the file (its inode,
// and the moment the inode was born), not to its name: a file renamed after
// a flush keeps what it had then.
//
// ZELVANO_CORTE_RAIZ names the folder whose files the cut damages; the
// snapshot of what is on the disk is taken there at the first operation (the
// installation at rest), after every flush of the volume, and per file after
// a durable replace.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>

#include "platform/posix/posix_comun.h"

namespace plataforma {
namespace posix {

namespace {

namespace fs = std::filesystem;

// A file's data lives in its inode; an inode number is reused once freed, so
// its birth time tells a new file from the old one.
struct Identidad {
  dev_t dispositivo = 0;
  ino_t inodo = 0;
  int64_t nacimiento = 0;
  bool operator<(const Identidad& o) const {
    return std::tie(dispositivo, inodo, nacimiento) < std::tie(o.dispositivo, o.inodo, o.nacimiento);
  }
};

bool Lee(const std::string& ruta, Identidad& id, uint64_t& tamano) {
  struct statx sx;
  if (::statx(AT_FDCWD, ruta.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
  if (!S_ISREG(sx.stx_mode)) return false;
  id.dispositivo = ::makedev(sx.stx_dev_major, sx.stx_dev_minor);
  id.inodo = sx.stx_ino;
  id.nacimiento = (sx.stx_mask & STATX_BTIME)
                      ? static_cast<int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec
                      : 0;
  tamano = sx.stx_size;
  return true;
}

struct Estado {
  bool leido = false;
  std::string raiz;                  // empty: the model is off
  std::map<Identidad, uint64_t> enDisco;  // what each file holds on the disk
};

Estado& Modelo() {
  static Estado e;
  if (!e.leido) {
    e.leido = true;
    if (!Entorno("ZELVANO_CORTE_EN").empty()) e.raiz = Entorno("ZELVANO_CORTE_RAIZ");
  }
  return e;
}

template <typename F>
void Recorre(const std::string& raiz, F&& f) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(raiz, fs::directory_options::skip_permission_denied, ec), fin;
       !ec && it != fin; it.increment(ec)) {
    if (it->is_symlink(ec)) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file(ec)) f(it->path().string());
  }
}

void Fotografia(Estado& e) {
  e.enDisco.clear();
  Recorre(e.raiz, [&](const std::string& ruta) {
    Identidad id;
    uint64_t tamano = 0;
    if (Lee(ruta, id, tamano)) e.enDisco[id] = tamano;
  });
}

}  // namespace

void CorteVolcado() {
  Estado& e = Modelo();
  if (!e.raiz.empty()) Fotografia(e);
}

void CorteDurable(const std::string& ruta) {
  Estado& e = Modelo();
  if (e.raiz.empty()) return;
  Identidad id;
  uint64_t tamano = 0;
  if (Lee(ruta, id, tamano)) e.enDisco[id] = tamano;
}

void CorteAplica() {
  Estado& e = Modelo();
  if (e.raiz.empty()) return;
  Recorre(e.raiz, [&](const std::string& ruta) {
    Identidad id;
    uint64_t tamano = 0;
    if (!Lee(ruta, id, tamano)) return;
    const auto it = e.enDisco.find(id);
    const uint64_t queda = it == e.enDisco.end() ? 0 : std::min(tamano, it->second);
    if (queda != tamano) ::truncate(ruta.c_str(), static_cast<off_t>(queda));
  });
  ::sync();
}

// The installation at rest before the first operation: all of it is on the
// disk.
void CorteInicio() {
  Estado& e = Modelo();
  if (!e.raiz.empty() && e.enDisco.empty()) Fotografia(e);
}

}  // namespace posix
}  // namespace plataforma
