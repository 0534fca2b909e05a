// The embedded archive: where it is written and how the tool is asked to
// unpack it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/texto.h"

namespace staging {

using texto::Texto;

// The extraction tool's command line for the application folder `carpeta`
// (which ends with a separator). The destination's quote is left open on
// purpose: the folder runs to the end of the line, so its trailing backslash
// cannot be read as escaping a closing quote.
Texto LineaExtraccion(const Texto& carpeta);

// Writes the archive carried by the executable to `ruta`, creating or
// replacing the file, and returns its bytes. Throws EResNotFound when the
// executable carries no archive and EFCreateError when the file cannot be
// written.
std::string EscribeArchivoNuevo(const Texto& ruta);

// ASCII-only upper case: a-z become A-Z, every other unit stays.
Texto MayusculasAscii(const Texto& t);

// Starts the command line and returns once the process has ended, pumping
// the window's messages meanwhile. True when the process started; its exit
// code, when asked for, once it ended (TfV::EjecutaYEspera).
bool EjecutaYEspera(const Texto& lineaComandos, uint32_t* codigoSalida = nullptr);
// Terminates the first running process of that executable name; true when
// one was found and ended (TfV::CierraProceso).
bool CierraProceso(const Texto& ejecutable);

}  // namespace staging
