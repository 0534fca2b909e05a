// Path conversion, last error and environment access of the posix backend.
#include <cerrno>
#include <cstdlib>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

namespace {
thread_local uint32_t g_ultimoError = 0;
}  // namespace

uint32_t UltimoError() { return g_ultimoError; }

namespace posix {

void FijaError(uint32_t codigo) { g_ultimoError = codigo; }

uint32_t ErrorDeErrno(int valor) {
  switch (valor) {
    case 0: return 0;
    case ENOENT: return ERROR_FICHERO_NO_ENCONTRADO;
    case ENOTDIR: return ERROR_RUTA_NO_ENCONTRADA;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESO_DENEGADO;
    case EEXIST: return ERROR_YA_EXISTE;
    case ENAMETOOLONG: return ERROR_NOMBRE_DEMASIADO_LARGO;
    case ENOTEMPTY: return ERROR_DIRECTORIO_NO_VACIO;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return ERROR_COMPARTIR;
    case ENOEXEC: return ERROR_FORMATO_EJECUTABLE;
    case ENOSPC: return ERROR_DISCO_LLENO;
    default: return ERROR_GENERICO;
  }
}

void FijaErrorErrno(int valor) { g_ultimoError = ErrorDeErrno(valor); }

std::string Entorno(const char* nombre) {
  const char* v = std::getenv(nombre);
  return v ? std::string(v) : std::string();
}

std::string RutaPosix(const texto::Texto& ruta) {
  std::string r;
  size_t desde = 0;
  if (ruta.size() >= 3 && (ruta[0] == u'C' || ruta[0] == u'c') && ruta[1] == u':' &&
      (ruta[2] == u'\\' || ruta[2] == u'/')) {
    const char* unidad = std::getenv("ZELVANO_UNIDAD_C");
    if (unidad && *unidad) {
      r = unidad;
      if (r.back() != '/') r += '/';
      desde = 3;
    }
  }
  const size_t inicio = r.size();
  texto::AnadeUtf8(r, ruta, desde);
  // No byte of a multi-byte UTF-8 character is a backslash.
  for (size_t i = inicio; i < r.size(); ++i)
    if (r[i] == '\\') r[i] = '/';
  return r;
}

}  // namespace posix
}  // namespace plataforma
