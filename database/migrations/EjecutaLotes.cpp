// Version gates and the run of the batches with the stamp after them.
#include "database/migrations/Lotes.h"

namespace migracion {

namespace {

struct Puerta {
  IdLote lote;
  enum { Igual, Menor, Siempre } condicion;
  const char16_t* version;
};

const Puerta kPuertas[] = {
    {IdLote::Lote_20_21_0_3, Puerta::Igual, u"20.21.0.3"},
    {IdLote::Lote_Anterior_20_21_1_0, Puerta::Menor, u"20.21.1.0"},
    {IdLote::Lote_Precios_Compra, Puerta::Menor, u"20.21.1.1"},
    {IdLote::Lote_Formas_Pago_CH, Puerta::Menor, u"20.21.1.2"},
    {IdLote::Lote_Formas_Pago_BW, Puerta::Siempre, u""},
};

}  // namespace

const Lote& PasosDe(IdLote id) {
  switch (id) {
    case IdLote::Lote_20_21_0_3: return Lote_20_21_0_3();
    case IdLote::Lote_Anterior_20_21_1_0: return Lote_Anterior_20_21_1_0();
    case IdLote::Lote_Precios_Compra: return Lote_Precios_Compra();
    case IdLote::Lote_Formas_Pago_CH: return Lote_Formas_Pago_CH();
    case IdLote::Lote_Formas_Pago_BW: break;
  }
  return Lote_Formas_Pago_BW();
}

const char16_t* const kVersionSellada = u"20.21.2.8";

const Paso& PasoSello() {
  static const Paso sello{u"PONER NUEVA VERSION EN TABLA EMPRESA",
                          u"UPDATE EMPRESA SET VERSION_ZELVANO = '20.21.2.8';", ParamCheck::Encender};
  return sello;
}

std::vector<IdLote> LotesAEjecutar(const Texto& version) {
  std::vector<IdLote> lotes;
  for (const Puerta& p : kPuertas) {
    const int c = texto::Compara(version, p.version);
    const bool pasa = p.condicion == Puerta::Siempre || (p.condicion == Puerta::Igual && c == 0) ||
                      (p.condicion == Puerta::Menor && c < 0);
    if (pasa) lotes.push_back(p.lote);
  }
  return lotes;
}

void EjecutaLote(TMDatos& datos, const Lote& lote) {
  for (const Paso& paso : lote) datos.EjecutaSentencia(paso.etiqueta, paso.sentencia, paso.instruccion);
}

void EjecutaLotes(const Texto& version) {
  for (IdLote id : LotesAEjecutar(version)) EjecutaLote(*MDatos, PasosDe(id));
  const Paso& sello = PasoSello();
  MDatos->EjecutaSentencia(sello.etiqueta, sello.sentencia, sello.instruccion);
}

}  // namespace migracion
