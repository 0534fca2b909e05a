// The migration batches: ordered steps run by the statement protocol, the
// version gates that choose them and the version stamp that closes them.
#pragma once

#include <vector>

#include "database/ModuloDatos.h"

namespace migracion {

struct Paso {
  Texto etiqueta;     // the line logged before the statement runs
  Texto sentencia;    // the whole statement, sent as one text
  ParamCheck instruccion;
};

using Lote = std::vector<Paso>;

// A one-line step: its label is the statement itself.
inline Paso PasoLinea(const Texto& sentencia, ParamCheck instruccion = ParamCheck::Mantener) {
  return Paso{sentencia, sentencia, instruccion};
}

// A procedure step: its label is the head of the definition.
inline Paso PasoProcedimiento(const Texto& cabecera, const Texto& definicion,
                              ParamCheck instruccion = ParamCheck::Mantener) {
  return Paso{cabecera, definicion, instruccion};
}

// The batches, in the order the gates evaluate them.
enum class IdLote { Lote_20_21_0_3, Lote_Anterior_20_21_1_0, Lote_Precios_Compra,
                    Lote_Formas_Pago_CH, Lote_Formas_Pago_BW };

const Lote& Lote_20_21_0_3();
const Lote& Lote_Anterior_20_21_1_0();
const Lote& Lote_Precios_Compra();
const Lote& Lote_Formas_Pago_CH();
const Lote& Lote_Formas_Pago_BW();
const Lote& PasosDe(IdLote id);

// The version stamp, run after every batch, and the version it writes.
const Paso& PasoSello();
extern const char16_t* const kVersionSellada;

// The batches whose gates hold for an installed version, in run order
// (versions compared as texts).
std::vector<IdLote> LotesAEjecutar(const Texto& version);

// Runs every step of a batch on a data module.
void EjecutaLote(TMDatos& datos, const Lote& lote);

// The batches of the version, then the stamp, on MDatos.
void EjecutaLotes(const Texto& version);

}  // namespace migracion
