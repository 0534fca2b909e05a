// Start-up after a run that did not end by itself: the journal of an
// unfinished run is found before anything else is looked at, the technician
// is told what was found and when, and the installation is put back (or the
// half-made copies of a run that had changed nothing are cleared away). Copies
// left without a usable journal are never thrown away: they are set aside.
#pragma once

#include "platform/texto.h"

class TfV;

namespace staging::recuperacion {

using texto::Texto;

// The folder holds the journal of an unfinished run: it is the installation
// even when its programs are gone (the run was cut short after deleting them).
bool HayEjecucionInacabada(const Texto& aplicacion);

// Another wizard is alive on this installation (it holds the journal's
// lock): the technician is told (kind 33), nothing is touched, and this one
// ends. Otherwise this process holds the lock from here on. `paraEjecutar`:
// the run is about to start, so the lock must be held (the Temp folder is
// created for it, and a lock that cannot be taken refuses the run too);
// at start-up a lock that no one could take means no one holds it.
void CompruebaQueNoHayOtroAsistente(TfV& v, bool paraEjecutar);

// First step of start-up once the application folder is known. Returns when
// start-up may go on: there was no unfinished run, or its leftovers have been
// cleared. Otherwise it ends the process (after the rollback, or when the
// technician declines it).
void RevisaEjecucionInacabada(TfV& v);

// After the version was accepted: a "Temp_V_Ant", or a backup folder that is
// not empty, left by a run without a usable journal (or by a rollback that
// could not finish) is moved untouched into "Temp\Conservada_...", named in
// the log and in a message, and start-up goes on. If it cannot be moved the
// wizard refuses to start and touches nothing.
void ApartaCopiasAnteriores(TfV& v);

}  // namespace staging::recuperacion
