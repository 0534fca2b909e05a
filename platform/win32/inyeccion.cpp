// The shipped executable injects no faults and shortens no pause: it reads
// no variable of the test seam. The test build of the Windows executable
// links platform/win32/inyeccion_pruebas.cpp in place of this file.
#include "platform/plataforma.h"
#include "platform/win32/win32_comun.h"

namespace plataforma {

bool OperacionInyectable(const char*, const Texto&) { return false; }

namespace win32 {
uint32_t PausaDePrueba(uint32_t milisegundos) { return milisegundos; }
}  // namespace win32

}  // namespace plataforma
