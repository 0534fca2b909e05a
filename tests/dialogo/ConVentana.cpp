#include "tests/dialogo/ConVentana.h"

#include <cstdlib>
#include <sstream>

#include "platform/plataforma.h"
#include "platform/posix/ui_posix.h"

namespace prueba_dialogo {

void ConVentana::SetUp() {
  carpeta_ = std::make_unique<prueba::CarpetaTemporal>();
  // The C locale stands for the Spanish separators (decimal comma, thousands point).
  ::setenv("LC_ALL", "C", 1);
  plataforma::ConfiguracionRegionalCambiada();
  ::setenv("ZELVANO_NOMBRE_EQUIPO", "PC1", 1);
  ::setenv("ZELVANO_FACTOR_PAUSAS", "0", 1);
  ::setenv("ZELVANO_ESPERA_MAXIMA", "20", 1);
  ::setenv("ZELVANO_TRAZA_SHELL", (Carpeta() / "shell.txt").c_str(), 1);
  ui::posix::ReiniciaTranscripcion();
  ::setenv("ZELVANO_TRANSCRIPCION", (Carpeta() / "transcripcion.jsonl").c_str(), 1);
  Guion("");
  ventana_ = std::make_unique<TfV>();
  fV = ventana_.get();
  fV->Valores->RutaAplicacion = texto::DeUtf8(Carpeta().string() + "/");
}

void ConVentana::TearDown() {
  fV = nullptr;
  ventana_.reset();
  ui::posix::ReiniciaTranscripcion();
  for (const char* v : {"LC_ALL", "ZELVANO_NOMBRE_EQUIPO", "ZELVANO_FACTOR_PAUSAS", "ZELVANO_ESPERA_MAXIMA",
                        "ZELVANO_TRAZA_SHELL", "ZELVANO_TRANSCRIPCION"})
    ::unsetenv(v);
  plataforma::ConfiguracionRegionalCambiada();
  carpeta_.reset();
}

void ConVentana::Guion(const std::string& guion) {
  std::vector<std::string> errores;
  ui::posix::Guion::Global().Carga(ui::posix::LeeGuion(guion, errores));
  for (const std::string& e : errores) ADD_FAILURE() << "guion: " << e;
}

std::vector<Json> ConVentana::Eventos(const std::string& evento, const std::string& formulario) const {
  const fs::path t = Carpeta() / "transcripcion.jsonl";
  if (!fs::exists(t)) return {};
  return prueba::Eventos(prueba::LeeTranscripcion(t), evento, formulario);
}

std::vector<std::string> ConVentana::Traza() const {
  std::vector<std::string> lineas;
  std::istringstream s(prueba::LeeFichero(Carpeta() / "shell.txt"));
  for (std::string l; std::getline(s, l);) lineas.push_back(l);
  return lineas;
}

}  // namespace prueba_dialogo
