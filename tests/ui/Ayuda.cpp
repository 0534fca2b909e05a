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
