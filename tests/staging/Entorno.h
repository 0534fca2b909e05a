// Test helpers of the staging tests: temporary folders, file trees, the
// wizard run as a child process, locked files and the transcript's dialogs.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace prueba {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed at the end
// (write permissions restored first, so read-only fixtures go too).
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

void Escribe(const fs::path& fichero, const std::string& contenido);
std::string Lee(const fs::path& fichero);

// Every entry below `raiz`, by relative path with '/' separators: the
// content of each file (over 200 bytes: its size and digest), "<carpeta>"
// for each folder.
using Arbol = std::map<std::string, std::string>;
constexpr const char* kCarpeta = "<carpeta>";
Arbol LeeArbol(const fs::path& raiz);
// Creates the entries of `arbol` below `raiz`.
void CreaArbol(const fs::path& raiz, const Arbol& arbol);
// The entries of `arbol` whose path starts with `prefijo`, with the prefix
// removed.
Arbol SubArbol(const Arbol& arbol, const std::string& prefijo);

// The entries in which two trees differ, one line each ("" when equal):
// "+path" only in `real`, "-path" only in `esperado`, "*path" other content.
std::string Diferencias(const Arbol& real, const Arbol& esperado);

// A dialog recorded in the transcript.
struct Dialogo {
  int tipo = 0;        // 33, 69, 73 or 77
  std::string texto;   // UTF-8, line feeds as real line feeds
};
std::vector<Dialogo> LeeDialogos(const fs::path& transcripcion);

// The wizard's main window set up for one staging operation, run in a child
// process of this test binary (the operation may end the process).
struct Escenario {
  std::string modo;          // "guarda" (Guarda_Datos) or "reponer" (ReponerTodo)
  std::string aplicacion;    // application folder as the wizard writes it
  std::string nombrePC = "CAJA1";
  std::string servidor = "SERVIDOR";
  std::string baseDatos;     // database name given to the data module
  fs::path unidadC;          // posix folder that stands for C:\ .
  fs::path trabajo;          // where the transcript and the log lines go
};

struct Resultado {
  bool normal = false;       // ended by exit (not by a signal)
  int estado = -1;           // exit status
  std::vector<std::string> lineas;  // process log, UTF-8
  std::vector<Dialogo> dialogos;
  std::string excepcion;     // class and message when Guarda_Datos threw
  std::string salida;        // child's stdout and stderr, for diagnosis
};

// Exit statuses of the child besides the wizard's own 0.
constexpr int kDevolvioNormal = 10;
constexpr int kLanzoExcepcion = 11;

Resultado Ejecuta(const Escenario& escenario);

// Holds an exclusive lock (flock and fcntl) on a file from another process
// while it lives, as a running program holds its executable.
class Bloqueo {
 public:
  explicit Bloqueo(const fs::path& fichero);
  ~Bloqueo();
  Bloqueo(const Bloqueo&) = delete;
  Bloqueo& operator=(const Bloqueo&) = delete;

 private:
  pid_t pid_ = -1;
};

// The folder of the build tree and of the sources.
fs::path DirBuild();
fs::path DirFuentes();

}  // namespace prueba
