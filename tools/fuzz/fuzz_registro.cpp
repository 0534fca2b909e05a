// The posix registry store is a file other runs and other programs may have
// left in any state: every read of start-up runs on whatever it holds. A
// store it cannot read is refused; a value of the wrong type raises the
// registry's own exception, as on Windows.
#include <cstdlib>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "tools/fuzz/comun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  static const bool preparado = [] {
    setenv("ZELVANO_REGISTRO", fuzz::RutaEntrada("registro").c_str(), 1);
    return true;
  }();
  (void)preparado;
  fuzz::EscribeEntrada("registro", datos, n);
  for (const char16_t* ruta : {u"SOFTWARE\\Pelmora Soft\\Zelvano Nova", u"SOFTWARE\\Pelmora Soft\\Zelvano",
                               u"Software\\\\pelmora soft\\ZELVANO\\"}) {
    plataforma::ExisteClave(plataforma::Raiz::UsuarioActual, ruta);
    plataforma::Clave clave;
    if (!clave.AbreLectura(plataforma::Raiz::UsuarioActual, ruta)) continue;
    try {
      texto::Texto valor;
      clave.ExisteValor(u"Application Install Patch");
      clave.LeeTexto(u"Application Install Patch", valor);
    } catch (const ERegistryException&) {
    }
  }
  return 0;
}
