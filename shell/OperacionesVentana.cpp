// The main window's operations on the installation: each hands the work to
// the staging or system code, which reports through the window as one
// Informe and reads the run's facts from it; the window keeps only what is
// its own to do: ending the program.
#include "shell/UnidadVentas.h"
#include "staging/Carpetas.h"
#include "staging/Guardado.h"
#include "staging/Procesos.h"
#include "system/Registro.h"

void TfV::Guarda_Datos() {
  // A program file that could not be deleted: the user has been told, and
  // the whole run is undone.
  if (staging::GuardaDatos(*this) == staging::FinGuardado::Reponer) ReponerTodo();
}

void TfV::ReponerTodo(bool trasInterrupcion) {
  staging::ReponeTodo(*this, trasInterrupcion);
  Finaliza();
}

void TfV::CopiaCarpeta(const Texto& origen, const Texto& destino, double& total) {
  staging::CopiaCarpetaContando(*this, origen, destino, total);
}

bool TfV::BorraCarpeta(const Texto& carpeta) { return staging::BorraCarpeta(*this, carpeta); }

bool TfV::EjecutaYEspera(const Texto& lineaComandos, uint32_t* codigoSalida) {
  return staging::EjecutaYEspera(lineaComandos, codigoSalida);
}

bool TfV::CierraProceso(const Texto& ejecutable) { return staging::CierraProceso(ejecutable); }

void TfV::ActualizaRegistro() { registro::ActualizaRegistro(Valores->ClaveRegistro, RutaTPV->Text()); }

void TfV::AsociaPdf() { registro::AsociaPdf(); }
