// The save of the installation as a whole: what stops a run before anything
// of the installation is deleted, and how such a run leaves no trace.
#pragma once

#include "platform/excepciones.h"
#include "system/Informe.h"

namespace staging {

// The save could not be completed, so nothing may be deleted: the message
// tells the user why and what to do. Raised before the first deletion of an
// installation file; the run driver undoes the save and ends the program.
class EGuardadoIncompleto : public Exception {
 public:
  EGuardadoIncompleto(texto::Texto mensaje, bool tempRotada, bool copiaPropia, bool reintentable = false)
      : Exception(std::move(mensaje)), tempRotada_(tempRotada), copiaPropia_(copiaPropia), reintentable_(reintentable) {}
  const char* ClassName() const override { return "EGuardadoIncompleto"; }
  const char* UnitName() const override { return "UnidadVentas"; }
  // The Temp folder's earlier content was copied into Temp_V_Ant.
  bool TempRotada() const { return tempRotada_; }
  // The backup folder holds only this run's copies (it was empty when the
  // run began using it), so it may go.
  bool CopiaPropia() const { return copiaPropia_; }
  // The technician can put the cause right and start again from the main
  // window, which the wizard leaves open.
  bool Reintentable() const { return reintentable_; }

 private:
  bool tempRotada_;
  bool copiaPropia_;
  bool reintentable_;
};

// What the save asks of the run driver.
enum class FinGuardado {
  Hecho,    // the installation is saved and the new files are in place
  Reponer,  // a program file could not be deleted (the user was told): roll back
};

// Saves the installation and stages the new program files (TfV::Guarda_Datos).
// Raises EGuardadoIncompleto before the first deletion when the save is not
// complete; any other exception of a step passes out to the caller.
FinGuardado GuardaDatos(Informe& informe);

// Puts every saved file back and tells the user what came of it
// (TfV::ReponerTodo, which then ends the program). `trasInterrupcion`: a
// start-up putting right an earlier run, days later maybe; the database may
// then hold sales made since, and is kept aside. Otherwise the run that
// failed migrated it itself, alone on it.
void ReponeTodo(Informe& informe, bool trasInterrupcion);

// Leaves the installation as it was before the run: this run's partial copy
// goes (every original is still in place), the Temp folder gets its earlier
// content back from Temp_V_Ant, and Temp_V_Ant goes only once that copy is
// complete.
void DeshaceGuardado(Informe& informe, const EGuardadoIncompleto& e);

// The new files of a good run are on the disk before anything says so (the
// journal, the success screen) and before the earlier copies go: one flush
// of the installation's volume. Raises when it fails, so that the run takes
// its failure path instead of reporting success.
void AseguraInstalacionNueva(Informe& informe);

}  // namespace staging
