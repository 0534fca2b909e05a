// Start-up after a run that did not end by itself: the journal of an
// unfinished run is found before anything else is looked at, the technician
// is told what was found and when, and the installation is put back (or the
// half-made copies of a run that had changed nothing are cleared away). Copies
// left without a usable journal are never thrown away: they are set aside.
#pragma once

class Informe;

#include "platform/texto.h"


namespace staging::recuperacion {

using texto::Texto;

// The folder holds the journal of an unfinished run: it is the installation
// even when its programs are gone (the run was cut short after deleting them).
bool HayEjecucionInacabada(const Texto& aplicacion);

// Another wizard is alive on this installation (it holds the journal's
// lock): the technician is told (kind 33), nothing is touched, and this one
// must end (false). Otherwise this process holds the lock from here on. `paraEjecutar`:
// the run is about to start, so the lock must be held (the Temp folder is
// created for it, and a lock that cannot be taken refuses the run too);
// at start-up a lock that no one could take means no one holds it.
bool CompruebaQueNoHayOtroAsistente(Informe& informe, bool paraEjecutar);

// What start-up does next.
enum class Veredicto {
  Sigue,    // there was no unfinished run, or its leftovers have been cleared
  Repone,   // the technician accepted: roll back, then end
  Termina,  // the user has been told why: end, nothing touched
};

// First step of start-up once the application folder is known.
Veredicto RevisaEjecucionInacabada(Informe& informe);

// After the version was accepted: a "Temp_V_Ant", or a backup folder that is
// not empty, left by a run without a usable journal (or by a rollback that
// could not finish) is moved untouched into "Temp\Conservada_...", named in
// the log and in a message, and start-up goes on (true). If it cannot be
// moved the wizard must refuse to start (false), having touched nothing.
bool ApartaCopiasAnteriores(Informe& informe);

}  // namespace staging::recuperacion
