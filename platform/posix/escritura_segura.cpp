// Durable writes on posix: the whole-file replace (temporary name, fsync,
// rename, and fsync of the folder so that the new name itself survives a
// power cut) and the flush of a whole volume at a boundary of the run.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/plataforma.h"
#include "platform/posix/ficheros_comun.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

namespace {

void SincronizaCarpeta(const std::string& ruta) {
  const size_t barra = ruta.find_last_of('/');
  const std::string carpeta = barra == std::string::npos ? "." : barra == 0 ? "/" : ruta.substr(0, barra);
  const int fd = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Opens `ruta`, applies `operacion` (fsync, syncfs) and closes it, keeping
// the operation's error.
bool VuelcaAbierto(const std::string& ruta, int flags, int (*operacion)(int)) {
  const int fd = ::open(ruta.c_str(), flags | O_CLOEXEC);
  if (fd < 0) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  const bool bien = operacion(fd) == 0;
  const int fallo = errno;
  ::close(fd);
  if (!bien) posix::FijaErrorErrno(fallo);
  return bien;
}

}  // namespace

bool EscribeFicheroSeguro(const Texto& ruta, const std::string& bytes) {
  if (OperacionInyectable("escribe_seguro", ruta)) return false;
  const std::string destino = posix::RutaPosix(ruta);
  const std::string temporal = destino + ".nuevo";
  ::unlink(temporal.c_str());  // a leftover of an earlier attempt
  const int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  bool bien = posix::EscribeTodo(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  int fallo = errno;
  if (::close(fd) != 0 && bien) {
    bien = false;
    fallo = errno;
  }
  if (bien && ::rename(temporal.c_str(), destino.c_str()) != 0) {
    bien = false;
    fallo = errno;
  }
  if (!bien) {
    ::unlink(temporal.c_str());
    posix::FijaErrorErrno(fallo);
    return false;
  }
  SincronizaCarpeta(destino);
  posix::CorteDurable(destino);
  posix::FijaError(0);
  return true;
}

bool SustituyeFichero(const Texto& nuevo, const Texto& destino) {
  if (OperacionInyectable("sustituye", destino)) return false;
  const std::string origen = posix::RutaPosix(nuevo), hacia = posix::RutaPosix(destino);
  if (!VuelcaAbierto(origen, O_RDONLY, ::fsync)) return false;
  if (::rename(origen.c_str(), hacia.c_str()) != 0) {
    posix::FijaErrorErrno(errno);
    return false;
  }
  SincronizaCarpeta(hacia);
  posix::CorteDurable(hacia);
  posix::FijaError(0);
  return true;
}

bool VuelcaVolumen(const Texto& carpeta) {
  if (OperacionInyectable("vuelca", carpeta)) return false;
  // The benchmark's run without flushes, to weigh what they cost.
  static const bool sinVolcado = !posix::Entorno("ZELVANO_SIN_VOLCADO").empty();
  if (sinVolcado) return true;
  if (!VuelcaAbierto(posix::RutaPosix(carpeta), O_RDONLY | O_DIRECTORY, ::syncfs)) return false;
  posix::CorteVolcado();
  posix::FijaError(0);
  return true;
}

// syncfs flushes what any process wrote.
void AnotaEscritoPorOtro(const Texto&) {}

}  // namespace plataforma
