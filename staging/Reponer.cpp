// Rollback: puts the saved installation back after a failed run and ends the
// program.
#include <exception>

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "shell/UnidadVentas.h"
#include "staging/BaseDatosExterna.h"
#include "staging/Carpetas.h"
#include "staging/Diario.h"
#include "staging/Guardado.h"
#include "staging/Tablas.h"

namespace {

using namespace staging;

// The files matter more than the connection: a connection that fails to
// close (the server went away) must not stop them from being restored.
void CierraBaseDatos() {
  if (!MDatos) return;
  try {
    MDatos->Cierra();
  } catch (const std::exception&) {
  }
}

// Where the technician finds the database as it was before the run, and the
// backup this run made of the migrated one.
Texto MensajeBaseDatosNoDevuelta(const basedatos_externa::Reposicion& r) {
  Texto m = textos::kBaseDatosNoDevuelta + r.fichero + u"\n" + textos::kBaseDatosAnterior + r.copia;
  const size_t barra = r.fichero.find_last_of(u"\\/");
  const Texto fbk = r.fichero.substr(0, barra == Texto::npos ? 0 : barra + 1) + textos::kFicheroCopiaBaseDatos;
  if (!r.fichero.empty() && plataforma::ExisteFichero(fbk)) m += u"\n" + (textos::kBaseDatosCopiaNueva + fbk);
  return m;
}

}  // namespace

void TfV::ReponerTodo() {
  const Texto app = RutaTPV->Text();
  const Texto copia = app + kCarpetaCopia;
  const Texto temp = app + kCarpetaTemp;
  const Texto tempAnterior = app + kCarpetaTempAnterior;

  ui::SetCursor(ui::Cursor::Normal);
  CierraBaseDatos();
  MuestraDialogo(textos::kErrorRollback, u'!', false, 0);
  Registra(textos::kInicioReponer);
  Registra(textos::kRestaurando + copia);
  double total = 0.0;

  // A saved copy is only thrown away once every file of it is back in place;
  // otherwise it is the only good copy left. Temp_V_Ant then stays as well:
  // copying it into Temp could overwrite the kept copy with an older one.
  ui::SetCursor(ui::Cursor::RelojArena);
  int fallosCopia = staging::CopiaCarpetaContando(*this, copia, app, total, basedatos_externa::EsSuCarpeta).cuenta;
  const basedatos_externa::Reposicion baseDatos = basedatos_externa::Repone(*this, copia, total);
  if (baseDatos.guardada && !baseDatos.devuelta) ++fallosCopia;
  plataforma::Duerme(2000);
  if (fallosCopia == 0 && plataforma::ExisteDirectorio(copia)) BorraCarpeta(copia);

  ui::SetCursor(ui::Cursor::RelojArena);
  int fallosTemp = 0;
  if (fallosCopia == 0) fallosTemp = staging::CopiaCarpetaContando(*this, tempAnterior, temp, total).cuenta;
  plataforma::Duerme(2000);
  const bool conservaTempAnterior = fallosCopia != 0 || fallosTemp != 0;
  if (!conservaTempAnterior && plataforma::ExisteDirectorio(tempAnterior)) BorraCarpeta(tempAnterior);

  plataforma::Duerme(2000);
  ui::SetCursor(ui::Cursor::Normal);
  // The run has ended by itself: whatever copies were kept, the next start
  // must not take it for an interrupted one.
  staging::diario::Cierra(*this);

  if (!conservaTempAnterior) {
    MuestraDialogo(textos::kRestaurado, u'I', false, 0);
  } else {
    Texto aviso = textos::kRestauracionIncompleta;
    if (fallosCopia != 0) aviso += u"\n" + (textos::kCopiaConservada + copia);
    if (baseDatos.guardada && !baseDatos.devuelta) aviso += u"\n" + MensajeBaseDatosNoDevuelta(baseDatos);
    if (plataforma::ExisteDirectorio(tempAnterior)) aviso += u"\n" + (textos::kTempConservada + tempAnterior);
    aviso += u"\n" + Texto(textos::kCopiasSinBorrar);
    MuestraDialogo(aviso, u'E', false, 0);
  }
  Finaliza();
}

namespace staging {

void DeshaceGuardado(TfV& v, const EGuardadoIncompleto& e) {
  const Texto app = v.RutaTPV->Text();
  const Texto copia = app + kCarpetaCopia;
  const Texto temp = app + kCarpetaTemp;
  const Texto tempAnterior = app + kCarpetaTempAnterior;
  // Every original is still in place, so this run's partial copy is no
  // one's only copy; a folder that held an earlier run's files stays.
  if (e.CopiaPropia() && plataforma::ExisteDirectorio(copia)) v.BorraCarpeta(copia);
  if (e.TempRotada()) {
    double total = 0.0;
    if (CopiaCarpetaContando(v, tempAnterior, temp, total).cuenta == 0) v.BorraCarpeta(tempAnterior);
  } else {
    // Neither existed before the run: what is left empty goes.
    if (CarpetaVacia(tempAnterior)) plataforma::EliminaDirectorio(tempAnterior);
    if (CarpetaVacia(temp)) plataforma::EliminaDirectorio(temp);
  }
}

}  // namespace staging
