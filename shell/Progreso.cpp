// The live indicators of a run: the progress bar and the change counter that
// follow the process log, and the elapsed-time clock.
#include "platform/plataforma.h"
#include "shell/Cronometro.h"
#include "shell/UnidadVentas.h"

void TfV::MemoBackupChange() {
  // The bar clamps at its maximum; the counter shows the bar's value.
  PB7->SetPosition(PB7->Position() + 1);
  ST_R->SetCaption(texto::FormatoMiles(PB7->Position()));
  ST_R->Repaint();
}

void TfV::Timer1Timer() {
  ContadorFin = plataforma::ContadorRendimiento();
  SegundosTranscurridos = SegundosEntre(ContadorInicio, ContadorFin, FrecuenciaContador);
  ST_Tiempo->SetCaption(texto::FormatoReloj(SegundosTranscurridos));
  // Painted at once: the run keeps the thread busy between pumps.
  ST_Tiempo->Repaint();
  ui::aplicacion::ProcesaMensajes();
}
