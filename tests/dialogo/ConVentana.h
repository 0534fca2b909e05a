// In-process tests over a real main window: a fresh TfV for every test, the
// transcript and the shell trace in a temporary folder, the scripted user
// loaded from a text, and the Spanish number separators.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/UnidadVentas.h"
#include "tests/extremo/Arnes.h"

namespace prueba_dialogo {

namespace fs = std::filesystem;
using prueba::Json;

class ConVentana : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the scripted user's pending actions.
  void Guion(const std::string& guion);
  std::vector<Json> Eventos(const std::string& evento, const std::string& formulario = "") const;
  // Lines of the shell trace ("ABRE <url>").
  std::vector<std::string> Traza() const;
  const fs::path& Carpeta() const { return carpeta_->Ruta(); }

  TfV& V() { return *ventana_; }

 private:
  std::unique_ptr<prueba::CarpetaTemporal> carpeta_;
  std::unique_ptr<TfV> ventana_;
};

}  // namespace prueba_dialogo
