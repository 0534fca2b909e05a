// The manifest of the saved copy: for every file the run saved (into the
// backup folder or, from the Temp folder, into Temp_V_Ant), its path, size
// and CRC-32, in a durable file beside the journal. A saved copy is trusted
// only when its bytes are still those the manifest recorded: a power cut can
// leave a saved file empty or short even though the journal says it was
// saved, and such a file must never be copied over anything.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "platform/texto.h"

namespace staging::manifiesto {

using texto::Texto;

struct Entrada {
  uint64_t tamano = 0;
  uint32_t crc = 0;
};

// The size and CRC-32 of a file, read in pieces. False when it cannot be
// read whole.
bool Huella(const Texto& fichero, Entrada& huella);

class Manifiesto {
 public:
  // The manifest of the installation in `aplicacion` (ending with a
  // separator), as it is on the disk; empty when there is none.
  static Manifiesto Lee(const Texto& aplicacion);
  explicit Manifiesto(Texto aplicacion) : aplicacion_(std::move(aplicacion)) {}

  // Records every file below `carpeta` (inside the application folder)
  // that has no entry yet. `ilegible` receives the first file that could
  // not be read, and the count grows by one for each.
  // `como`, when given, is where the folder will be saved: its files are
  // recorded under that path (a folder about to be moved into the copy).
  void AnotaCarpeta(const Texto& carpeta, int& ilegibles, Texto& ilegible, const Texto& como = Texto());
  // Records `fichero` under the path `como`. False when it cannot be read.
  bool AnotaFichero(const Texto& fichero, const Texto& como);
  // Writes the manifest durably. False when it could not be written.
  bool Guarda() const;

  // The saved file `fichero` (a full path) holds the bytes recorded for it.
  // A file with no entry does not.
  bool Coincide(const Texto& fichero) const;
  // `fichero` holds the bytes recorded for the saved file `guardado`.
  bool TieneLoGuardado(const Texto& guardado, const Texto& fichero) const;
  // The entry of `fichero`, when there is one.
  const Entrada* Busca(const Texto& fichero) const;
  bool Vacio() const { return entradas_.empty(); }

 private:
  Texto Relativa(const Texto& fichero) const;
  Texto aplicacion_;
  std::map<Texto, Entrada> entradas_;  // by path relative to the application folder
};

// Full path of the manifest of the installation in `aplicacion`.
Texto Ruta(const Texto& aplicacion);

}  // namespace staging::manifiesto
