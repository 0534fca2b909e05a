// Helpers of the start-up tests: a generated installation in a fresh folder,
// the wizard started from a chosen folder as a separate process, and a
// snapshot of every file and the registry store to prove nothing changed.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/extremo/Arnes.h"
#include "tools/generador/Generador.h"

namespace prueba_arranque {

namespace fs = std::filesystem;
using prueba::Json;

class Escenario {
 public:
  Escenario();
  const fs::path& Raiz() const { return carpeta_.Ruta(); }
  fs::path Aplicacion() const { return Raiz() / "Zelvano"; }
  fs::path Registro() const { return Raiz() / "registro"; }
  fs::path Traza() const { return Raiz() / "shell.txt"; }

  // Options aimed at this scenario's folder and registry store.
  generador::Opciones Opciones() const;
  void Genera(const generador::Opciones& o) const;

  // Runs the wizard as if its executable were `ejecutable` (a full path),
  // with the scripted user `guion`. Returns the exit status.
  int Ejecuta(const fs::path& ejecutable, const std::string& guion = "");
  const std::vector<Json>& Eventos() const { return eventos_; }
  std::vector<Json> Eventos(const std::string& evento, const std::string& formulario = "") const;
  const std::string& Salida() const { return salida_; }

  // Every file under the scenario's folder (the transcript, the script and
  // the lock folder left out) with its content.
  std::map<std::string, std::string> Instantanea() const;

 private:
  prueba::CarpetaTemporal carpeta_;
  std::vector<Json> eventos_;
  std::string salida_;
};

// A control of a form event of the transcript, by name (null when missing).
const Json& Control(const Json& formulario, const std::string& nombre);

}  // namespace prueba_arranque
