// Batch for payment methods B and W.
#include "database/migrations/FormasPago.h"

namespace migracion {

const Lote& Lote_Formas_Pago_BW() {
  static const Lote lote = {
      RenombraFormaPago(u"B", u"Vales/Tarjetas Empresa", ParamCheck::Encender),
      RenombraFormaPago(u"W", u"A Cliente, Vales/Tarjetas Empresa"),
  };
  return lote;
}

}  // namespace migracion
