// Pieces shared by the modules of the posix backend.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/texto.h"

namespace plataforma {
namespace posix {

// The wizard's path form to a file-system path: "C:\" (any case) maps to
// ZELVANO_UNIDAD_C when set, every backslash becomes a slash, UTF-8.
std::string RutaPosix(const texto::Texto& ruta);

// Sets the calling thread's last error (Windows numbering).
void FijaError(uint32_t codigo);
// Sets the last error from an errno value.
void FijaErrorErrno(int valor);
uint32_t ErrorDeErrno(int valor);

// Value of an environment variable, or empty when unset.
std::string Entorno(const char* nombre);

// True when a process other than this thread's own lock holds a lock on the
// file (flock or fcntl) or runs it as its program: Windows refuses to
// delete or replace such a file.
bool FicheroEnUso(const std::string& ruta);

// The process's file creation mask, read once (the wizard never changes it).
mode_t Umask();

// A Windows command line split into its arguments (CommandLineToArgvW).
std::vector<texto::Texto> ParteLineaComandos(const texto::Texto& linea);

// The power-cut model of the fault seam (ZELVANO_CORTE_EN), a no-op unless
// a test asks for it. CorteInicio: the first operation, the installation at
// rest is on the disk. CorteVolcado: the volume was just flushed, what is
// below the root now is on the disk.
void CorteInicio();
void CorteVolcado();
// The file was made durable on its own (flushed, renamed, folder flushed).
void CorteDurable(const std::string& ruta);
// Loses every write below the root not flushed since the last CorteVolcado:
// a file whose data never reached the disk is left empty, one that grew is
// cut back to its size then.
void CorteAplica();

}  // namespace posix
}  // namespace plataforma
