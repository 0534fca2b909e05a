// Generated product installations for tests and the demo: the application
// folder with its programs, configuration file, data folders and leftovers,
// and the product's registry key (in the posix registry store, or in a .reg
// file for a Wine prefix).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace generador {

namespace fs = std::filesystem;

// The nine product keys under HKEY_CURRENT_USER, in the order the wizard
// tries them (number 1 is the first).
const std::vector<std::string>& ClavesProducto();

struct Opciones {
  fs::path destino;                    // application folder (created)
  std::string version = "20.21.1.0";   // FileVersion of the product's programs
  bool recursoVersion = true;          // false: Zelvano_Start.exe without a version resource
  bool start = true;                   // Zelvano_Start.exe present
  bool programas = true;               // Zelvano.exe, Zelvano.dll, Corvisto.exe
  // Machine names recorded in the configuration file: equal names make this
  // machine the database server.
  std::string nombreServidor = "SERVIDOR";
  std::string nombrePC = "SERVIDOR";
  // Folder texts stored in the configuration file and the registry, ending
  // with a separator. Empty: the destination folder itself ("/" form), or
  // for the data folder the application folder + "Datos" + separator.
  std::string rutaAplicacion;
  std::string rutaDatos;
  // Folder stored in the registry only (empty: the same as rutaAplicacion).
  std::string rutaRegistro;
  bool pindalDll = true;               // the configuration file
  bool pindalDat = false;              // its copy under the old name
  // Settings written under the old name only, differing from Pindal.dll
  // (to see which one start-up uses). Empty: the same settings.
  std::string nombrePCDat;
  bool tempAnterior = false;           // a Temp folder left by an earlier update
  std::vector<int> puntosRestauracion = {3, 7, 75};  // Datos\<n>.NBK
  std::vector<int> claves = {1};       // product keys to seed (ClavesProducto order)
  bool valorRuta = true;               // the key carries "Application Install Patch"
  fs::path almacenRegistro;            // posix registry store to seed (empty: none)
  fs::path ficheroReg;                 // .reg file to write for a Wine prefix (empty: none)
  bool rar = true;                     // the extraction tool "rar.exe"
  bool clip = false;                   // Galeria\Videos\Mantenimiento.avi
  fs::path copiaBaseDatos;             // file copied as Datos\QVD.FB (empty: none)
  bool creaBaseDatos = false;          // a real database of `version` as Datos\QVD.FB
};

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Lays out the installation. Throws Error when something cannot be made.
void GeneraInstalacion(const Opciones& opciones);

// The stand-in program with `version` as its FileVersion (or without a
// version resource when `conVersion` is false), written to `destino`.
void EscribePrograma(const fs::path& destino, const std::string& version, bool conVersion = true);

// Parses the command line of genera_instalacion (arguments after the program
// name). Throws Error on an unknown or incomplete option.
Opciones LeeArgumentos(const std::vector<std::string>& argumentos);
extern const char* const kUso;

}  // namespace generador
