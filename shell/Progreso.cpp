// The live indicators of a run: progress bar, change counter, clock.
#include "shell/UnidadVentas.h"

void TfV::MemoBackupChange() {}
void TfV::Timer1Timer() {}
