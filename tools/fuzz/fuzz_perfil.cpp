// The product's configuration file, read as start-up reads it: the four
// installation values of its section, each unscrambled, and the same names
// asked in plain words (sections and keys that are not there).
#include "platform/plataforma.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "tools/fuzz/comun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  const texto::Texto ruta = fuzz::EscribeEntrada("perfil", datos, n);
  using namespace constantes;
  for (const texto::Texto* clave : {&IdentNombreServidor, &IdentRutaAplicacion, &IdentRutaDatos, &IdentNombrePC}) {
    const texto::Texto valor = plataforma::LeePerfil(ruta, SeccionInstalacion, *clave, u"", 2048);
    FUZZ_COMPRUEBA(valor.size() <= 2047);
    FUZZ_COMPRUEBA(CifraBytes(valor).size() == valor.size());
  }
  const texto::Texto otro = plataforma::LeePerfil(ruta, u"Zelvano", u"Ruta", u"defecto", 8);
  FUZZ_COMPRUEBA(otro.size() <= 7);
  return 0;
}
