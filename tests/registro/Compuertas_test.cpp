// The version gates that choose the migration batches of a run: versions
// are compared as texts, code unit by code unit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/migrations/Lotes.h"

namespace {

using migracion::IdLote;

TEST(Compuertas, LotesSegunLaVersionInstalada) {
  const IdLote l1 = IdLote::Lote_20_21_0_3, l2 = IdLote::Lote_Anterior_20_21_1_0,
               l3 = IdLote::Lote_Precios_Compra, l4 = IdLote::Lote_Formas_Pago_CH,
               l5 = IdLote::Lote_Formas_Pago_BW;
  const struct {
    const char16_t* version;
    std::vector<IdLote> lotes;
  } casos[] = {
      {u"20.21.0.3", {l1, l2, l3, l4, l5}},
      {u"20.21.0.4", {l2, l3, l4, l5}},
      {u"20.21.0.9", {l2, l3, l4, l5}},
      // A longer text with the same start sorts after it: not the 0.3 batch.
      {u"20.21.0.30", {l2, l3, l4, l5}},
      {u"20.21.1.0", {l3, l4, l5}},
      {u"20.21.1.1", {l4, l5}},
      // As text, 20.21.1.10 lies between 20.21.1.1 and 20.21.1.2.
      {u"20.21.1.10", {l4, l5}},
      {u"20.21.1.2", {l5}},
      {u"20.21.1.5", {l5}},
      {u"20.21.1.8", {l5}},
  };
  for (const auto& c : casos)
    EXPECT_EQ(migracion::LotesAEjecutar(c.version), c.lotes) << texto::AUtf8(c.version);
}

TEST(Compuertas, ElSelloEsElUltimoPasoYFijaLaVersionNueva) {
  const migracion::Paso& sello = migracion::PasoSello();
  EXPECT_EQ(sello.etiqueta, u"PONER NUEVA VERSION EN TABLA EMPRESA");
  EXPECT_EQ(sello.sentencia, u"UPDATE EMPRESA SET VERSION_ZELVANO = '20.21.2.8';");
  EXPECT_EQ(sello.instruccion, ParamCheck::Encender);
}

}  // namespace
