// The registry through the Windows API: reads in the 64-bit view, writes
// with full access, errors of reads of other types and of writes raised as
// ERegistryException.
#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "platform/win32/win32_comun.h"

namespace plataforma {

using win32::W;

namespace {

HKEY Raiz2Hkey(Raiz raiz) { return raiz == Raiz::ClasesRaiz ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER; }

ERegistryException FalloEscritura(const Texto& nombre) {
  return ERegistryException(u"Failed to set data for '" + nombre + u"'");
}

}  // namespace

struct Clave::Estado {
  HKEY h = nullptr;
  Texto ruta;  // names the values written, for the test build's fault seam
};

Clave::Clave() = default;
Clave::~Clave() { Cierra(); }

bool Clave::AbreLectura(Raiz raiz, const Texto& ruta) {
  Cierra();
  HKEY h = nullptr;
  LONG r = ::RegOpenKeyExW(Raiz2Hkey(raiz), W(ruta), 0, KEY_READ | KEY_WOW64_64KEY, &h);
  if (r != ERROR_SUCCESS) {
    ::SetLastError(static_cast<DWORD>(r));
    return false;
  }
  estado_ = std::make_unique<Estado>();
  estado_->h = h;
  estado_->ruta = ruta;
  return true;
}

bool Clave::AbreOCrea(Raiz raiz, const Texto& ruta) {
  Cierra();
  if (OperacionInyectable("registro_crea", ruta)) return false;
  HKEY h = nullptr;
  LONG r = ::RegCreateKeyExW(Raiz2Hkey(raiz), W(ruta), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
  if (r != ERROR_SUCCESS) {
    ::SetLastError(static_cast<DWORD>(r));
    return false;
  }
  estado_ = std::make_unique<Estado>();
  estado_->h = h;
  estado_->ruta = ruta;
  return true;
}

bool Clave::Abierta() const { return estado_ != nullptr; }

bool Clave::LeeTexto(const Texto& nombre, Texto& valor) {
  if (!estado_) return false;
  DWORD tipo = 0, tam = 0;
  LONG r = ::RegQueryValueExW(estado_->h, W(nombre), nullptr, &tipo, nullptr, &tam);
  if (r != ERROR_SUCCESS) return false;
  if (tipo != REG_SZ && tipo != REG_EXPAND_SZ) throw ERegistryException(u"Invalid data type for '" + nombre + u"'");
  std::vector<wchar_t> buf(tam / sizeof(wchar_t) + 1, 0);
  DWORD tam2 = static_cast<DWORD>((buf.size()) * sizeof(wchar_t));
  r = ::RegQueryValueExW(estado_->h, W(nombre), nullptr, &tipo, reinterpret_cast<BYTE*>(buf.data()), &tam2);
  if (r != ERROR_SUCCESS) throw ERegistryException(u"Invalid data type for '" + nombre + u"'");
  valor = win32::T(buf.data());  // up to the first terminating zero
  return true;
}

void Clave::EscribeTexto(const Texto& nombre, const Texto& valor) {
  if (!estado_ || OperacionInyectable("registro_escribe", estado_->ruta + u"\\" + nombre)) throw FalloEscritura(nombre);
  const DWORD bytes = static_cast<DWORD>((valor.size() + 1) * sizeof(wchar_t));
  if (::RegSetValueExW(estado_->h, W(nombre), 0, REG_SZ, reinterpret_cast<const BYTE*>(W(valor)), bytes) !=
      ERROR_SUCCESS)
    throw FalloEscritura(nombre);
}

void Clave::EscribeEntero(const Texto& nombre, uint32_t valor) {
  if (!estado_ || OperacionInyectable("registro_escribe", estado_->ruta + u"\\" + nombre)) throw FalloEscritura(nombre);
  const DWORD v = valor;
  if (::RegSetValueExW(estado_->h, W(nombre), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) !=
      ERROR_SUCCESS)
    throw FalloEscritura(nombre);
}

bool Clave::ExisteValor(const Texto& nombre) {
  if (!estado_) return false;
  return ::RegQueryValueExW(estado_->h, W(nombre), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void Clave::Cierra() {
  if (estado_ && estado_->h) ::RegCloseKey(estado_->h);
  estado_.reset();
}

bool BorraClave(Raiz raiz, const Texto& ruta) {
  if (OperacionInyectable("registro_borra", ruta)) return false;
  if (ruta.empty()) return false;  // a root is never deleted
  HKEY padre = Raiz2Hkey(raiz);
  LONG r = ::RegDeleteTreeW(padre, W(ruta));
  if (r == ERROR_FILE_NOT_FOUND) return true;
  if (r != ERROR_SUCCESS) {
    ::SetLastError(static_cast<DWORD>(r));
    return false;
  }
  // RegDeleteTreeW empties the key; the key itself goes now.
  r = ::RegDeleteKeyW(padre, W(ruta));
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool ExisteClave(Raiz raiz, const Texto& ruta) {
  HKEY h = nullptr;
  if (::RegOpenKeyExW(Raiz2Hkey(raiz), W(ruta), 0, KEY_READ | KEY_WOW64_64KEY, &h) != ERROR_SUCCESS) return false;
  ::RegCloseKey(h);
  return true;
}

}  // namespace plataforma
