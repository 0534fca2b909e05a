// The save of the installation as a whole: what stops a run before anything
// of the installation is deleted, and how such a run leaves no trace.
#pragma once

#include "platform/excepciones.h"
#include "shell/UnidadVentas.h"

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

// Leaves the installation as it was before the run: this run's partial copy
// goes (every original is still in place), the Temp folder gets its earlier
// content back from Temp_V_Ant, and Temp_V_Ant goes only once that copy is
// complete.
void DeshaceGuardado(TfV& v, const EGuardadoIncompleto& e);

// The new files of a good run are on the disk before anything says so (the
// journal, the success screen) and before the earlier copies go: one flush
// of the installation's volume. Raises when it fails, so that the run takes
// its failure path instead of reporting success.
void AseguraInstalacionNueva(TfV& v);

}  // namespace staging
