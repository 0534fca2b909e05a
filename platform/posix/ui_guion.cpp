// The scripted user of the posix backend: one action per line, '#' comments.
#include <sstream>

#include "platform/posix/ui_posix.h"

namespace ui::posix {

bool NombreTecla(const std::string& nombre, Tecla& tecla) {
  static const std::pair<const char*, Tecla> kTeclas[] = {
      {"Tab", Tecla::Tab},         {"Mayus+Tab", Tecla::MayusTab}, {"Intro", Tecla::Intro},
      {"Enter", Tecla::Intro},     {"Espacio", Tecla::Espacio},    {"Escape", Tecla::Escape},
  };
  for (const auto& [n, t] : kTeclas) {
    if (nombre == n) {
      tecla = t;
      return true;
    }
  }
  return false;
}

std::vector<Accion> LeeGuion(const std::string& contenido, std::vector<std::string>& errores) {
  std::vector<Accion> acciones;
  std::istringstream entrada(contenido);
  std::string linea;
  int numero = 0;
  while (std::getline(entrada, linea)) {
    ++numero;
    const auto almohadilla = linea.find('#');
    if (almohadilla != std::string::npos) linea.erase(almohadilla);
    std::istringstream palabras(linea);
    std::vector<std::string> p;
    for (std::string w; palabras >> w;) p.push_back(w);
    if (p.empty()) continue;
    const auto error = [&](const std::string& que) {
      errores.push_back("línea " + std::to_string(numero) + ": " + que + ": " + linea);
    };
    if (p.size() < 2) {
      error("falta la acción");
      continue;
    }
    Accion a{p[0], p[1], "", numero};
    if (a.verbo == "espera" || a.verbo == "cierra") {
      if (p.size() != 2) {
        error("\"" + a.verbo + "\" no lleva control");
        continue;
      }
    } else if (a.verbo == "pulsa-tecla" || a.verbo == "pulsa-tecla-bloqueada") {
      Tecla t{};
      if (p.size() != 3 || !NombreTecla(p[2], t)) {
        error("\"" + a.verbo + "\" lleva una tecla: Tab, Mayus+Tab, Intro, Espacio o Escape");
        continue;
      }
      a.control = p[2];
    } else if (a.verbo == "marca" || a.verbo == "desmarca" || a.verbo == "pulsa" || a.verbo == "pulsa-durante") {
      if (p.size() != 3) {
        error("\"" + a.verbo + "\" lleva exactamente un control");
        continue;
      }
      a.control = p[2];
    } else {
      error("acción desconocida \"" + a.verbo + "\"");
      continue;
    }
    acciones.push_back(std::move(a));
  }
  return acciones;
}

Guion& Guion::Global() {
  static Guion guion;
  return guion;
}

void Guion::Carga(std::vector<Accion> acciones) {
  acciones_ = std::move(acciones);
  siguiente_ = 0;
}

const Accion* Guion::Siguiente() const {
  return siguiente_ < acciones_.size() ? &acciones_[siguiente_] : nullptr;
}

void Guion::Consume() {
  if (siguiente_ < acciones_.size()) ++siguiente_;
}

}  // namespace ui::posix
