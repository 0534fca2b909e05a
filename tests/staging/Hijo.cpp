// When this test binary is started by prueba::Ejecuta, it does not run tests:
// it builds the main window, points it at the installation named in its
// environment and runs one staging operation, recording every process-log
// line as it is added (the operation may end the process).
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "database/ModuloDatos.h"
#include "platform/excepciones.h"
#include "platform/ui.h"
#include "shell/UnidadVentas.h"
#include "tests/staging/Entorno.h"

namespace {

std::string Variable(const char* nombre) {
  const char* v = std::getenv(nombre);
  return v ? v : "";
}

void AnadeAFichero(const std::string& fichero, const std::string& texto) {
  std::ofstream f(fichero, std::ios::binary | std::ios::app);
  f << texto << '\n';
}

[[noreturn]] void EjecutaOperacion(const std::string& modo) {
  const std::string lineas = Variable("ZELVANO_STAGING_LINEAS");
  const std::string excepcion = Variable("ZELVANO_STAGING_EXCEPCION");
  ui::aplicacion::Inicializa();
  fV = new TfV();
  MDatos = new TMDatos();
  const Texto app = texto::DeUtf8(Variable("ZELVANO_STAGING_APLICACION"));
  fV->RutaTPV->SetText(app);
  fV->Valores->RutaAplicacion = app;
  fV->NombrePC->SetText(texto::DeUtf8(Variable("ZELVANO_STAGING_PC")));
  fV->NombreServidor->SetText(texto::DeUtf8(Variable("ZELVANO_STAGING_SERVIDOR")));
  if (!Variable("ZELVANO_STAGING_BASE").empty()) {
    MDatos->SetNombreBaseDatos(texto::DeUtf8(Variable("ZELVANO_STAGING_BASE")));
  }
  std::function<void()> previo = fV->MemoBackup->OnChange;
  fV->MemoBackup->OnChange = [previo, lineas] {
    if (previo) previo();
    AnadeAFichero(lineas, texto::AUtf8(fV->MemoBackup->Lines().back()));
  };
  try {
    if (modo == "reponer") fV->ReponerTodo();
    fV->Guarda_Datos();
  } catch (const Exception& e) {
    AnadeAFichero(excepcion, std::string(e.ClassName()) + ": " + e.what());
    _exit(prueba::kLanzoExcepcion);
  } catch (const std::exception& e) {
    AnadeAFichero(excepcion, std::string("std::exception: ") + e.what());
    _exit(prueba::kLanzoExcepcion);
  }
  _exit(prueba::kDevolvioNormal);
}

class EntornoHijo : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string modo = Variable("ZELVANO_STAGING_MODO");
    if (!modo.empty()) EjecutaOperacion(modo);
  }
};

const ::testing::Environment* const entorno = ::testing::AddGlobalTestEnvironment(new EntornoHijo);

}  // namespace
