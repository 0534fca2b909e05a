// Profile (INI) files on posix, read and written with the rules of
// GetPrivateProfileStringW / WritePrivateProfileStringW: names matched
// without regard to case, blanks around names and values dropped, one pair
// of surrounding quotes removed from a value, ANSI files (Windows-1252)
// unless the file starts with a UTF-16 or UTF-8 byte-order mark.
#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

namespace {

enum class Codificacion { Ansi, Utf16, Utf8 };

struct Fichero {
  Codificacion codificacion = Codificacion::Ansi;
  std::vector<Texto> lineas;
};

Texto Decodifica(const std::string& bytes, Codificacion& cod) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    cod = Codificacion::Utf16;
    Texto t;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      t += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                 (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return t;
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    cod = Codificacion::Utf8;
    return texto::DeUtf8(bytes.substr(3));
  }
  cod = Codificacion::Ansi;
  return texto::DeCp1252(bytes);
}

std::string Codifica(const Texto& t, Codificacion cod) {
  switch (cod) {
    case Codificacion::Utf16: {
      std::string r = "\xFF\xFE";
      for (char16_t c : t) {
        r += static_cast<char>(c & 0xFF);
        r += static_cast<char>(c >> 8);
      }
      return r;
    }
    case Codificacion::Utf8: return "\xEF\xBB\xBF" + texto::AUtf8(t);
    case Codificacion::Ansi: break;
  }
  return texto::ACp1252(t);
}

bool EsBlanco(char16_t c) { return c == u' ' || c == u'\t'; }

Texto Recorta(const Texto& t) {
  size_t a = 0, b = t.size();
  while (a < b && EsBlanco(t[a])) ++a;
  while (b > a && EsBlanco(t[b - 1])) --b;
  return t.substr(a, b - a);
}

bool Carga(const Texto& ruta, Fichero& f) {
  std::string bytes;
  if (!LeeFicheroCompleto(ruta, bytes)) return false;
  Texto t = Decodifica(bytes, f.codificacion);
  size_t i = 0;
  while (i < t.size()) {
    size_t fin = t.find(u'\n', i);
    if (fin == Texto::npos) fin = t.size();
    Texto linea = t.substr(i, fin - i);
    if (!linea.empty() && linea.back() == u'\r') linea.pop_back();
    f.lineas.push_back(linea);
    i = fin + 1;
  }
  return true;
}

// Name of a section line ("[name]", up to the last ']'), or false. A line
// that opens a bracket and never closes it is no section.
bool Seccion(const Texto& linea, Texto& nombre) {
  Texto r = Recorta(linea);
  if (r.empty() || r[0] != u'[') return false;
  size_t cierre = r.rfind(u']');
  if (cierre == Texto::npos || cierre == 0) return false;
  nombre = Recorta(r.substr(1, cierre - 1));
  return true;
}

// Key and value of a line inside a section. A line without '=' names a key
// that has no value (reading it gives the default); blank lines are no key.
bool Entrada(const Texto& linea, Texto& clave, Texto& valor, bool* sinValor = nullptr) {
  Texto r = Recorta(linea);
  if (r.empty()) return false;
  size_t igual = r.find(u'=');
  if (sinValor) *sinValor = igual == Texto::npos;
  if (igual == Texto::npos) {
    clave = r;
    valor.clear();
    return true;
  }
  clave = Recorta(r.substr(0, igual));
  valor = Recorta(r.substr(igual + 1));
  if (valor.size() >= 2 && (valor[0] == u'"' || valor[0] == u'\'') && valor.back() == valor[0])
    valor = valor.substr(1, valor.size() - 2);
  return true;
}

// Range of lines [inicio, fin) after the first header of the section.
bool BuscaSeccion(const Fichero& f, const Texto& seccion, size_t& inicio, size_t& fin) {
  Texto nombre;
  for (size_t i = 0; i < f.lineas.size(); ++i) {
    if (!Seccion(f.lineas[i], nombre) || !texto::IgualesSinMayusculas(nombre, Recorta(seccion))) continue;
    inicio = i + 1;
    fin = inicio;
    while (fin < f.lineas.size() && !Seccion(f.lineas[fin], nombre)) ++fin;
    return true;
  }
  return false;
}

Texto Corta(const Texto& t, size_t tamanoBuffer) {
  if (tamanoBuffer == 0) return Texto();
  return t.size() > tamanoBuffer - 1 ? t.substr(0, tamanoBuffer - 1) : t;
}

}  // namespace

Texto LeePerfil(const Texto& fichero, const Texto& seccion, const Texto& clave, const Texto& defecto,
                size_t tamanoBuffer, bool* leido) {
  Texto porDefecto = defecto;
  while (!porDefecto.empty() && EsBlanco(porDefecto.back())) porDefecto.pop_back();
  Fichero f;
  size_t inicio, fin;
  const bool cargado = Carga(fichero, f);
  if (leido) *leido = cargado || !ExisteFichero(fichero);
  if (!cargado || !BuscaSeccion(f, seccion, inicio, fin)) {
    posix::FijaError(ERROR_FICHERO_NO_ENCONTRADO);
    return Corta(porDefecto, tamanoBuffer);
  }
  const Texto buscada = Recorta(clave);
  Texto k, v;
  bool sinValor = false;
  for (size_t i = inicio; i < fin; ++i) {
    if (Entrada(f.lineas[i], k, v, &sinValor) && texto::IgualesSinMayusculas(k, buscada)) {
      if (sinValor) break;
      posix::FijaError(0);
      return Corta(v, tamanoBuffer);
    }
  }
  posix::FijaError(ERROR_FICHERO_NO_ENCONTRADO);
  return Corta(porDefecto, tamanoBuffer);
}

bool EscribePerfil(const Texto& fichero, const Texto& seccion, const Texto& clave, const Texto& valor) {
  if (OperacionInyectable("perfil", fichero)) return false;
  Fichero f;
  if (!Carga(fichero, f) && ExisteFichero(fichero)) return false;  // unreadable: leave it alone
  const Texto linea = Recorta(clave) + u"=" + valor;
  size_t inicio, fin;
  if (!BuscaSeccion(f, seccion, inicio, fin)) {
    f.lineas.push_back(u"[" + Recorta(seccion) + u"]");
    f.lineas.push_back(linea);
  } else {
    bool hecho = false;
    Texto k, v;
    for (size_t i = inicio; i < fin && !hecho; ++i) {
      if (Entrada(f.lineas[i], k, v) && texto::IgualesSinMayusculas(k, Recorta(clave))) {
        f.lineas[i] = k + u"=" + valor;  // the name keeps the spelling it has in the file
        hecho = true;
      }
    }
    if (!hecho) {
      size_t pos = fin;
      while (pos > inicio && Recorta(f.lineas[pos - 1]).empty()) --pos;
      f.lineas.insert(f.lineas.begin() + static_cast<std::ptrdiff_t>(pos), linea);
    }
  }
  Texto todo;
  for (const Texto& l : f.lineas) todo += l + u"\r\n";
  return EscribeFicheroCompleto(fichero, Codifica(todo, f.codificacion));
}

}  // namespace plataforma
