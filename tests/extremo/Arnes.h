// Helpers of the end-to-end tests: the wizard run as a separate process with
// a scripted user, and readers for what it leaves behind (log file,
// transcript, registry store, database).
#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/extremo/Json.h"

namespace prueba {

namespace fs = std::filesystem;

// The scripted user of a whole update: reads the notice, starts, reads the
// final screen and leaves. And the log's line of a successful run.
extern const std::string kGuionCompleto;
extern const std::string kLineaFinal;

// A fresh folder under the system's temporary folder that the Firebird
// server (another user) may read and write, removed at the end.
class CarpetaTemporal {
 public:
  CarpetaTemporal();
  ~CarpetaTemporal();
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
  const fs::path& Ruta() const { return ruta_; }

 private:
  fs::path ruta_;
};

std::string LeeFichero(const fs::path& fichero);
void EscribeFichero(const fs::path& fichero, const std::string& contenido);

struct Resultado {
  int estado = -1;        // exit status, or -1 when killed by a signal
  std::string salida;     // standard output and error together
};
// A program started in the background, for a test that ends it from
// outside (as a power cut or the task manager would) before waiting.
struct Proceso {
  int pid = -1;
  std::string salida;     // file that receives its standard output and error
};
// Starts `programa` with `argumentos`, the current environment plus `entorno`
// (an empty value removes the variable).
Proceso Inicia(const std::string& programa, const std::vector<std::string>& argumentos,
               const std::map<std::string, std::string>& entorno = {});
Resultado Espera(const Proceso& proceso);
// Inicia and Espera in one.
Resultado Ejecuta(const std::string& programa, const std::vector<std::string>& argumentos,
                  const std::map<std::string, std::string>& entorno = {});

// The log file: Windows-1252, every line ended by CR LF. Lines in UTF-8.
// Fails the test (and returns what it could read) when a line is not ended by
// CR LF.
std::vector<std::string> LeeLog(const fs::path& fichero);

// The transcript's events, in order.
std::vector<Json> LeeTranscripcion(const fs::path& fichero);
// Events named `evento` (and, when given, for the form `formulario`).
std::vector<Json> Eventos(const std::vector<Json>& todos, const std::string& evento,
                          const std::string& formulario = "");

// Runs `sql` with isql on `baseDatos` ("host:path") and returns its output.
std::string ConsultaSql(const std::string& baseDatos, const std::string& sql);

// Adds the table RELLENO to `baseDatos`: 150,000 rows of 180 characters that
// do not compress, so that a backup or a restore of it lasts.
void LlenaRelleno(const std::string& baseDatos);

// Another program (the product on a till, say) keeps the database open for
// as long as this object lives, through an isql session whose statements
// are committed only when it says so.
class ConexionAbierta {
 public:
  ConexionAbierta(const std::string& baseDatos, const fs::path& salida);
  ~ConexionAbierta();
  ConexionAbierta(const ConexionAbierta&) = delete;
  ConexionAbierta& operator=(const ConexionAbierta&) = delete;
  bool Conectada() const;
  // Runs `sql` in the session and waits (bounded) until it has answered.
  bool Ejecuta(const std::string& sql);

 private:
  fs::path salida_;
  std::FILE* isql_ = nullptr;
  int marcas_ = 0;
};

// A product installation generated for one test, with its own registry
// store, transcript, script and lock folder.
struct OpcionesInstalacion {
  std::string version = "20.21.1.0";
  std::string nombrePC = "localhost";   // this machine's name in the configuration file
  std::string servidor = "localhost";   // the database server's name there
  std::string nombreEquipo;             // the name the system gives this computer (empty: nombrePC)
  bool baseDatos = true;                // a real database in the data folder
  std::vector<std::string> extra;       // further options of the generator
  // When given, the configuration keeps the database there (outside the
  // installation) and its file lives there.
  fs::path carpetaDatos;
};
struct Instalacion {
  fs::path aplicacion;      // application folder
  fs::path registro;        // registry store
  fs::path transcripcion;
  fs::path guion;
  fs::path traza;           // shell operations
  std::string baseDatos;    // "localhost:/…/Datos/QVD.FB", for isql
  std::string nombreEquipo; // the name the system gives the computer the wizard runs on
  fs::path ficheroBaseDatos;
  fs::path Log() const { return aplicacion / "Excepciones_Act_202128.log"; }
  fs::path FicheroBaseDatos() const { return ficheroBaseDatos; }
};
Instalacion GeneraInstalacion(const fs::path& carpeta, const OpcionesInstalacion& opciones);

// The dialogs the run's transcript holds; a dialog's kind as a number
// ("33"); every dialog as "kind: text" lines, for failure messages.
std::vector<Json> Dialogos(const Instalacion& inst);
std::string Tipo(const Json& dialogo);
std::string Textos(const std::vector<Json>& dialogos);

// Runs the wizard from the installation's Update folder with the scripted
// user `guion` (one action a line); `entorno` adds or overrides variables.
Resultado EjecutaAsistente(const Instalacion& instalacion, const std::string& guion,
                           const std::map<std::string, std::string>& entorno = {});
Proceso IniciaAsistente(const Instalacion& instalacion, const std::string& guion,
                        const std::map<std::string, std::string>& entorno = {});

// Build and source folders given by the build.
fs::path DirBuild();
fs::path DirFuentes();

}  // namespace prueba
