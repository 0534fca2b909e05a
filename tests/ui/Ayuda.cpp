#include "tests/ui/Ayuda.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/posix/ui_posix.h"
#include "platform/ui.h"

namespace prueba_ui {

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
    throw std::runtime_error("JSON no válido (" + que + ") en " + std::to_string(i_) + ": " + t_);
  }
  void Blancos() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r')) ++i_;
  }
  bool Literal(const char* l) {
    const std::string s(l);
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
      v.tipo = Json::Tipo::Objeto;
      ++i_;
      Blancos();
      if (i_ < t_.size() && t_[i_] == '}') return ++i_, v;
      for (;;) {
        Blancos();
        if (i_ >= t_.size() || t_[i_] != '"') Falla("se esperaba una clave");
        const std::string clave = Cadena();
        Blancos();
        if (i_ >= t_.size() || t_[i_++] != ':') Falla("se esperaba ':'");
        if (v.objeto.count(clave)) Falla("clave repetida " + clave);
        v.objeto[clave] = Valor();
        Blancos();
        if (i_ < t_.size() && t_[i_] == ',') { ++i_; continue; }
        if (i_ < t_.size() && t_[i_] == '}') return ++i_, v;
        Falla("se esperaba ',' o '}'");
      }
    }
    if (c == '[') {
      v.tipo = Json::Tipo::Lista;
      ++i_;
      Blancos();
      if (i_ < t_.size() && t_[i_] == ']') return ++i_, v;
      for (;;) {
        v.lista.push_back(Valor());
        Blancos();
        if (i_ < t_.size() && t_[i_] == ',') { ++i_; continue; }
        if (i_ < t_.size() && t_[i_] == ']') return ++i_, v;
        Falla("se esperaba ',' o ']'");
      }
    }
    if (c == '"') {
      v.tipo = Json::Tipo::Cadena;
      v.cadena = Cadena();
      return v;
    }
    if (Literal("true")) { v.tipo = Json::Tipo::Booleano; v.booleano = true; return v; }
    if (Literal("false")) { v.tipo = Json::Tipo::Booleano; return v; }
    if (Literal("null")) return v;
    size_t fin = i_;
    while (fin < t_.size() && std::string("+-0123456789.eE").find(t_[fin]) != std::string::npos) ++fin;
    if (fin == i_) Falla("valor desconocido");
    v.tipo = Json::Tipo::Numero;
    v.numero = std::stod(t_.substr(i_, fin - i_));
    i_ = fin;
    return v;
  }
  std::string Cadena() {
    ++i_;  // opening quote
    std::string s;
    while (i_ < t_.size() && t_[i_] != '"') {
      const unsigned char c = static_cast<unsigned char>(t_[i_++]);
      if (c < 0x20) Falla("carácter de control sin escapar");
      if (c != '\\') { s += static_cast<char>(c); continue; }
      if (i_ >= t_.size()) Falla("escape incompleto");
      const char e = t_[i_++];
      switch (e) {
        case '"': s += '"'; break;
        case '\\': s += '\\'; break;
        case '/': s += '/'; break;
        case 'n': s += '\n'; break;
        case 'r': s += '\r'; break;
        case 't': s += '\t'; break;
        case 'b': s += '\b'; break;
        case 'f': s += '\f'; break;
        case 'u': {
          if (i_ + 4 > t_.size()) Falla("\\u incompleto");
          const unsigned n = std::stoul(t_.substr(i_, 4), nullptr, 16);
          i_ += 4;
          if (n >= 0x80) Falla("\\u fuera de ASCII no esperado");
          s += static_cast<char>(n);
          break;
        }
        default: Falla("escape desconocido");
      }
    }
    if (i_ >= t_.size()) Falla("cadena sin cerrar");
    ++i_;
    return s;
  }

  const std::string& t_;
  size_t i_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& clave) const {
  static const Json nulo;
  const auto it = objeto.find(clave);
  return it == objeto.end() ? nulo : it->second;
}

Json LeeJson(const std::string& texto) { return Lector(texto).Todo(); }

Transcripcion::Transcripcion() {
  char plantilla[] = "/tmp/transcripcion_ui_XXXXXX";
  const int fd = mkstemp(plantilla);
  if (fd >= 0) close(fd);
  ruta_ = plantilla;
  ui::posix::ReiniciaTranscripcion();
  setenv("ZELVANO_TRANSCRIPCION", ruta_.c_str(), 1);
}

Transcripcion::~Transcripcion() {
  ui::posix::ReiniciaTranscripcion();
  unsetenv("ZELVANO_TRANSCRIPCION");
  std::error_code ec;
  std::filesystem::remove(ruta_, ec);
}

std::vector<Json> Transcripcion::Eventos() const {
  std::ifstream f(ruta_);
  std::vector<Json> eventos;
  for (std::string linea; std::getline(f, linea);) {
    try {
      eventos.push_back(LeeJson(linea));
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
  return eventos;
}

std::vector<Json> Transcripcion::Eventos(const std::string& evento) const {
  std::vector<Json> filtrados;
  for (auto& e : Eventos())
    if (e["evento"].cadena == evento) filtrados.push_back(e);
  return filtrados;
}

void CargaGuion(const std::string& guion) {
  std::vector<std::string> errores;
  ui::posix::Guion::Global().Carga(ui::posix::LeeGuion(guion, errores));
  EXPECT_TRUE(errores.empty()) << errores.front();
}

bool BombeaHasta(const std::function<bool()>& condicion) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condicion()) {
    if (std::chrono::steady_clock::now() > limite) return false;
    ui::aplicacion::ProcesaMensajes();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace prueba_ui
