// What start-up does with copies that an earlier run left behind: a copy
// is either given back (a file goes home only where nothing is there, or is
// dropped only where the file at home already holds every byte of it) or set
// aside untouched under "Temp\Conservada_<fecha>_<hora>". Nothing here
// overwrites a file, and nothing that may be the only copy of some data is
// deleted.
#pragma once

#include "platform/texto.h"

namespace staging::apartado {

using texto::Texto;

// Gives the content of folder `copia` back to folder `destino`: an entry
// missing there is moved there (a rename, same volume); a file whose
// counterpart holds all its bytes (equal, or the copy is a shorter start of
// it: a copy cut short) is deleted; anything else stays in `copia`. Links are
// moved or kept, never entered. Folders emptied on the way are removed.
// True when nothing is left of `copia`.
bool Reintegra(const Texto& copia, const Texto& destino);

// The folders set aside by one start-up: one "Conservada_..." folder inside
// the Temp folder of the installation, created on first use.
class Conservada {
 public:
  explicit Conservada(const Texto& aplicacion) : aplicacion_(aplicacion) {}
  // Moves `origen` untouched into the folder as `nombre`. False when it
  // could not be moved; it is then where it was.
  bool Aparta(const Texto& origen, const Texto& nombre);
  // The folder, once something was moved into it; empty before.
  const Texto& Carpeta() const { return carpeta_; }

 private:
  Texto aplicacion_;
  Texto carpeta_;
};

}  // namespace staging::apartado
