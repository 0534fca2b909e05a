// Batch for purchase prices and stock on sale.
#include "database/migrations/Lotes.h"
#include "database/migrations/Procedimientos.h"

namespace migracion {

const Lote& Lote_Precios_Compra() {
  static const Lote lote = {
      PasoProcedimiento(u"ALTER PROCEDURE PROC_MP_PREC_COMPR_INI_ULT",
                        procedimientos::ProcMpPrecComprIniUltTodos, ParamCheck::Apagar),
      PasoProcedimiento(u"ALTER PROCEDURE SEL_STOCK_VENTAS", procedimientos::SelStockVentas),
  };
  return lote;
}

}  // namespace migracion
