// The platform layer: every file, registry, profile-file, version-resource,
// process, clock and resource operation of the wizard goes through here and
// nowhere else. Two backends: win32 (the product) and posix (Linux, for tests
// and the demo). Paths keep the wizard's own form (backslashes, folder texts
// ending with a separator); the posix backend turns backslashes into slashes
// at this boundary.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/texto.h"

namespace plataforma {

using texto::Texto;

// ---- Files ---------------------------------------------------------------
constexpr uint32_t ATR_SOLO_LECTURA = 0x01;
constexpr uint32_t ATR_OCULTO = 0x02;
constexpr uint32_t ATR_SISTEMA = 0x04;
constexpr uint32_t ATR_DIRECTORIO = 0x10;
constexpr uint32_t ATR_ARCHIVO = 0x20;
constexpr uint32_t ATR_NORMAL = 0x80;
constexpr uint32_t ATR_PUNTO_REPARSE = 0x400;  // a link: symbolic link or junction
constexpr uint32_t ATR_INVALIDO = 0xFFFFFFFF;

// Error codes in the Windows numbering, whatever the backend.
constexpr uint32_t ERROR_FICHERO_NO_ENCONTRADO = 2;
constexpr uint32_t ERROR_RUTA_NO_ENCONTRADA = 3;
constexpr uint32_t ERROR_ACCESO_DENEGADO = 5;
constexpr uint32_t ERROR_NO_MAS_FICHEROS = 18;
constexpr uint32_t ERROR_COMPARTIR = 32;
constexpr uint32_t ERROR_YA_EXISTE = 183;
constexpr uint32_t ERROR_NOMBRE_DEMASIADO_LARGO = 206;
constexpr uint32_t ERROR_GENERICO = 31;              // ERROR_GEN_FAILURE
constexpr uint32_t ERROR_FICHERO_EXISTE = 80;
constexpr uint32_t ERROR_DISCO_LLENO = 112;
constexpr uint32_t ERROR_DIRECTORIO_NO_VACIO = 145;
constexpr uint32_t ERROR_NO_MISMO_DISPOSITIVO = 17;  // ERROR_NOT_SAME_DEVICE
constexpr uint32_t ERROR_FORMATO_EJECUTABLE = 193;   // ERROR_BAD_EXE_FORMAT
constexpr uint32_t ERROR_NO_ES_DIRECTORIO = 267;     // ERROR_DIRECTORY
constexpr uint32_t ERROR_RECURSO_NO_ENCONTRADO = 1813;  // ERROR_RESOURCE_TYPE_NOT_FOUND

// The reparse-point bit is reported on links only (win32: a name-surrogate
// tag, see platform/win32/enlaces.h); a deduplicated, compressed or cloud
// placeholder file is reported as the plain file it is.
// posix: read-only is the owner's write permission (and is enforced by this
// layer even for root); hidden and system live in the extended attribute
// "user.zelvano.atributos" of the file (lost on file systems without user
// extended attributes); a symbolic link is a reparse point. Windows refusals
// are kept: a read-only file is neither deleted nor written, a hidden or
// system file is not replaced by a copy, and a file that another process
// locks (flock or fcntl) or runs as its program is neither deleted nor
// replaced (ERROR_COMPARTIR).

// Last error of the calling thread after a failed operation of this layer.
uint32_t UltimoError();

struct EntradaDirectorio {
  Texto nombre;          // name only, no folder
  uint32_t atributos = 0;
  uint64_t tamano = 0;   // 64-bit size from the directory entry
};

// FindFirstFileW / FindNextFileW / FindClose.
class Busqueda {
 public:
  Busqueda();
  ~Busqueda();
  Busqueda(const Busqueda&) = delete;
  Busqueda& operator=(const Busqueda&) = delete;
  // patron: folder + "\*" or folder + "\*.*". False (and UltimoError) on failure.
  bool Primero(const Texto& patron, EntradaDirectorio& entrada);
  // False at the end (UltimoError() == ERROR_NO_MAS_FICHEROS) or on failure.
  bool Siguiente(EntradaDirectorio& entrada);
  void Cierra();

 private:
  struct Estado;
  std::unique_ptr<Estado> estado_;
};

bool CopiaFichero(const Texto& origen, const Texto& destino, bool fallaSiExiste);
bool BorraFichero(const Texto& ruta);
bool CreaDirectorio(const Texto& ruta);  // one level
bool EliminaDirectorio(const Texto& ruta);  // empty folder, or a link to a folder
// MoveFileExW without replacing: a file or a whole folder changes its name on
// the same volume; fails (ERROR_YA_EXISTE / ERROR_FICHERO_EXISTE) when the
// destination exists, and fails rather than copy across volumes.
bool Mueve(const Texto& origen, const Texto& destino);
bool PonAtributos(const Texto& ruta, uint32_t atributos);
uint32_t LeeAtributos(const Texto& ruta);  // ATR_INVALIDO when missing
bool ExisteFichero(const Texto& ruta);
bool ExisteDirectorio(const Texto& ruta);
bool TamanoFichero(const Texto& ruta, uint64_t& tamano);
// GetDiskFreeSpaceExW: bytes this user may still write on the volume that
// holds the folder. False (and UltimoError) when the folder cannot be asked.
bool EspacioLibre(const Texto& carpeta, uint64_t& libres);
// The volume that holds the folder: its allocation unit in bytes (every
// file takes a whole number of them) and a text that names it, the same for
// two folders of one volume. False (and UltimoError) when the folder cannot
// be asked.
bool DatosVolumen(const Texto& carpeta, uint64_t& unidad, Texto& volumen);
// Whole-file read and write (create or replace).
bool LeeFicheroCompleto(const Texto& ruta, std::string& bytes);
bool EscribeFicheroCompleto(const Texto& ruta, const std::string& bytes);
// Durable whole-file replace: the bytes go to a temporary name beside the
// file, are flushed to the disk, and that name then takes the file's place
// in one step, so a power cut leaves either the old content or the new one,
// never a mixture. False (and UltimoError) when any step fails; the file is
// then as it was.
bool EscribeFicheroSeguro(const Texto& ruta, const std::string& bytes);
// Durable replace by a file already written: `nuevo`'s bytes are flushed to
// the disk, then it takes the place of `destino` (same folder) in one step,
// and the folder's new entry is flushed too. A power cut leaves either file
// under the name, never a mixture. False (and UltimoError) when any step
// fails; `destino` is then as it was.
bool SustituyeFichero(const Texto& nuevo, const Texto& destino);
// One flush of the volume that holds `carpeta`: every write made on it so far
// (files, new names, deletions), by this process or by another (the
// extraction tool), is on the disk when this returns true. A run calls it
// once per boundary, never once per file. posix: syncfs. win32:
// FlushFileBuffers on the volume, which an administrator process may open;
// otherwise on every file this process wrote since the last call and those
// named by AnotaEscritoPorOtro. False (and UltimoError) when the flush failed:
// what was written may then not survive a power cut. On posix
// ZELVANO_SIN_VOLCADO switches the flush off, for the benchmark only.
bool VuelcaVolumen(const Texto& carpeta);
// A file that another process wrote (the extraction tool) is flushed with
// the files of this process when the volume itself cannot be (win32).
void AnotaEscritoPorOtro(const Texto& ruta);
// Append (creating the file when missing).
bool AnadeAFichero(const Texto& ruta, const std::string& bytes);
// C stream on a file (_wfopen / fopen with the wizard's path form); nullptr
// on failure. The caller closes it with std::fclose.
std::FILE* AbreFlujo(const Texto& ruta, const char* modo);

// ---- Registry ------------------------------------------------------------
enum class Raiz { UsuarioActual, ClasesRaiz };

// A registry key. Reads use the 64-bit view. Errors on read of a value of
// another type and on writes raise ERegistryException.
class Clave {
 public:
  Clave();
  ~Clave();
  Clave(const Clave&) = delete;
  Clave& operator=(const Clave&) = delete;
  bool AbreLectura(Raiz raiz, const Texto& ruta);
  bool AbreOCrea(Raiz raiz, const Texto& ruta);
  bool Abierta() const;
  // False when the value does not exist; throws when it is not a string.
  bool LeeTexto(const Texto& nombre, Texto& valor);
  // An empty name is the default value. Throws on failure (also when closed).
  void EscribeTexto(const Texto& nombre, const Texto& valor);
  // A 32-bit number value (REG_DWORD); reading it as text raises.
  void EscribeEntero(const Texto& nombre, uint32_t valor);
  bool ExisteValor(const Texto& nombre);
  void Cierra();

 private:
  struct Estado;
  std::unique_ptr<Estado> estado_;
};

// posix: the registry is a file, ZELVANO_REGISTRO (default ~/.zelvano_registro),
// rewritten whole and atomically on every change, so that a process killed
// while writing leaves either the old or the new state.

// Deletes a key with all its subkeys. True when it is gone (also when it was
// never there).
bool BorraClave(Raiz raiz, const Texto& ruta);
bool ExisteClave(Raiz raiz, const Texto& ruta);

// ---- Profile (INI) files ---------------------------------------------------
// GetPrivateProfileStringW: ANSI file, names matched without regard to case,
// the default for a missing value, values cut at tamanoBuffer - 1 characters.
// `leido`, when given, becomes false when the file exists but could not be
// read: the default then stands for a value that may well be there.
Texto LeePerfil(const Texto& fichero, const Texto& seccion, const Texto& clave,
                const Texto& defecto, size_t tamanoBuffer = 2048, bool* leido = nullptr);
// WritePrivateProfileStringW.
bool EscribePerfil(const Texto& fichero, const Texto& seccion, const Texto& clave,
                   const Texto& valor);

// ---- Version resources ---------------------------------------------------
// GetFileVersionInfoSizeW / GetFileVersionInfoW / VerQueryValueW. On posix the
// VS_VERSIONINFO block is read from the PE file itself.
uint32_t TamanoInfoVersion(const Texto& fichero);
bool LeeInfoVersion(const Texto& fichero, std::vector<uint8_t>& bloque);
// subbloque as "\VarFileInfo\Translation" or "\StringFileInfo\0C0A04E4\FileVersion".
// For string values, longitud counts UTF-16 units; for binary values, bytes.
bool ConsultaVersion(const std::vector<uint8_t>& bloque, const Texto& subbloque,
                     const uint8_t*& valor, uint32_t& longitud);

// ---- Processes -----------------------------------------------------------
class Proceso {
 public:
  Proceso();
  ~Proceso();
  Proceso(const Proceso&) = delete;
  Proceso& operator=(const Proceso&) = delete;
  // CreateProcessW with no application name, show normal, own environment
  // and folder. The command line follows Windows quoting rules.
  bool Inicia(const Texto& lineaComandos);
  // WaitForSingleObject: ESPERA_TERMINADO, ESPERA_TIEMPO_AGOTADO or ESPERA_FALLO.
  uint32_t Espera(uint32_t milisegundos);
  // GetExitCodeProcess of a process that has ended: false while it runs. On
  // posix a process ended by a signal reports 128 + the signal number.
  bool CodigoSalida(uint32_t& codigo);
  void Cierra();

 private:
  struct Estado;
  std::unique_ptr<Estado> estado_;
};
constexpr uint32_t ESPERA_TERMINADO = 0;
constexpr uint32_t ESPERA_TIEMPO_AGOTADO = 0x102;
constexpr uint32_t ESPERA_FALLO = 0xFFFFFFFF;

struct EntradaProceso {
  uint32_t id = 0;
  Texto ejecutable;  // as the snapshot reports it (szExeFile)
};
// CreateToolhelp32Snapshot + Process32FirstW/NextW.
bool InstantaneaProcesos(std::vector<EntradaProceso>& procesos);
// OpenProcess(PROCESS_TERMINATE) + TerminateProcess(code).
bool TerminaProcesoId(uint32_t id, uint32_t codigo);

// SetThreadAffinityMask on the calling thread.
void FijaAfinidadHilo(uintptr_t mascara);

// Named single-instance guard (CreateMutexW). True when this process is the
// first: the mutex did not exist and no error was reported. The handle is
// never closed. A name that starts with "Global\" is one for the whole
// machine, whatever the session. posix: a lock file in ZELVANO_DIR_MUTEX
// (default /tmp); a global name's lock lies in ZELVANO_DIR_MUTEX_GLOBAL, or
// without it in the same folder (a test that plays one machine sets the
// first; two sessions of one machine share the second).
bool CreaMutexUnico(const Texto& nombre);

// An exclusive lock on a file, held until the process ends: the file is
// created when missing (its folder must exist) and kept open, not inherited
// by children. True when this process holds it (taking it again succeeds);
// false otherwise, with UltimoError() ERROR_COMPARTIR when another process
// holds it. posix: flock, which the file operations of this layer honour.
bool BloqueaDeVida(const Texto& ruta);

// Ends the process at once with the given status (after flushing what the
// posix backend records for tests).
[[noreturn]] void TerminaAplicacion(int estado);

// ---- Clock, pauses, system -------------------------------------------------
int64_t ContadorRendimiento();
int64_t FrecuenciaRendimiento();
// Sleep. On posix ZELVANO_FACTOR_PAUSAS (0..1) may shorten every pause for
// tests; the product always waits as asked. ZELVANO_CUENTA_PAUSAS names a
// file that receives each pause asked for, in milliseconds, one per line.
// The pause is the one FijaEspera gave, when it gave one.
void Duerme(uint32_t milisegundos);

// The wizard does everything on the thread its windows belong to. What that
// thread does for them while it waits is the user-interface layer's to say
// (ui::aplicacion::Inicializa sets it):
// - `pausa`: a fixed pause of that many milliseconds. It must take no
//   input (or it would be no pause), but may keep the windows painted.
//   nullptr: a plain sleep.
// - `latido`: called now and then (every kIntervaloLatidoMs at most) while
//   one long operation runs, a large file being copied, so that the window
//   keeps answering. nullptr: none.
using Pausa = void (*)(uint32_t milisegundos);
using Latido = void (*)();
void FijaEspera(Pausa pausa, Latido latido);
constexpr uint32_t kIntervaloLatidoMs = 50;

// The beats of one long operation: Late() runs the latido when the last one
// (or the start of the operation) is at least kIntervaloLatidoMs old, so a
// short operation never beats.
class Latidos {
 public:
  Latidos();
  void Late();
  // Whether there is a latido to run at all.
  static bool Hay();

 private:
  int64_t ultimo_;
};
// GetComputerNameW into a buffer of `tamano` characters.
Texto NombreEquipo(size_t tamano = 30);
// Two names of machines denote the same machine as Windows matches them:
// without regard to case, in the system's own rules (CompareStringOrdinal
// ignoring case; on posix the upper-casing of texto::MayusculaSimple).
bool MismoNombreEquipo(const Texto& a, const Texto& b);

struct VersionSistema {
  uint32_t mayor = 0, menor = 0, plataforma = 0;  // plataforma 2: NT
};
// GetVersionExW with the 284-byte record.
VersionSistema LeeVersionSistema();
// IsWow64Process looked up at run time in kernel32 (false when missing):
// whether the 32-bit program runs on a 64-bit Windows. Always true in a
// 64-bit build.
bool EsWow64();

// ShellExecuteW(owner, default verb, url, no parameters, no folder, SW_SHOWNORMAL).
void AbreDireccion(const Texto& direccion);
// SHChangeNotify(SHCNE_ASSOCCHANGED, 0, nullptr, nullptr).
void NotificaCambioAsociaciones();

// Full path of the running executable, and its folder ending with a separator.
Texto RutaEjecutable();
Texto CarpetaEjecutable();

// Data resource of the executable by type, name and language (RCDATA = 10).
// On posix: data linked into the binary.
bool LeeRecurso(uint16_t tipo, const Texto& nombre, uint16_t idioma, std::string& datos);

// The 8-bit form of a text in the system's ANSI code page (GetACP), as the
// log file and the byte scrambling use it: characters without a byte become
// '?'. The posix build takes Windows-1252, the code page of the
// installations served.
std::string AAnsi(const Texto& t);
Texto DeAnsi(const std::string& bytes);

// ---- Fault seam -------------------------------------------------------------
// Every operation of this layer that may fail, and every call of the database
// client, first passes here. On posix and in the Windows test build
// (Act_202103_a_202128_pruebas.exe), tests switch it on with environment
// variables (off otherwise; the shipped Windows executable never injects and
// reads none of them):
//   ZELVANO_FALLO_EN=N          the Nth operation fails; file operations with
//                               ZELVANO_FALLO_ERROR = denegado (access denied,
//                               the default), compartir (sharing violation),
//                               disco_lleno or ruta_larga
//   ZELVANO_MATA_EN=N           the process is killed just before the Nth
//   ZELVANO_TRAZA_OPERACIONES   file that receives "N kind path" per operation
//   ZELVANO_CORTE_EN=N          a power cut just before the Nth operation:
//                               below ZELVANO_CORTE_RAIZ every file written
//                               since the last VuelcaVolumen (and not made
//                               durable on its own) loses what was not
//                               flushed, then the process is killed
// True when this operation must fail (the last error is then set).
bool OperacionInyectable(const char* tipo, const Texto& ruta);

// Locale of the user: separators and date/time formats. The separators are
// read once; ConfiguracionRegionalCambiada has them read again (the posix
// build takes them from LC_ALL, LC_NUMERIC and LANG).
char16_t SeparadorDecimal();
char16_t SeparadorMiles();
void ConfiguracionRegionalCambiada();
Texto FechaCortaActual();  // short date format, e.g. 25/11/2020
Texto HoraLargaActual();   // long time format, e.g. 13:45:10

}  // namespace plataforma
