#include "tests/extremo/Json.h"

#include <cstdlib>
#include <stdexcept>

namespace prueba {

namespace {

class Lector {
 public:
  explicit Lector(const std::string& t) : t_(t) {}

  Json Todo() {
    Json v = Valor();
    Blancos();
    if (i_ != t_.size()) Falla("texto sobrante");
    return v;
  }

 private:
  [[noreturn]] void Falla(const std::string& que) {
    throw std::runtime_error("JSON mal formado (" + que + ") en la posición " + std::to_string(i_) +
                             ": " + t_);
  }
  void Blancos() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r')) ++i_;
  }
  bool Toma(char c) {
    Blancos();
    if (i_ < t_.size() && t_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void Espera(char c) {
    if (!Toma(c)) Falla(std::string("se esperaba ") + c);
  }
  bool Palabra(const char* p) {
    const std::string s(p);
    if (t_.compare(i_, s.size(), s) != 0) return false;
    i_ += s.size();
    return true;
  }

  Json Valor() {
    Blancos();
    if (i_ >= t_.size()) Falla("fin inesperado");
    Json v;
    const char c = t_[i_];
    if (c == '{') {
      ++i_;
      v.tipo = Json::Tipo::Objeto;
      if (Toma('}')) return v;
      do {
        Blancos();
        if (i_ >= t_.size() || t_[i_] != '"') Falla("nombre de miembro");
        const std::string nombre = Cadena();
        Espera(':');
        v.objeto[nombre] = Valor();
      } while (Toma(','));
      Espera('}');
    } else if (c == '[') {
      ++i_;
      v.tipo = Json::Tipo::Lista;
      if (Toma(']')) return v;
      do v.lista.push_back(Valor());
      while (Toma(','));
      Espera(']');
    } else if (c == '"') {
      v.tipo = Json::Tipo::Cadena;
      v.cadena = Cadena();
    } else if (Palabra("true")) {
      v.tipo = Json::Tipo::Booleano;
      v.booleano = true;
    } else if (Palabra("false")) {
      v.tipo = Json::Tipo::Booleano;
    } else if (Palabra("null")) {
    } else {
      const char* inicio = t_.c_str() + i_;
      char* fin = nullptr;
      v.numero = std::strtod(inicio, &fin);
      if (fin == inicio) Falla("valor");
      v.tipo = Json::Tipo::Numero;
      i_ += static_cast<size_t>(fin - inicio);
    }
    return v;
  }

  static void Utf8(unsigned cp, std::string& s) {
    if (cp < 0x80) {
      s += static_cast<char>(cp);
    } else if (cp < 0x800) {
      s += static_cast<char>(0xC0 | (cp >> 6));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      s += static_cast<char>(0xE0 | (cp >> 12));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | (cp >> 18));
      s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  unsigned Hex4() {
    if (i_ + 4 > t_.size()) Falla("escape \\u");
    const unsigned v = static_cast<unsigned>(std::strtoul(t_.substr(i_, 4).c_str(), nullptr, 16));
    i_ += 4;
    return v;
  }

  std::string Cadena() {
    ++i_;  // opening quote
    std::string s;
    while (true) {
      if (i_ >= t_.size()) Falla("cadena sin cerrar");
      const char c = t_[i_++];
      if (c == '"') return s;
      if (c != '\\') {
        s += c;
        continue;
      }
      if (i_ >= t_.size()) Falla("escape");
      const char e = t_[i_++];
      switch (e) {
        case 'n': s += '\n'; break;
        case 'r': s += '\r'; break;
        case 't': s += '\t'; break;
        case 'b': s += '\b'; break;
        case 'f': s += '\f'; break;
        case 'u': {
          unsigned cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && Palabra("\\u")) {
            const unsigned bajo = Hex4();
            cp = 0x10000 + ((cp - 0xD800) << 10) + (bajo - 0xDC00);
          }
          Utf8(cp, s);
          break;
        }
        default: s += e;
      }
    }
  }

  const std::string& t_;
  size_t i_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& nombre) const {
  static const Json nulo;
  const auto it = objeto.find(nombre);
  return it == objeto.end() ? nulo : it->second;
}

std::string Json::Texto(const std::string& nombre) const { return (*this)[nombre].cadena; }

Json LeeJson(const std::string& texto) { return Lector(texto).Todo(); }

}  // namespace prueba
