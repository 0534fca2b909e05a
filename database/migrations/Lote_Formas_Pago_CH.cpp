// Batch for payment methods C and H.
#include "database/migrations/FormasPago.h"

namespace migracion {

const Lote& Lote_Formas_Pago_CH() {
  static const Lote lote = {
      RenombraFormaPago(u"C", u"Bizum SmartPhone", ParamCheck::Encender),
      RenombraFormaPago(u"H", u"A Cliente, Bizum SmartPhone"),
  };
  return lote;
}

}  // namespace migracion
