// The registry on posix: one text file holding every key of both roots.
// Each change locks the file, reads it, and replaces it whole through a
// temporary file that is synced and renamed over it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <utility>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

namespace {

constexpr const char* kCabecera = "ZELVANO-REGISTRO 1";
constexpr const char* kFin = "FIN";

struct Valor {
  Texto nombre;
  char tipo = 'S';  // S: string, D: 32-bit number
  Texto dato;
};

struct ClaveAlmacen {
  int raiz = 0;
  Texto ruta;
  std::vector<Valor> valores;
};

using Id = std::pair<int, Texto>;  // root and upper-case path

struct Almacen {
  std::map<Id, ClaveAlmacen> claves;
};

std::string FicheroAlmacen() {
  std::string f = posix::Entorno("ZELVANO_REGISTRO");
  if (!f.empty()) return f;
  std::string home = posix::Entorno("HOME");
  return (home.empty() ? std::string("/tmp") : home) + "/.zelvano_registro";
}

Texto Mayusculas(Texto t) {
  for (char16_t& c : t) c = texto::MayusculaSimple(c);
  return t;
}

Texto Normaliza(const Texto& ruta) {
  Texto r;
  for (char16_t c : ruta) {
    if (c == u'\\' && (r.empty() || r.back() == u'\\')) continue;
    r += c;
  }
  while (!r.empty() && r.back() == u'\\') r.pop_back();
  return r;
}

Id IdDe(Raiz raiz, const Texto& ruta) { return {static_cast<int>(raiz), Mayusculas(Normaliza(ruta))}; }

std::string Escapa(const Texto& t) {
  std::string r;
  for (char c : texto::AUtf8(t)) {
    switch (c) {
      case '\\': r += "\\\\"; break;
      case '\t': r += "\\t"; break;
      case '\n': r += "\\n"; break;
      case '\r': r += "\\r"; break;
      case '\0': r += "\\0"; break;
      default: r += c;
    }
  }
  return r;
}

Texto Desescapa(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char c = s[++i];
      r += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c == '0' ? '\0' : c;
    } else {
      r += s[i];
    }
  }
  return texto::DeUtf8(r);
}

std::vector<std::string> Campos(const std::string& linea) {
  std::vector<std::string> c(1);
  for (char ch : linea) {
    if (ch == '\t') c.emplace_back();
    else c.back() += ch;
  }
  return c;
}

// False when the file exists but is not a complete store.
bool Carga(const std::string& fichero, Almacen& almacen) {
  almacen.claves.clear();
  std::string bytes;
  int fd = ::open(fichero.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  char buf[1 << 15];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    bytes.append(buf, static_cast<size_t>(r));
  }
  ::close(fd);
  if (bytes.empty()) return true;
  size_t pos = 0;
  bool cabecera = false, fin = false;
  ClaveAlmacen* actual = nullptr;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    if (nl == std::string::npos) return false;  // a store always ends with a line break
    std::string linea = bytes.substr(pos, nl - pos);
    pos = nl + 1;
    if (!cabecera) {
      if (linea != kCabecera) return false;
      cabecera = true;
      continue;
    }
    if (fin) return false;
    if (linea == kFin) {
      fin = true;
      continue;
    }
    std::vector<std::string> c = Campos(linea);
    if (c[0] == "K" && c.size() == 3 && (c[1] == "0" || c[1] == "1")) {
      Raiz raiz = c[1] == "0" ? Raiz::UsuarioActual : Raiz::ClasesRaiz;
      Texto ruta = Desescapa(c[2]);
      ClaveAlmacen& k = almacen.claves[IdDe(raiz, ruta)];
      k.raiz = static_cast<int>(raiz);
      k.ruta = ruta;
      actual = &k;
    } else if (c[0] == "V" && c.size() == 4 && actual && (c[1] == "S" || c[1] == "D")) {
      actual->valores.push_back(Valor{Desescapa(c[2]), c[1][0], Desescapa(c[3])});
    } else {
      return false;
    }
  }
  return cabecera && fin;
}

bool EscribeTodo(int fd, const std::string& s) {
  size_t hecho = 0;
  while (hecho < s.size()) {
    ssize_t w = ::write(fd, s.data() + hecho, s.size() - hecho);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    hecho += static_cast<size_t>(w);
  }
  return true;
}

bool Guarda(const std::string& fichero, const Almacen& almacen) {
  std::string s = std::string(kCabecera) + "\n";
  for (const auto& [id, k] : almacen.claves) {
    s += "K\t" + std::to_string(k.raiz) + "\t" + Escapa(k.ruta) + "\n";
    for (const Valor& v : k.valores) s += std::string("V\t") + v.tipo + "\t" + Escapa(v.nombre) + "\t" + Escapa(v.dato) + "\n";
  }
  s += std::string(kFin) + "\n";
  const std::string temporal = fichero + ".tmp" + std::to_string(::getpid());
  int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool bien = EscribeTodo(fd, s) && ::fsync(fd) == 0;
  bien = ::close(fd) == 0 && bien;
  if (!bien || ::rename(temporal.c_str(), fichero.c_str()) != 0) {
    ::unlink(temporal.c_str());
    return false;
  }
  size_t barra = fichero.rfind('/');
  std::string carpeta = barra == std::string::npos ? "." : barra == 0 ? "/" : fichero.substr(0, barra);
  int dfd = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

// Holds the store's lock file for the lifetime of one operation.
class Cerrojo {
 public:
  Cerrojo(const std::string& fichero, bool exclusivo) {
    fd_ = ::open((fichero + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      while (::flock(fd_, exclusivo ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
      }
    }
  }
  ~Cerrojo() {
    if (fd_ >= 0) ::close(fd_);
  }
  Cerrojo(const Cerrojo&) = delete;
  Cerrojo& operator=(const Cerrojo&) = delete;

 private:
  int fd_ = -1;
};

bool Lee(Almacen& almacen) {
  const std::string f = FicheroAlmacen();
  Cerrojo cerrojo(f, false);
  return Carga(f, almacen);
}

// Runs `cambio` on the stored state and saves it. False when the store cannot
// be read or written; nothing is saved then.
template <typename F>
bool Modifica(F cambio) {
  const std::string f = FicheroAlmacen();
  Cerrojo cerrojo(f, true);
  Almacen almacen;
  if (!Carga(f, almacen)) return false;
  if (!cambio(almacen)) return true;
  return Guarda(f, almacen);
}

void CreaConPadres(Almacen& almacen, Raiz raiz, const Texto& ruta) {
  Texto normal = Normaliza(ruta);
  size_t pos = 0;
  for (;;) {
    size_t barra = normal.find(u'\\', pos);
    Texto parte = barra == Texto::npos ? normal : normal.substr(0, barra);
    Id id = IdDe(raiz, parte);
    if (!almacen.claves.count(id)) {
      ClaveAlmacen& k = almacen.claves[id];
      k.raiz = static_cast<int>(raiz);
      k.ruta = parte;
    }
    if (barra == Texto::npos) break;
    pos = barra + 1;
  }
}

bool EsRaiz(const Texto& ruta) { return Normaliza(ruta).empty(); }

}  // namespace

struct Clave::Estado {
  Raiz raiz = Raiz::UsuarioActual;
  Texto ruta;
  bool escritura = false;  // a key opened for reading refuses writes
};

Clave::Clave() = default;
Clave::~Clave() = default;

bool Clave::AbreLectura(Raiz raiz, const Texto& ruta) {
  Cierra();
  Almacen almacen;
  if (!Lee(almacen)) {
    posix::FijaError(ERROR_GENERICO);
    return false;
  }
  if (!EsRaiz(ruta) && !almacen.claves.count(IdDe(raiz, ruta))) {
    posix::FijaError(ERROR_FICHERO_NO_ENCONTRADO);
    return false;
  }
  estado_ = std::make_unique<Estado>(Estado{raiz, Normaliza(ruta), false});
  return true;
}

bool Clave::AbreOCrea(Raiz raiz, const Texto& ruta) {
  Cierra();
  if (OperacionInyectable("registro_crea", ruta)) return false;
  bool bien = Modifica([&](Almacen& a) {
    if (EsRaiz(ruta) || a.claves.count(IdDe(raiz, ruta))) return false;
    CreaConPadres(a, raiz, ruta);
    return true;
  });
  if (!bien) {
    posix::FijaError(ERROR_ACCESO_DENEGADO);
    return false;
  }
  estado_ = std::make_unique<Estado>(Estado{raiz, Normaliza(ruta), true});
  return true;
}

bool Clave::Abierta() const { return estado_ != nullptr; }

bool Clave::LeeTexto(const Texto& nombre, Texto& valor) {
  if (!estado_) return false;
  Almacen almacen;
  if (!Lee(almacen)) throw ERegistryException(u"Invalid data type for '" + nombre + u"'");
  auto it = almacen.claves.find(IdDe(estado_->raiz, estado_->ruta));
  if (it == almacen.claves.end()) return false;
  for (const Valor& v : it->second.valores) {
    if (!texto::IgualesSinMayusculas(v.nombre, nombre)) continue;
    if (v.tipo != 'S') throw ERegistryException(u"Invalid data type for '" + nombre + u"'");
    valor = v.dato;
    return true;
  }
  return false;
}

namespace {

void EscribeValor(const Raiz raiz, const Texto& ruta, const Texto& nombre, char tipo, const Texto& dato) {
  if (OperacionInyectable("registro_escribe", ruta + u"\\" + nombre))
    throw ERegistryException(u"Failed to set data for '" + nombre + u"'");
  bool bien = Modifica([&](Almacen& a) {
    Id id = IdDe(raiz, ruta);
    if (!a.claves.count(id)) CreaConPadres(a, raiz, ruta);
    ClaveAlmacen& k = a.claves[id];
    for (Valor& v : k.valores) {
      if (texto::IgualesSinMayusculas(v.nombre, nombre)) {
        v.tipo = tipo;
        v.dato = dato;
        return true;
      }
    }
    k.valores.push_back(Valor{nombre, tipo, dato});
    return true;
  });
  if (!bien) throw ERegistryException(u"Failed to set data for '" + nombre + u"'");
}

}  // namespace

void Clave::EscribeTexto(const Texto& nombre, const Texto& valor) {
  if (!estado_ || !estado_->escritura) throw ERegistryException(u"Failed to set data for '" + nombre + u"'");
  EscribeValor(estado_->raiz, estado_->ruta, nombre, 'S', valor);
}

void Clave::EscribeEntero(const Texto& nombre, uint32_t valor) {
  if (!estado_ || !estado_->escritura) throw ERegistryException(u"Failed to set data for '" + nombre + u"'");
  EscribeValor(estado_->raiz, estado_->ruta, nombre, 'D', texto::FormatoEntero(valor));
}

bool Clave::ExisteValor(const Texto& nombre) {
  if (!estado_) return false;
  Almacen almacen;
  if (!Lee(almacen)) return false;
  auto it = almacen.claves.find(IdDe(estado_->raiz, estado_->ruta));
  if (it == almacen.claves.end()) return false;
  for (const Valor& v : it->second.valores)
    if (texto::IgualesSinMayusculas(v.nombre, nombre)) return true;
  return false;
}

void Clave::Cierra() { estado_.reset(); }

bool BorraClave(Raiz raiz, const Texto& ruta) {
  if (OperacionInyectable("registro_borra", ruta)) return false;
  if (EsRaiz(ruta)) return false;  // a root is never deleted
  const Id id = IdDe(raiz, ruta);
  const Texto prefijo = id.second + u"\\";
  return Modifica([&](Almacen& a) {
    bool cambio = false;
    for (auto it = a.claves.begin(); it != a.claves.end();) {
      if (it->first.first == id.first &&
          (it->first.second == id.second || it->first.second.compare(0, prefijo.size(), prefijo) == 0)) {
        it = a.claves.erase(it);
        cambio = true;
      } else {
        ++it;
      }
    }
    return cambio;
  });
}

bool ExisteClave(Raiz raiz, const Texto& ruta) {
  if (EsRaiz(ruta)) return true;
  Almacen almacen;
  return Lee(almacen) && almacen.claves.count(IdDe(raiz, ruta)) > 0;
}

}  // namespace plataforma
