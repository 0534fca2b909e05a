// The exception test hook: posix builds only; the product never raises on
// purpose.
#include "shell/GanchoPruebas.h"

#ifndef _WIN32

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/excepciones.h"
#include "platform/ui.h"
#include "shell/UnidadVentas.h"

namespace {

ui::Temporizador* temporizador = nullptr;

[[noreturn]] void Lanza(const std::string& peticion) {
  if (peticion == "programa")
    throw Exception(u"Excepci\u00F3n de prueba del programa");
  const auto coma = peticion.find(',');
  const long sqlCode = std::strtol(peticion.substr(0, coma).c_str(), nullptr, 10);
  const long codigo = std::strtol(peticion.substr(coma + 1).c_str(), nullptr, 10);
  throw EIBInterBaseError(sqlCode, codigo, u"Error de prueba de Firebird");
}

bool PeticionValida(const std::string& p) {
  if (p == "programa") return true;
  const auto coma = p.find(',');
  if (coma == std::string::npos || coma == 0 || coma + 1 == p.size()) return false;
  char* fin = nullptr;
  std::strtol(p.c_str(), &fin, 10);
  if (fin != p.c_str() + coma) return false;
  std::strtol(p.c_str() + coma + 1, &fin, 10);
  return *fin == '\0';
}

}  // namespace

void ArmaGanchoPruebas() {
  const char* valor = std::getenv("ZELVANO_PRUEBA_EXCEPCION");
  if (!valor || !*valor || temporizador) return;
  const std::string peticion = valor;
  if (!PeticionValida(peticion)) {
    std::fprintf(stderr, "ZELVANO_PRUEBA_EXCEPCION no reconocida: %s\n", valor);
    return;
  }
  temporizador = new ui::Temporizador(nullptr, "TmrPruebaExcepcion");
  temporizador->SetInterval(10);
  temporizador->OnTimer = [peticion] {
    // Only outside a run and outside any modal window: the main window is
    // then shown and enabled.
    if (!fV || !fV->Mostrado() || !fV->Enabled() || !fV->Valores) return;
    temporizador->SetEnabled(false);
    Lanza(peticion);
  };
  temporizador->SetEnabled(true);
}

#else

void ArmaGanchoPruebas() {}

#endif
