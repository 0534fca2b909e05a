// C streams on files named in the wizard's path form.
#include <cstdio>
#include <string>

#include "platform/plataforma.h"
#include "platform/win32/rutas_largas.h"

namespace plataforma {

std::FILE* AbreFlujo(const Texto& ruta, const char* modo) {
  if (OperacionInyectable("flujo", ruta)) return nullptr;
  const std::wstring modoAncho(modo, modo + std::char_traits<char>::length(modo));
  const Texto extendida = win32::RutaExtendida(ruta);
  const std::wstring rutaAncha(extendida.begin(), extendida.end());
  return ::_wfopen(rutaAncha.c_str(), modoAncho.c_str());
}

}  // namespace plataforma
