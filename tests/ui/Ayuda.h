// Helpers of the UI layer tests: a small JSON reader for the transcript, a
// temporary transcript file, and the scripted user loaded from a text.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/extremo/Json.h"

namespace prueba_ui {

using Json = prueba::Json;
using prueba::LeeJson;

// Points ZELVANO_TRANSCRIPCION to a fresh file for the life of the object.
class Transcripcion {
 public:
  Transcripcion();
  ~Transcripcion();
  // Every line, parsed (a line that is not valid JSON fails the test).
  std::vector<Json> Eventos() const;
  std::vector<Json> Eventos(const std::string& evento) const;
  const std::filesystem::path& Ruta() const { return ruta_; }

 private:
  std::filesystem::path ruta_;
};

// Replaces the scripted user's pending actions with those of `guion`.
void CargaGuion(const std::string& guion);

// Pumps messages until `condicion` holds or a generous bound passes; returns
// the condition's last value.
bool BombeaHasta(const std::function<bool()>& condicion);

}  // namespace prueba_ui
