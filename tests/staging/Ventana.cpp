#include "tests/staging/Ventana.h"

#include "platform/ui.h"

namespace prueba {

TfV& Ventana() {
  static TfV* ventana = [] {
    ui::aplicacion::Inicializa();
    fV = new TfV();
    return fV;
  }();
  return *ventana;
}

}  // namespace prueba
