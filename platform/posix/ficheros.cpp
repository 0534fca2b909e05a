// Files and folders on posix, with the Windows rules the wizard relies on
// (the listing of a folder is in busqueda.cpp):
// read-only files refuse deletion and replacement even for root, a file that
// another process locks or runs cannot be deleted or overwritten, and the
// hidden and system attributes live in an extended attribute of the file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/plataforma.h"
#include "platform/posix/ficheros_comun.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

using posix::FijaError;
using posix::FijaErrorErrno;
using posix::RutaPosix;

// Hidden and system bits, as a decimal number. Files on file systems without
// user extended attributes simply have neither.
constexpr const char* kXattrAtributos = "user.zelvano.atributos";

namespace posix {

uint32_t AtributosExtra(const std::string& ruta) {
  char buf[16];
  ssize_t n = ::lgetxattr(ruta.c_str(), kXattrAtributos, buf, sizeof buf - 1);
  if (n <= 0) return 0;
  buf[n] = 0;
  return static_cast<uint32_t>(std::strtoul(buf, nullptr, 10)) & kAtributosExtra;
}

uint32_t AtributosDe(const std::string& ruta, const struct stat& st) {
  uint32_t a = 0;
  if (S_ISLNK(st.st_mode)) {
    struct stat destino;
    a |= ATR_PUNTO_REPARSE;
    a |= (::stat(ruta.c_str(), &destino) == 0 && S_ISDIR(destino.st_mode)) ? ATR_DIRECTORIO : ATR_ARCHIVO;
    return a;
  }
  if (S_ISDIR(st.st_mode)) a |= ATR_DIRECTORIO;
  else a |= ATR_ARCHIVO;
  if ((st.st_mode & S_IWUSR) == 0) a |= ATR_SOLO_LECTURA;
  a |= AtributosExtra(ruta);
  return a;
}

bool EscribeTodo(int fd, const char* datos, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, datos, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    datos += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace posix

using posix::AtributosDe;
using posix::AtributosExtra;
using posix::AtributosExtraConocidos;
using posix::EscribeTodo;
using posix::kAtributosExtra;

namespace {

bool PonAtributosExtra(const std::string& ruta, uint32_t extra) {
  if (extra == 0) {
    if (::removexattr(ruta.c_str(), kXattrAtributos) != 0 && errno != ENODATA && errno != ENOTSUP) return false;
    return true;
  }
  std::string v = std::to_string(extra);
  if (::setxattr(ruta.c_str(), kXattrAtributos, v.data(), v.size(), 0) != 0) return errno == ENOTSUP;
  return true;
}

// ENOENT is "file not found" when the folder is there, and "path not
// found" when a folder on the way is missing, as Windows tells them apart.
void FijaErrorRuta(int valor, const std::string& ruta) {
  if (valor == ENOENT) {
    size_t barra = ruta.find_last_of('/', ruta.size() > 1 ? ruta.size() - 2 : 0);
    struct stat st;
    const std::string carpeta = barra == std::string::npos ? "." : barra == 0 ? "/" : ruta.substr(0, barra);
    if (::stat(carpeta.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      FijaError(ERROR_RUTA_NO_ENCONTRADA);
      return;
    }
  }
  FijaErrorErrno(valor);
}

bool EsSoloLectura(const struct stat& st) { return !S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0; }

int AbreSinHerencia(const std::string& ruta, int flags, mode_t modo = 0) {
  int fd;
  do {
    fd = ::open(ruta.c_str(), flags | O_CLOEXEC, modo);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

constexpr size_t kBufferCopia = size_t{1} << 16;
// The piece of a large file copied between two beats of the window.
constexpr uint64_t kPiezaConLatido = uint64_t{64} << 20;

// The name beside a destination that a copy writes first. A name already
// near the system's limit of 255 bytes takes a short one instead, or no file
// with such a name could ever be copied.
std::string NombreTemporal(const std::string& destino) {
  const size_t barra = destino.rfind('/');
  const size_t inicio = barra == std::string::npos ? 0 : barra + 1;
  if (destino.size() - inicio + 9 <= 255) return destino + ".~zelvano";
  return destino.substr(0, inicio) + ".~zelvano-" + std::to_string(::getpid());
}

// Opens for writing a file that may exist, with the Windows refusals: a
// read-only file is never written, and a hidden or system file is not
// replaced (CopyFileW, and CreateFileW with CREATE_ALWAYS, refuse it).
// With `abre` false it only checks the refusals: 0 when the file could be
// written, -1 (and the error) otherwise.
// `existe` and `st`: what a stat of the file just found.
int AbreParaEscribir(const std::string& ruta, int flags, bool abre, bool existe, const struct stat& st) {
  if (existe) {
    const bool reemplaza = (flags & O_TRUNC) != 0;
    if (S_ISDIR(st.st_mode) || EsSoloLectura(st) || (reemplaza && (AtributosExtra(ruta) & kAtributosExtra))) {
      FijaError(ERROR_ACCESO_DENEGADO);
      return -1;
    }
    if ((flags & O_TRUNC) && posix::FicheroEnUso(ruta)) {
      FijaError(ERROR_COMPARTIR);
      return -1;
    }
  }
  if (!abre) return 0;
  int fd = AbreSinHerencia(ruta, O_WRONLY | O_CREAT | flags, 0666);
  if (fd < 0) FijaErrorRuta(errno, ruta);
  return fd;
}

int AbreParaEscribir(const std::string& ruta, int flags, bool abre = true) {
  struct stat st;
  const bool existe = ::stat(ruta.c_str(), &st) == 0;
  return AbreParaEscribir(ruta, flags, abre, existe, st);
}

// The whole content of `in` into `out`: in the kernel when the file systems
// allow it, else through one buffer of the thread, made once. `tamano` is the
// source's size when it was opened: the kernel copy stops there without
// asking once more. Sets errno.
//
// A large file is copied in pieces with a beat between them, so the window
// keeps answering; a file smaller than one piece goes in one call as before.
bool CopiaContenido(int in, int out, uint64_t tamano) {
  bool nucleo = true;
  uint64_t copiado = 0;
  Latidos latidos;
  const uint64_t pieza = Latidos::Hay() ? kPiezaConLatido : uint64_t{1} << 30;
  uint64_t sinLatido = 0;
  for (;;) {
    if (nucleo) {
      if (copiado >= tamano) return true;
      if (copiado > 0 && pieza == kPiezaConLatido) latidos.Late();
      const size_t pide = static_cast<size_t>(std::min<uint64_t>(tamano - copiado, pieza));
      const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, pide, 0);
      if (n > 0) {
        copiado += static_cast<uint64_t>(n);
        continue;
      }
      if (n == 0) return true;
      if (errno == EINTR) continue;
      // Not between these file systems (or not on this kernel): the offsets
      // have not moved, the plain copy goes on from where it is.
      if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return false;
      nucleo = false;
    }
    static thread_local std::unique_ptr<char[]> buf(new char[kBufferCopia]);
    const ssize_t r = ::read(in, buf.get(), kBufferCopia);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) return true;
    if (!EscribeTodo(out, buf.get(), static_cast<size_t>(r))) return false;
    sinLatido += static_cast<uint64_t>(r);
    if (sinLatido >= kPiezaConLatido / 4) {
      sinLatido = 0;
      latidos.Late();
    }
  }
}

}  // namespace

// ---- Single files ----------------------------------------------------------

bool CopiaFichero(const Texto& origen, const Texto& destino, bool fallaSiExiste) {
  if (OperacionInyectable("copia", destino)) return false;
  const std::string ro = RutaPosix(origen), rd = RutaPosix(destino);
  int in = AbreSinHerencia(ro, O_RDONLY);
  if (in < 0) {
    FijaErrorRuta(errno, ro);
    return false;
  }
  struct stat so;
  if (::fstat(in, &so) != 0 || S_ISDIR(so.st_mode)) {
    ::close(in);
    FijaError(ERROR_ACCESO_DENEGADO);
    return false;
  }
  // A destination that does not exist yet has no old content to keep: it is
  // written in place, made with O_EXCL (so nothing that appears meanwhile, a
  // link least of all, is written through) and removed again if the copy
  // fails. Creating it is also how it is found missing, without a look first.
  const mode_t modo = so.st_mode & 07777;
  int out = AbreSinHerencia(rd, O_WRONLY | O_CREAT | O_EXCL, modo);
  const bool enSuSitio = out >= 0;
  std::string temporal;
  if (!enSuSitio) {
    struct stat sd;
    if (::stat(rd.c_str(), &sd) == 0) {
      if (fallaSiExiste) {
        ::close(in);
        FijaError(ERROR_FICHERO_EXISTE);
        return false;
      }
      // Copying a file onto itself would truncate the only copy of the data.
      if (sd.st_dev == so.st_dev && sd.st_ino == so.st_ino) {
        ::close(in);
        FijaError(ERROR_COMPARTIR);
        return false;
      }
      // The refusals of a real replace are checked on the destination first.
      if (AbreParaEscribir(rd, O_TRUNC, false, true, sd) < 0) {
        ::close(in);
        return false;
      }
    }
    // The old content stays until the new one is complete: the bytes go to a
    // name beside it that then replaces it in one step. That name is made
    // here (O_EXCL, one left by an interrupted copy goes first), so it
    // already has the source's permissions unless the umask took some away,
    // and no extended attribute.
    temporal = NombreTemporal(rd);
    out = AbreSinHerencia(temporal, O_WRONLY | O_CREAT | O_EXCL, modo);
    if (out < 0 && errno == EEXIST && ::unlink(temporal.c_str()) == 0)
      out = AbreSinHerencia(temporal, O_WRONLY | O_CREAT | O_EXCL, modo);
  }
  if (out < 0) {
    FijaErrorRuta(errno, rd);
    ::close(in);
    return false;
  }
  bool bien = CopiaContenido(in, out, static_cast<uint64_t>(so.st_size));
  int fallo = bien ? 0 : errno;
  if (bien) {
    // Like CopyFileW: the copy keeps the time stamp and the attributes.
    struct timespec tiempos[2] = {so.st_atim, so.st_mtim};
    ::futimens(out, tiempos);
    if ((modo & posix::Umask()) != 0) ::fchmod(out, modo);
  }
  ::close(in);
  if (::close(out) != 0 && bien) {
    bien = false;
    fallo = errno;
  }
  if (bien && !enSuSitio && ::rename(temporal.c_str(), rd.c_str()) != 0) {
    bien = false;
    fallo = errno;
  }
  if (!bien) {
    // What was there before is untouched; a file this copy created goes.
    ::unlink(enSuSitio ? rd.c_str() : temporal.c_str());
    FijaErrorErrno(fallo);
    return false;
  }
  // The hidden and system bits as the listing read them, when it did.
  if (const uint32_t extra = AtributosExtraConocidos(ro, so)) PonAtributosExtra(rd, extra);
  FijaError(0);
  return true;
}

bool BorraFichero(const Texto& ruta) {
  if (OperacionInyectable("borra", ruta)) return false;
  const std::string r = RutaPosix(ruta);
  struct stat st;
  if (::lstat(r.c_str(), &st) != 0) {
    FijaErrorRuta(errno, r);
    return false;
  }
  if (S_ISDIR(st.st_mode) || EsSoloLectura(st)) {
    FijaError(ERROR_ACCESO_DENEGADO);
    return false;
  }
  if (!S_ISLNK(st.st_mode) && posix::FicheroEnUso(r)) {
    FijaError(ERROR_COMPARTIR);
    return false;
  }
  if (::unlink(r.c_str()) != 0) {
    FijaErrorRuta(errno, r);
    return false;
  }
  FijaError(0);
  return true;
}

bool CreaDirectorio(const Texto& ruta) {
  if (OperacionInyectable("crea_carpeta", ruta)) return false;
  const std::string r = RutaPosix(ruta);
  if (::mkdir(r.c_str(), 0777) != 0) {
    FijaError(errno == ENOENT ? ERROR_RUTA_NO_ENCONTRADA : posix::ErrorDeErrno(errno));
    return false;
  }
  FijaError(0);
  return true;
}

bool EliminaDirectorio(const Texto& ruta) {
  if (OperacionInyectable("elimina_carpeta", ruta)) return false;
  std::string r = RutaPosix(ruta);
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  struct stat st;
  if (::lstat(r.c_str(), &st) != 0) {
    FijaErrorRuta(errno, r);
    return false;
  }
  if (S_ISLNK(st.st_mode)) {
    // A link to a folder goes; what it points to stays untouched.
    struct stat destino;
    if (::stat(r.c_str(), &destino) != 0 || !S_ISDIR(destino.st_mode)) {
      FijaError(ERROR_NO_ES_DIRECTORIO);
      return false;
    }
    if (::unlink(r.c_str()) != 0) {
      FijaErrorErrno(errno);
      return false;
    }
    FijaError(0);
    return true;
  }
  if (!S_ISDIR(st.st_mode)) {
    FijaError(ERROR_NO_ES_DIRECTORIO);
    return false;
  }
  if (EsSoloLectura(st)) {
    FijaError(ERROR_ACCESO_DENEGADO);
    return false;
  }
  if (::rmdir(r.c_str()) != 0) {
    FijaError(errno == EEXIST ? ERROR_DIRECTORIO_NO_VACIO : posix::ErrorDeErrno(errno));
    return false;
  }
  FijaError(0);
  return true;
}

bool Mueve(const Texto& origen, const Texto& destino) {
  if (OperacionInyectable("mueve", origen)) return false;
  std::string ro = RutaPosix(origen), rd = RutaPosix(destino);
  while (ro.size() > 1 && ro.back() == '/') ro.pop_back();
  while (rd.size() > 1 && rd.back() == '/') rd.pop_back();
  struct stat st;
  if (::lstat(ro.c_str(), &st) != 0) {
    FijaErrorRuta(errno, ro);
    return false;
  }
  // Never replaces: what is already at the destination may be a saved copy.
  if (::renameat2(AT_FDCWD, ro.c_str(), AT_FDCWD, rd.c_str(), RENAME_NOREPLACE) != 0) {
    const int e = errno;
    if (e == EEXIST) FijaError(S_ISDIR(st.st_mode) ? ERROR_YA_EXISTE : ERROR_FICHERO_EXISTE);
    else if (e == EXDEV) FijaError(ERROR_NO_MISMO_DISPOSITIVO);
    else FijaErrorRuta(e, rd);
    return false;
  }
  FijaError(0);
  return true;
}

bool PonAtributos(const Texto& ruta, uint32_t atributos) {
  if (OperacionInyectable("atributos", ruta)) return false;
  const std::string r = RutaPosix(ruta);
  struct stat st;
  if (::lstat(r.c_str(), &st) != 0) {
    FijaErrorRuta(errno, r);
    return false;
  }
  if (S_ISLNK(st.st_mode)) {
    FijaError(0);
    return true;  // links carry no attributes of their own here
  }
  mode_t modo = st.st_mode & 07777;
  if (atributos & ATR_SOLO_LECTURA) modo &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  else modo |= S_IWUSR;
  if (modo != (st.st_mode & 07777) && ::chmod(r.c_str(), modo) != 0) {
    FijaErrorErrno(errno);
    return false;
  }
  if (!PonAtributosExtra(r, atributos & kAtributosExtra)) {
    FijaErrorErrno(errno);
    return false;
  }
  FijaError(0);
  return true;
}

uint32_t LeeAtributos(const Texto& ruta) {
  std::string r = RutaPosix(ruta);
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  struct stat st;
  if (::lstat(r.c_str(), &st) != 0) {
    FijaErrorRuta(errno, r);
    return ATR_INVALIDO;
  }
  return AtributosDe(r, st);
}

bool ExisteFichero(const Texto& ruta) {
  struct stat st;
  return ::stat(RutaPosix(ruta).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool ExisteDirectorio(const Texto& ruta) {
  struct stat st;
  return ::stat(RutaPosix(ruta).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool TamanoFichero(const Texto& ruta, uint64_t& tamano) {
  struct stat st;
  if (::stat(RutaPosix(ruta).c_str(), &st) != 0) {
    FijaErrorRuta(errno, RutaPosix(ruta));
    return false;
  }
  tamano = static_cast<uint64_t>(st.st_size);
  return true;
}

bool LeeFicheroCompleto(const Texto& ruta, std::string& bytes) {
  if (OperacionInyectable("lee", ruta)) return false;
  int fd = AbreSinHerencia(RutaPosix(ruta), O_RDONLY);
  if (fd < 0) {
    FijaErrorRuta(errno, RutaPosix(ruta));
    return false;
  }
  std::string datos;
  char buf[1 << 15];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      FijaErrorErrno(errno);
      ::close(fd);
      return false;
    }
    if (r == 0) break;
    datos.append(buf, static_cast<size_t>(r));
  }
  ::close(fd);
  bytes.swap(datos);
  FijaError(0);
  return true;
}

namespace {

// Writes the bytes through a descriptor opened with the given mode flag
// (truncate or append); a failed close counts as a failed write.
bool EscribeConModo(const Texto& ruta, const std::string& bytes, int modo) {
  if (OperacionInyectable("escribe", ruta)) return false;
  int fd = AbreParaEscribir(RutaPosix(ruta), modo);
  if (fd < 0) return false;
  bool bien = EscribeTodo(fd, bytes.data(), bytes.size());
  int fallo = errno;
  if (::close(fd) != 0 && bien) {
    bien = false;
    fallo = errno;
  }
  if (!bien) {
    FijaErrorErrno(fallo);
    return false;
  }
  FijaError(0);
  return true;
}

}  // namespace

bool EscribeFicheroCompleto(const Texto& ruta, const std::string& bytes) {
  return EscribeConModo(ruta, bytes, O_TRUNC);
}

bool AnadeAFichero(const Texto& ruta, const std::string& bytes) {
  return EscribeConModo(ruta, bytes, O_APPEND);
}

namespace posix {

mode_t Umask() {
  static const mode_t mascara = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mascara;
}

bool FicheroEnUso(const std::string& ruta) {
  struct stat st;
  if (::stat(ruta.c_str(), &st) != 0) return false;
  int fd = AbreSinHerencia(ruta, O_RDONLY | O_NONBLOCK);
  if (fd >= 0) {
    struct flock consulta;
    std::memset(&consulta, 0, sizeof consulta);
    consulta.l_type = F_WRLCK;
    consulta.l_whence = SEEK_SET;
    bool enUso = ::fcntl(fd, F_GETLK, &consulta) == 0 && consulta.l_type != F_UNLCK;
    if (!enUso) {
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) enUso = errno == EWOULDBLOCK;
      else ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    if (enUso) return true;
  }
  // A running program's file: some process has it as its executable. Only a
  // file with an execute bit can be one, which spares the walk over /proc
  // for the data files that make most of every folder.
  if ((st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) return false;
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  bool enUso = false;
  while (struct dirent* d = ::readdir(proc)) {
    if (d->d_name[0] < '0' || d->d_name[0] > '9') continue;
    struct stat se;
    std::string exe = std::string("/proc/") + d->d_name + "/exe";
    if (::stat(exe.c_str(), &se) == 0 && se.st_dev == st.st_dev && se.st_ino == st.st_ino) {
      enUso = true;
      break;
    }
  }
  ::closedir(proc);
  return enUso;
}

}  // namespace posix
}  // namespace plataforma
