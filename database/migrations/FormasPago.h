// A step that renames one payment method, labelled by its code.
#pragma once

#include "database/migrations/Lotes.h"

namespace migracion {

inline Paso RenombraFormaPago(const Texto& codigo, const Texto& nombre,
                              ParamCheck instruccion = ParamCheck::Mantener) {
  return Paso{u"MODIFICAR FORMAS DE PAGO " + codigo,
              u"UPDATE FORMAS_PAGO SET NOMBRE = '" + nombre + u"' WHERE CODIGO = '" + codigo + u"';",
              instruccion};
}

}  // namespace migracion
