// The transcript of the posix backend: one JSON object per line, UTF-8,
// flushed after every event because the process may end with _exit.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/ui_posix.h"

namespace ui::posix {

namespace {

std::FILE*& Fichero() {
  static std::FILE* fichero = nullptr;
  return fichero;
}

void Linea(std::string& s, const Control& c, const std::string& miembros) {
  if (s.back() != '[') s += ',';
  s += "{\"nombre\":" + Json(c.Nombre()) + ",\"clase\":" + Json(c.ClassName()) + miembros + "}";
}

std::string Lineas(const std::vector<Texto>& lineas) {
  std::string s = "[";
  for (size_t i = 0; i < lineas.size(); ++i) s += (i ? "," : "") + Json(lineas[i]);
  return s + "]";
}

// Visible texts in declaration order, depth first.
void Controles(const Control& padre, std::string& s) {
  for (const Control* c : padre.Hijos()) {
    if (!c->Visible()) continue;
    if (auto* e = dynamic_cast<const Etiqueta*>(c)) {
      Linea(s, *c, ",\"texto\":" + Json(e->Caption()) +
                       (e->Parpadeo() ? ",\"parpadeo\":true" : ""));
    } else if (auto* ed = dynamic_cast<const Edicion*>(c)) {
      Linea(s, *c, ",\"texto\":" + Json(ed->Text()));
    } else if (auto* m = dynamic_cast<const Memo*>(c)) {
      Linea(s, *c, ",\"lineas\":" + Lineas(m->Lines()));
    } else if (auto* r = dynamic_cast<const TextoEnriquecido*>(c)) {
      Linea(s, *c, ",\"lineas\":" + Lineas(r->Lines()) +
                       ",\"lineas_mostradas\":" + std::to_string(r->LineasMostradas()));
    } else if (auto* k = dynamic_cast<const Casilla*>(c)) {
      Linea(s, *c, ",\"texto\":" + Json(k->Caption()) +
                       ",\"marcada\":" + (k->Checked() ? "true" : "false"));
    } else if (auto* im = dynamic_cast<const Imagen*>(c)) {
      Linea(s, *c, ",\"imagen\":" + Json(im->Tira()) + ",\"indice\":" + std::to_string(im->Indice()));
    } else if (auto* b = dynamic_cast<const Boton*>(c)) {
      Linea(s, *c, ",\"texto\":" + Json(b->Caption()) +
                       ",\"habilitado\":" + (b->Enabled() ? "true" : "false"));
    }
    Controles(*c, s);
  }
}

}  // namespace

std::string Json(const std::string& utf8) {
  std::string s = "\"";
  for (unsigned char ch : utf8) {
    switch (ch) {
      case '"': s += "\\\""; break;
      case '\\': s += "\\\\"; break;
      case '\n': s += "\\n"; break;
      case '\r': s += "\\r"; break;
      case '\t': s += "\\t"; break;
      default:
        if (ch < 0x20) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\u%04x", ch);
          s += hex;
        } else {
          s += static_cast<char>(ch);
        }
    }
  }
  return s + "\"";
}

std::string Json(const Texto& t) { return Json(texto::AUtf8(t)); }

void Escribe(const std::string& cuerpo) {
  std::FILE*& f = Fichero();
  if (!f) {
    const char* ruta = std::getenv("ZELVANO_TRANSCRIPCION");
    if (!ruta || !*ruta) return;
    f = std::fopen(ruta, "a");
    if (!f) {
      std::fprintf(stderr, "No puedo abrir la transcripción %s\n", ruta);
      return;
    }
  }
  std::fputs(("{" + cuerpo + "}\n").c_str(), f);
  std::fflush(f);
}

void ReiniciaTranscripcion() {
  if (Fichero()) std::fclose(Fichero());
  Fichero() = nullptr;
}

void AnotaFormulario(Formulario& f, bool modal) {
  std::string controles = "[";
  Controles(f, controles);
  controles += "]";
  Escribe("\"evento\":\"formulario\",\"formulario\":" + Json(f.Nombre()) +
          ",\"titulo\":" + Json(f.Caption()) + ",\"ancho\":" + std::to_string(f.Width()) +
          ",\"alto\":" + std::to_string(f.Height()) + ",\"modal\":" + (modal ? "true" : "false") +
          ",\"controles\":" + controles);
}

}  // namespace ui::posix

namespace ui {

void AnotaTranscripcion(const std::string& evento,
                        const std::vector<std::pair<std::string, Texto>>& campos) {
  std::string cuerpo = "\"evento\":" + posix::Json(evento);
  for (const auto& [nombre, valor] : campos) cuerpo += "," + posix::Json(nombre) + ":" + posix::Json(valor);
  posix::Escribe(cuerpo);
}

}  // namespace ui
