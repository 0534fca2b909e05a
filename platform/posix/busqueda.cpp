// Folder listings on posix as FindFirstFileW gives them: Windows masks
// matched without regard to case, "." and ".." first, then names in the
// case-blind order of NTFS. A listing remembers the hidden and system bits
// it read, so that copying the files right after does not ask again.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/plataforma.h"
#include "platform/posix/ficheros_comun.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

using posix::FijaError;
using posix::RutaPosix;

namespace {

char16_t Mayuscula(char16_t c) { return texto::MayusculaSimple(c); }

// FindFirstFileW name matching: '*' any run, '?' one character, no regard to
// case; a mask ending in ".*" also takes names without an extension.
bool Coincide(const texto::Texto& mascara, size_t m, const texto::Texto& nombre, size_t n) {
  while (m < mascara.size()) {
    char16_t c = mascara[m];
    if (c == u'*') {
      while (m < mascara.size() && mascara[m] == u'*') ++m;
      if (m == mascara.size()) return true;
      for (size_t k = n; k <= nombre.size(); ++k)
        if (Coincide(mascara, m, nombre, k)) return true;
      return false;
    }
    if (n == nombre.size()) {
      // Only ".*" (or a run of '*') may still match the empty rest.
      if (mascara.compare(m, Texto::npos, u".*") == 0) return true;
      return false;
    }
    if (c != u'?' && Mayuscula(c) != Mayuscula(nombre[n])) return false;
    ++m;
    ++n;
  }
  return n == nombre.size();
}

bool CoincideMascara(const texto::Texto& mascara, const texto::Texto& nombre) {
  if (mascara == u"*" || mascara == u"*.*") return true;
  return Coincide(mascara, 0, nombre, 0);
}

// What a listing read of each file, so that copying the file right after
// does not ask for its extended attribute again: valid while the file is the
// same (device, inode) and unchanged since (ctime, which an attribute change
// moves).
struct Leido {
  dev_t dispositivo;
  ino_t nodo;
  struct timespec cambio;
  uint32_t extra;
};

// One open listing's reads; the listings open now (a folder copy holds one
// per level) are known to the copy.
struct LecturaCarpeta {
  LecturaCarpeta() { Abiertas().push_back(this); }
  ~LecturaCarpeta() {
    auto& v = Abiertas();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  LecturaCarpeta(const LecturaCarpeta&) = delete;
  LecturaCarpeta& operator=(const LecturaCarpeta&) = delete;
  static std::vector<const LecturaCarpeta*>& Abiertas() {
    static thread_local std::vector<const LecturaCarpeta*> abiertas;
    return abiertas;
  }
  std::string carpeta;  // posix path, without a trailing '/'
  std::unordered_map<std::string, Leido> leidos;
};

}  // namespace

uint32_t posix::AtributosExtraConocidos(const std::string& ruta, const struct stat& st) {
  const size_t barra = ruta.find_last_of('/');
  if (barra != std::string::npos) {
    for (const LecturaCarpeta* e : LecturaCarpeta::Abiertas()) {
      if (e->carpeta.size() != barra || ruta.compare(0, barra, e->carpeta) != 0) continue;
      auto it = e->leidos.find(ruta.substr(barra + 1));
      if (it == e->leidos.end()) continue;
      const Leido& l = it->second;
      if (l.dispositivo == st.st_dev && l.nodo == st.st_ino && l.cambio.tv_sec == st.st_ctim.tv_sec &&
          l.cambio.tv_nsec == st.st_ctim.tv_nsec)
        return l.extra;
    }
  }
  return posix::AtributosExtra(ruta);
}


struct Busqueda::Estado {
  std::vector<EntradaDirectorio> entradas;
  size_t siguiente = 0;
  LecturaCarpeta lectura;
};

Busqueda::Busqueda() = default;
Busqueda::~Busqueda() = default;

bool Busqueda::Primero(const Texto& patron, EntradaDirectorio& entrada) {
  Cierra();
  if (OperacionInyectable("lista", patron)) return false;
  size_t corte = patron.find_last_of(u"\\/");
  Texto carpeta = corte == Texto::npos ? Texto(u".") : patron.substr(0, corte);
  Texto mascara = corte == Texto::npos ? patron : patron.substr(corte + 1);
  if (carpeta.empty()) carpeta = u"/";
  const std::string rutaCarpeta = RutaPosix(carpeta);
  DIR* dir = ::opendir(rutaCarpeta.c_str());
  if (!dir) {
    FijaError(errno == ENOENT || errno == ENOTDIR ? ERROR_RUTA_NO_ENCONTRADA : posix::ErrorDeErrno(errno));
    return false;
  }
  auto estado = std::make_unique<Estado>();
  std::string& carpetaLeida = estado->lectura.carpeta;
  carpetaLeida = rutaCarpeta;
  while (!carpetaLeida.empty() && carpetaLeida.back() == '/') carpetaLeida.pop_back();
  while (struct dirent* d = ::readdir(dir)) {
    Texto nombre = texto::DeUtf8(d->d_name);
    if (!CoincideMascara(mascara, nombre)) continue;
    const std::string ruta = rutaCarpeta + "/" + d->d_name;
    // Asked relative to the open folder, so that an entry deeper than any
    // whole path the system takes is still listed, as FindFirstFileW lists
    // it: a caller then fails on it visibly instead of never seeing it.
    struct stat st;
    if (::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;  // vanished meanwhile
      st = {};
      st.st_mode = S_IFREG;
    }
    EntradaDirectorio e;
    e.nombre = nombre;
    e.atributos = posix::AtributosDe(ruta, st);
    e.tamano = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    if (S_ISREG(st.st_mode))
      estado->lectura.leidos[d->d_name] = Leido{st.st_dev, st.st_ino, st.st_ctim, e.atributos & posix::kAtributosExtra};
    estado->entradas.push_back(std::move(e));
  }
  ::closedir(dir);
  // "." and ".." first, then names in case-blind order, like NTFS. Each
  // name is upper-cased once, not at every comparison.
  auto rango = [](const Texto& n) { return n == u"." ? 0 : n == u".." ? 1 : 2; };
  struct Clave {
    int rango;
    Texto mayusculas;
    size_t indice;
  };
  std::vector<Clave> claves;
  claves.reserve(estado->entradas.size());
  for (size_t i = 0; i < estado->entradas.size(); ++i) {
    Texto m = estado->entradas[i].nombre;
    for (char16_t& c : m) c = Mayuscula(c);
    claves.push_back({rango(estado->entradas[i].nombre), std::move(m), i});
  }
  const std::vector<EntradaDirectorio>& sinOrden = estado->entradas;
  std::sort(claves.begin(), claves.end(), [&](const Clave& a, const Clave& b) {
    if (a.rango != b.rango) return a.rango < b.rango;
    const int k = texto::Compara(a.mayusculas, b.mayusculas);
    return k != 0 ? k < 0 : texto::Compara(sinOrden[a.indice].nombre, sinOrden[b.indice].nombre) < 0;
  });
  std::vector<EntradaDirectorio> ordenadas;
  ordenadas.reserve(claves.size());
  for (const Clave& c : claves) ordenadas.push_back(std::move(estado->entradas[c.indice]));
  estado->entradas = std::move(ordenadas);
  if (estado->entradas.empty()) {
    FijaError(ERROR_FICHERO_NO_ENCONTRADO);
    return false;
  }
  estado_ = std::move(estado);
  return Siguiente(entrada);
}

bool Busqueda::Siguiente(EntradaDirectorio& entrada) {
  if (estado_ && estado_->siguiente < estado_->entradas.size() &&
      OperacionInyectable("siguiente", estado_->entradas[estado_->siguiente].nombre))
    return false;
  if (!estado_) {
    FijaError(ERROR_NO_MAS_FICHEROS);
    return false;
  }
  if (estado_->siguiente >= estado_->entradas.size()) {
    FijaError(ERROR_NO_MAS_FICHEROS);
    return false;
  }
  entrada = estado_->entradas[estado_->siguiente++];
  FijaError(0);
  return true;
}

void Busqueda::Cierra() { estado_.reset(); }

}  // namespace plataforma
