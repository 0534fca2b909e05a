#include "tests/arranque/Entorno.h"

#include <gtest/gtest.h>

namespace prueba_arranque {

namespace {

const char* const kNoEntran[] = {"transcripcion.jsonl", "guion", "mutex", "c", "registro.lock"};

bool Excluido(const fs::path& relativo) {
  const std::string primero = relativo.begin()->string();
  for (const char* n : kNoEntran)
    if (primero == n) return true;
  return false;
}

}  // namespace

Escenario::Escenario() = default;

generador::Opciones Escenario::Opciones() const {
  generador::Opciones o;
  o.destino = Aplicacion();
  o.almacenRegistro = Registro();
  o.nombrePC = "PC1";
  o.nombreServidor = "SERVIDOR";
  return o;
}

void Escenario::Genera(const generador::Opciones& o) const { generador::GeneraInstalacion(o); }

int Escenario::Ejecuta(const fs::path& ejecutable, const std::string& guion) {
  const fs::path transcripcion = Raiz() / "transcripcion.jsonl";
  fs::remove(transcripcion);
  prueba::EscribeFichero(Raiz() / "guion", guion);
  fs::create_directories(Raiz() / "mutex");
  fs::create_directories(Raiz() / "c");
  const std::map<std::string, std::string> entorno = {
      {"ZELVANO_REGISTRO", Registro().string()},
      {"ZELVANO_RUTA_EJECUTABLE", ejecutable.string()},
      {"ZELVANO_GUION", (Raiz() / "guion").string()},
      {"ZELVANO_TRANSCRIPCION", transcripcion.string()},
      {"ZELVANO_NOMBRE_EQUIPO", "PC1"},
      {"ZELVANO_FACTOR_PAUSAS", "0"},
      {"ZELVANO_DIR_MUTEX", (Raiz() / "mutex").string()},
      {"ZELVANO_UNIDAD_C", (Raiz() / "c").string()},
      {"ZELVANO_TRAZA_SHELL", Traza().string()},
      {"ZELVANO_PRUEBA_EXCEPCION", ""},
      {"ZELVANO_ESPERA_MAXIMA", "20"},
  };
  const prueba::Resultado r = prueba::Ejecuta((prueba::DirBuild() / "Act_202103_a_202128").string(), {}, entorno);
  salida_ = r.salida;
  eventos_ = fs::exists(transcripcion) ? prueba::LeeTranscripcion(transcripcion) : std::vector<Json>{};
  return r.estado;
}

std::vector<Json> Escenario::Eventos(const std::string& evento, const std::string& formulario) const {
  return prueba::Eventos(eventos_, evento, formulario);
}

std::map<std::string, std::string> Escenario::Instantanea() const {
  std::map<std::string, std::string> r;
  for (const auto& e : fs::recursive_directory_iterator(Raiz())) {
    const fs::path relativo = fs::relative(e.path(), Raiz());
    if (Excluido(relativo)) continue;
    r[relativo.string()] = e.is_directory() ? "<carpeta>" : prueba::LeeFichero(e.path());
  }
  return r;
}

const Json& Control(const Json& formulario, const std::string& nombre) {
  static const Json nulo;
  for (const Json& c : formulario["controles"].lista)
    if (c.Texto("nombre") == nombre) return c;
  return nulo;
}

}  // namespace prueba_arranque
