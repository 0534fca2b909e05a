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
  texto::Texto r = ruta;
  const std::string unidad = Entorno("ZELVANO_UNIDAD_C");
  if (!unidad.empty() && r.size() >= 3 && (r[0] == u'C' || r[0] == u'c') && r[1] == u':' &&
      (r[2] == u'\\' || r[2] == u'/')) {
    texto::Texto base = texto::DeUtf8(unidad);
    if (base.empty() || base.back() != u'/') base += u'/';
    r = base + r.substr(3);
  }
  for (char16_t& c : r)
    if (c == u'\\') c = u'/';
  return texto::AUtf8(r);
}

}  // namespace posix
}  // namespace plataforma
