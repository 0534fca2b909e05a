// Processes on posix: Windows command lines split by the CommandLineToArgvW
// rules, started with posix_spawn; snapshots from /proc; the single-instance
// guard as a lock file held until the process ends.
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

extern char** environ;

namespace plataforma {

namespace posix {

// CommandLineToArgvW: the program name runs to the next blank unless quoted
// (no escapes in it); in arguments 2n backslashes before a quote give n
// backslashes and toggle quoting, 2n+1 give n and a literal quote, and a
// doubled quote inside quotes is a literal quote. An unclosed quote runs to
// the end of the line.
std::vector<Texto> ParteLineaComandos(const Texto& linea) {
  std::vector<Texto> args;
  size_t i = 0;
  const size_t n = linea.size();
  // Program name.
  Texto programa;
  if (i < n && linea[i] == u'"') {
    ++i;
    while (i < n && linea[i] != u'"') programa += linea[i++];
    if (i < n) ++i;
  } else {
    while (i < n && linea[i] != u' ' && linea[i] != u'\t') programa += linea[i++];
  }
  args.push_back(programa);
  for (;;) {
    while (i < n && (linea[i] == u' ' || linea[i] == u'\t')) ++i;
    if (i >= n) break;
    Texto arg;
    bool comillas = false;
    while (i < n) {
      char16_t c = linea[i];
      if (!comillas && (c == u' ' || c == u'\t')) break;
      if (c == u'\\') {
        size_t barras = 0;
        while (i < n && linea[i] == u'\\') {
          ++barras;
          ++i;
        }
        if (i < n && linea[i] == u'"') {
          arg.append(barras / 2, u'\\');
          if (barras % 2 == 1) {
            arg += u'"';
            ++i;
          }
        } else {
          arg.append(barras, u'\\');
        }
        continue;
      }
      if (c == u'"') {
        if (comillas && i + 1 < n && linea[i + 1] == u'"') {
          arg += u'"';
          i += 2;
          continue;
        }
        comillas = !comillas;
        ++i;
        continue;
      }
      arg += c;
      ++i;
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace posix

namespace {

bool EsEjecutable(const std::string& ruta) {
  struct stat st;
  return ::stat(ruta.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// CreateProcessW's search: a bare name is looked for in the current folder,
// then in PATH; ".exe" is added when the name has no extension and the file
// without it is not there.
std::string LocalizaPrograma(const std::string& programa) {
  std::vector<std::string> candidatos{programa};
  size_t barra = programa.rfind('/');
  if (programa.find('.', barra == std::string::npos ? 0 : barra) == std::string::npos)
    candidatos.push_back(programa + ".exe");
  for (const std::string& c : candidatos)
    if (c.find('/') != std::string::npos ? EsEjecutable(c) : EsEjecutable("./" + c))
      return c.find('/') != std::string::npos ? c : "./" + c;
  for (const std::string& c : candidatos) {
    if (c.find('/') != std::string::npos) continue;
    std::string path = posix::Entorno("PATH");
    size_t p = 0;
    while (p <= path.size()) {
      size_t q = path.find(':', p);
      if (q == std::string::npos) q = path.size();
      std::string carpeta = path.substr(p, q - p);
      p = q + 1;
      if (carpeta.empty()) continue;
      if (EsEjecutable(carpeta + "/" + c)) return carpeta + "/" + c;
    }
  }
  return programa;
}

}  // namespace

struct Proceso::Estado {
  pid_t pid = -1;
  bool terminado = false;
  uint32_t codigo = 0;
};

Proceso::Proceso() = default;
Proceso::~Proceso() = default;

bool Proceso::Inicia(const Texto& lineaComandos) {
  Cierra();
  if (OperacionInyectable("proceso", lineaComandos)) return false;
  std::vector<Texto> partes = posix::ParteLineaComandos(lineaComandos);
  if (partes.empty() || partes[0].empty()) {
    posix::FijaError(ERROR_FICHERO_NO_ENCONTRADO);
    return false;
  }
  std::vector<std::string> args;
  for (const Texto& p : partes) args.push_back(posix::RutaPosix(p));
  const std::string programa = LocalizaPrograma(args[0]);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  int r = ::posix_spawn(&pid, programa.c_str(), nullptr, nullptr, argv.data(), environ);
  if (r != 0) {
    posix::FijaErrorErrno(r);
    return false;
  }
  estado_ = std::make_unique<Estado>();
  estado_->pid = pid;
  posix::FijaError(0);
  return true;
}

uint32_t Proceso::Espera(uint32_t milisegundos) {
  if (!estado_) {
    posix::FijaError(6);  // ERROR_INVALID_HANDLE
    return ESPERA_FALLO;
  }
  if (estado_->terminado) return ESPERA_TERMINADO;
  struct timespec inicio;
  ::clock_gettime(CLOCK_MONOTONIC, &inicio);
  for (;;) {
    int estado;
    pid_t r = ::waitpid(estado_->pid, &estado, milisegundos == 0xFFFFFFFFu ? 0 : WNOHANG);
    if (r == estado_->pid) {
      estado_->terminado = true;
      estado_->codigo = WIFEXITED(estado) ? static_cast<uint32_t>(WEXITSTATUS(estado))
                                          : 128u + static_cast<uint32_t>(WTERMSIG(estado));
      return ESPERA_TERMINADO;
    }
    if (r < 0) {
      if (errno == EINTR) continue;
      posix::FijaErrorErrno(errno);
      return ESPERA_FALLO;
    }
    struct timespec ahora;
    ::clock_gettime(CLOCK_MONOTONIC, &ahora);
    const int64_t pasados = (ahora.tv_sec - inicio.tv_sec) * 1000 + (ahora.tv_nsec - inicio.tv_nsec) / 1000000;
    if (pasados >= static_cast<int64_t>(milisegundos)) return ESPERA_TIEMPO_AGOTADO;
    struct timespec pausa {0, 2000000};
    ::nanosleep(&pausa, nullptr);
  }
}

bool Proceso::CodigoSalida(uint32_t& codigo) {
  if (!estado_ || !estado_->terminado) return false;
  codigo = estado_->codigo;
  return true;
}

void Proceso::Cierra() { estado_.reset(); }

namespace {

// A file of /proc, read outside the fault seam: the snapshot is one
// operation (CreateToolhelp32Snapshot), however many processes the machine
// runs, so that the operations of a run are counted the same on any machine.
bool LeeProc(const std::string& ruta, std::string& datos) {
  const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  datos.clear();
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    datos.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return !datos.empty();
}

}  // namespace

bool InstantaneaProcesos(std::vector<EntradaProceso>& procesos) {
  procesos.clear();
  if (OperacionInyectable("instantanea", u"")) return false;
  DIR* proc = ::opendir("/proc");
  if (!proc) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  while (struct dirent* d = ::readdir(proc)) {
    char* fin;
    unsigned long id = std::strtoul(d->d_name, &fin, 10);
    if (*fin != 0 || id == 0) continue;
    const std::string base = std::string("/proc/") + d->d_name;
    // A process that has ended but not been waited for is gone for Windows.
    std::string stat;
    if (!LeeProc(base + "/stat", stat)) continue;
    size_t parentesis = stat.rfind(')');
    if (parentesis == std::string::npos || parentesis + 2 >= stat.size()) continue;
    if (stat[parentesis + 2] == 'Z' || stat[parentesis + 2] == 'X') continue;
    EntradaProceso e;
    e.id = static_cast<uint32_t>(id);
    std::vector<char> destino(4096);
    ssize_t n = ::readlink((base + "/exe").c_str(), destino.data(), destino.size() - 1);
    std::string nombre;
    if (n > 0) {
      std::string ruta(destino.data(), static_cast<size_t>(n));
      const std::string borrado = " (deleted)";
      if (ruta.size() > borrado.size() && ruta.compare(ruta.size() - borrado.size(), borrado.size(), borrado) == 0)
        ruta.resize(ruta.size() - borrado.size());
      nombre = ruta.substr(ruta.rfind('/') + 1);
    } else {
      size_t abre = stat.find('(');
      if (abre != std::string::npos) nombre = stat.substr(abre + 1, parentesis - abre - 1);
    }
    e.ejecutable = texto::DeUtf8(nombre);
    procesos.push_back(std::move(e));
  }
  ::closedir(proc);
  posix::FijaError(0);
  return true;
}

bool TerminaProcesoId(uint32_t id, uint32_t) {
  if (OperacionInyectable("termina", texto::FormatoEntero(id))) return false;
  // A killed process has no exit code of its choosing on posix.
  if (id == 0 || ::kill(static_cast<pid_t>(id), SIGKILL) != 0) {
    posix::FijaError(errno == ESRCH ? 87u : ERROR_ACCESO_DENEGADO);  // ERROR_INVALID_PARAMETER
    return false;
  }
  return true;
}

void FijaAfinidadHilo(uintptr_t mascara) {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  for (unsigned i = 0; i < sizeof(mascara) * 8 && i < CPU_SETSIZE; ++i)
    if (mascara & (static_cast<uintptr_t>(1) << i)) CPU_SET(i, &cpus);
  ::sched_setaffinity(0, sizeof cpus, &cpus);
}

bool CreaMutexUnico(const Texto& nombre) {
  std::string carpeta = posix::Entorno("ZELVANO_DIR_MUTEX");
  if (carpeta.empty()) carpeta = "/tmp";
  const Texto global = u"Global\\";
  if (nombre.compare(0, global.size(), global) == 0) {
    const std::string maquina = posix::Entorno("ZELVANO_DIR_MUTEX_GLOBAL");
    if (!maquina.empty()) carpeta = maquina;
  }
  std::string saneado;
  for (unsigned char c : texto::AUtf8(nombre)) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_') {
      saneado += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      saneado += hex;
    }
  }
  const std::string ruta = carpeta + "/zelvano-mutex-" + saneado + ".lock";
  // Never closed and not inherited by children: the lock lasts exactly as
  // long as this process.
  int fd = ::open(ruta.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    posix::FijaError(ERROR_YA_EXISTE);
    ::close(fd);
    return false;
  }
  posix::FijaError(0);
  return true;
}

bool BloqueaDeVida(const Texto& ruta) {
  static std::set<std::string> tomados;
  if (OperacionInyectable("bloquea", ruta)) return false;
  const std::string posixRuta = posix::RutaPosix(ruta);
  if (tomados.count(posixRuta)) {
    posix::FijaError(0);
    return true;
  }
  // Never closed: the lock lasts exactly as long as this process.
  const int fd = ::open(posixRuta.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int fallo = errno;
    ::close(fd);
    if (fallo == EWOULDBLOCK) posix::FijaError(ERROR_COMPARTIR);
    else posix::FijaErrorErrno(fallo);
    return false;
  }
  tomados.insert(posixRuta);
  posix::FijaError(0);
  return true;
}

void TerminaAplicacion(int estado) {
  std::fflush(nullptr);
  ::_exit(estado);
}

}  // namespace plataforma
