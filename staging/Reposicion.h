// The rollback's put-back, file by file: a saved file goes back only when it
// still holds the bytes the manifest recorded; a file in place that already
// holds them is left alone; one that differs and that the run did not write
// (the shop's own newer data) is first moved aside untouched into
// "Temp\Conservada_...", so that putting the installation back never
// discards anything.
#pragma once

class Informe;

#include <map>
#include <set>
#include <vector>

#include "staging/Apartado.h"
#include "staging/Carpetas.h"
#include "staging/Manifiesto.h"


namespace staging::reposicion {

// The saved files below `carpeta` that do not hold what the manifest
// recorded for them (or have no entry): they are not to be copied anywhere.
FallosCopia Danados(const manifiesto::Manifiesto& m, const Texto& carpeta);

// "No se ha podido devolver a su sitio ..." naming the count and the first.
Texto MensajeDanados(const FallosCopia& danados);
// Why the saved copy was not used, and where the files in place that had
// changed since the save were kept (+ folder).
extern const char16_t* const kCopiaDanada;
extern const char16_t* const kConservadosCambiados;

// What the run itself writes over the installation: the files of the
// embedded archive, by path relative to the application folder. A file in
// place that holds exactly an archive file's bytes was written by the run.
class EscritosPorLaEjecucion {
 public:
  static EscritosPorLaEjecucion DelArchivo();
  bool LoEscribio(const Texto& relativa, const Texto& fichero) const;
  // A file the run changed whatever it now holds: the database the run
  // itself migrated, when the rollback follows the failure in the same run.
  void AnadeCualquierContenido(const Texto& relativa);

 private:
  std::map<Texto, manifiesto::Entrada> entradas_;
  std::vector<Texto> rutas_;  // as the archive spells them
  std::set<Texto> cualquierContenido_;
  friend void ApartaRestos(Informe&, const Texto&, const Texto&, const EscritosPorLaEjecucion&, apartado::Conservada&,
                          FallosCopia&);
};

struct Resultado {
  FallosCopia noRepuestos;  // saved files that are not back in place
  int apartados = 0;        // files in place moved aside first
};

// Puts the files of the saved folder `origen` back into `destino` (with the
// log lines and the size panel of a folder copy). `relativo` is `destino`
// relative to the application folder ("" or "Temp"), to name what is set
// aside. Every saved file must already have been checked with Danados.
// `omite`, when given, names entries of `origen` itself that stay where they
// are (as in CopiaCarpetaContando).
Resultado Repone(Informe& informe, const Texto& origen, const Texto& destino, const Texto& relativo, double& total,
                 const EscritosPorLaEjecucion& escritos, apartado::Conservada& conservada, Omision omite = nullptr);

// The files the archive brought where nothing was before the run (nothing
// of them in the saved copy `copia`) that no longer hold the archive's bytes:
// a power cut left them empty or short. They are moved aside untouched, like
// newer data, so that no broken file stays in the installation. Only after
// a whole save (which holds every file the archive writes over). One that
// cannot be moved is counted as not put back in `noRepuestos`.
void ApartaRestos(Informe& informe, const Texto& copia, const Texto& app, const EscritosPorLaEjecucion& escritos,
                 apartado::Conservada& conservada, FallosCopia& noRepuestos);
// The file `relativa` of the installation, when the saved copy `copia` has
// nothing of it (the run made it), moved aside untouched like those above.
void ApartaSiNoSeGuardo(Informe& informe, const Texto& copia, const Texto& app, const Texto& relativa,
                        apartado::Conservada& conservada, FallosCopia& noRepuestos);

}  // namespace staging::reposicion
