// Fixed names and texts of the save-and-stage step and of the rollback.
// Every list lives here once; the steps iterate over them.
#pragma once

#include <cstdint>

#include "platform/texto.h"

namespace staging {

using texto::Texto;

// Folders inside the application folder (which ends with a separator).
extern const char16_t* const kCarpetaTemp;          // hidden folder of saved copies
extern const char16_t* const kCarpetaTempAnterior;  // previous Temp content during the run
extern const char16_t* const kCarpetaCopia;         // this update's backup folder
extern const char16_t* const kCarpetaDatos;         // the product's data folder
extern const char16_t* const kFicheroBaseDatos;     // the database file in it

// Entries of the Temp folder that outlive its rotation: the run's journal
// and the copies set aside from runs that did not end well. The rotation
// neither copies them into Temp_V_Ant nor deletes them, so a later
// successful run cannot throw them away with Temp_V_Ant.
extern const char16_t* const kDiario;             // file name inside Temp
extern const char16_t* const kBloqueoDiario;      // file name inside Temp, held by a live wizard
extern const char16_t* const kManifiesto;         // file name inside Temp
extern const char16_t* const kPrefijoConservada;  // folder names inside Temp
bool SeConservaEnTemp(const Texto& nombre);

// The embedded archive and the tool that unpacks it.
extern const char16_t* const kFicheroArchivo;
extern const char16_t* const kHerramientaExtraccion;
extern const char16_t* const kRecursoArchivo;
constexpr uint16_t kTipoRecursoDatos = 10;   // RCDATA
constexpr uint16_t kIdiomaRecurso = 3082;    // Spanish (Spain)

// Programs that are stopped before the save and deleted after it, in order,
// with the message shown when one is still running and cannot be deleted.
struct ProgramaEnEjecucion {
  const char16_t* ejecutable;
  const char16_t* mensajeEnUso;
};
extern const ProgramaEnEjecucion kProgramas[3];

// Program files saved one by one into the backup folder, in order.
extern const char16_t* const kFicherosPrograma[4];

// Configuration files saved only when present, in order.
extern const char16_t* const kFicherosConfiguracion[2];

// Folders saved whole, in order (relative to the application folder).
extern const char16_t* const kCarpetasGuardadas[2];
// Folder of the backup that holds the database file when it lies outside them.
extern const char16_t* const kCarpetaBaseDatosExterna;

// Obsolete files: deleted when present, the text logged in any case.
struct FicheroObsoleto {
  const char16_t* ruta;
  const char16_t* texto;
};
extern const FicheroObsoleto kFicherosObsoletos[11];

// Restore points looked at: Datos\0.NBK ... Datos\60.NBK.
constexpr int kUltimoPuntoRestauracion = 60;

// The local copy of the database, deleted on client machines only. The names
// start with a separator, so the path carries a doubled one.
extern const char16_t* const kBaseDatosLocal[2];

// Obsolete folders: deleted when present, the text logged in any case, then
// the extra pause of the row.
struct CarpetaObsoleta {
  const char16_t* ruta;
  const char16_t* texto;
  uint32_t pausaExtra;
};
extern const CarpetaObsoleta kCarpetasObsoletas[5];

// Texts of the save step and of the rollback.
namespace textos {
extern const char16_t* const kInicioGuardaDatos;
extern const char16_t* const kGuardandoTemp;
extern const char16_t* const kEliminadoTemp;
extern const char16_t* const kCreandoTemporal;
extern const char16_t* const kCopiando;          // "Copiando " + name + " a " + folder
extern const char16_t* const kCopiandoA;
extern const char16_t* const kPuntoRestauracion;
extern const char16_t* const kPuntoBorrado;
extern const char16_t* const kEliminado;         // "Eliminado " + local database name
extern const char16_t* const kArchivoAntiguo;
extern const char16_t* const kExtrayendo;
extern const char16_t* const kArchivoBorrado;
extern const char16_t* const kProcedimientoNivel;  // + number + ");"

extern const char16_t* const kCopiandoFichero;   // "Copiando... " + source
extern const char16_t* const kFicheroA;          // "a " + destination + "· OK"
extern const char16_t* const kFicheroOk;
extern const char16_t* const kEnlaceNoCopiado;

extern const char16_t* const kErrorRollback;
extern const char16_t* const kInicioReponer;
extern const char16_t* const kRestaurando;
extern const char16_t* const kRestaurado;
extern const char16_t* const kRestauracionIncompleta;
extern const char16_t* const kCopiaConservada;
// The database file the server kept open: its saved copy + path, where it
// goes + path, what to do.
extern const char16_t* const kBaseDatosSinReponer;
extern const char16_t* const kBaseDatosSinReponerHacia;
extern const char16_t* const kBaseDatosSinReponerFin;
extern const char16_t* const kTempConservada;
extern const char16_t* const kBaseDatosNoDevuelta;   // + database file
extern const char16_t* const kBaseDatosAnterior;     // + its saved copy
extern const char16_t* const kBaseDatosCopiaNueva;   // + QVD.FBK
extern const char16_t* const kFicheroCopiaBaseDatos;

// Why a run stops before anything is deleted, and what to do.
extern const char16_t* const kNoGuardadoUno;       // + path
extern const char16_t* const kNoGuardadosAntes;    // + count + kNoGuardadosDespues + path
extern const char16_t* const kNoGuardadosDespues;
extern const char16_t* const kNadaCambiado;
extern const char16_t* const kYReintentar;         // ends a request to close something, then a new line
extern const char16_t* const kQueHacerGuardadoUno;  // when one file could not be saved
extern const char16_t* const kQueHacerGuardado;      // when several could not
extern const char16_t* const kCopiaOcupada;        // + folder
extern const char16_t* const kQueHacerCopiaOcupada;
extern const char16_t* const kSinDiario;           // + journal path
extern const char16_t* const kQueHacerDiario;

// A configuration that names this computer as the database server but
// gives it another local name: the run would take the server for a client.
extern const char16_t* const kPapelContradictorio;
extern const char16_t* const kPapelServidor;   // + configured server name
extern const char16_t* const kPapelLocal;      // + configured local name
extern const char16_t* const kPapelEsteEquipo;  // + this computer's name
extern const char16_t* const kSinNombre;        // in place of an empty name
extern const char16_t* const kQueHacerPapelAntes;  // + this computer's name + kQueHacerPapelDespues
extern const char16_t* const kQueHacerPapelDespues;

// Why the unpacking of the new files does not count as done.
extern const char16_t* const kArchivoDanado;
extern const char16_t* const kExtraccionSinIniciar;  // + tool path
extern const char16_t* const kExtraccionFallida;     // + exit code + ")."
extern const char16_t* const kExtraccionIncompleta;  // + missing path

extern const char16_t* const kCopiasSinBorrar;
extern const char16_t* const kNoVolcado;

extern const char16_t* const kSinRecurso;
extern const char16_t* const kSinFichero;
}  // namespace textos

}  // namespace staging
