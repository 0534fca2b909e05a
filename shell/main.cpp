// Entry point of the wizard: one copy per machine, then the main window, the
// data module and the message loop. The result is always 0.
#include <exception>

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "shell/UnidadVentas.h"

#ifdef ZELVANO_WIN32
#include <windows.h>
#endif

namespace {

const texto::Texto kMutexInstancia = u"Actualización Zelvano";
// The named mutex lives in the user's session; a copy started in another
// session (another user logged on, a remote desktop) would not see it.
const texto::Texto kMutexEquipo = u"Global\\Actualización Zelvano";
const texto::Texto kTituloAplicacion = u"Actualización Zelvano";

int Arranca() {
  try {
    // Both are created whatever the first answers: each one held is one
    // more copy kept out.
    const bool primeraDeLaSesion = plataforma::CreaMutexUnico(kMutexInstancia);
    const bool primeraDelEquipo = plataforma::CreaMutexUnico(kMutexEquipo);
    if (!primeraDeLaSesion || !primeraDelEquipo) {
      // Another copy is running: bring it to the front and leave quietly.
      ui::aplicacion::SetTitulo(kTituloAplicacion);
      ui::aplicacion::ActivaOtraInstancia();
      return 0;
    }
    ui::aplicacion::Inicializa();
    ui::aplicacion::SetTitulo(kTituloAplicacion);
    fV = new TfV;
    // The creation event runs once the window is fully constructed.
    fV->FormCreate();
    ui::aplicacion::SetFormularioPrincipal(fV);
    MDatos = new TMDatos;
    ui::aplicacion::Ejecuta();
  } catch (const std::exception& e) {
    ui::aplicacion::MuestraExcepcion(&e);
  } catch (...) {
    ui::aplicacion::MuestraExcepcion(nullptr);
  }
  return 0;
}

}  // namespace

#ifdef ZELVANO_WIN32
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return Arranca(); }
#else
int main() { return Arranca(); }
#endif
