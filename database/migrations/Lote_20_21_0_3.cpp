// Batch for 20.21.0.3: place names, the tips table rebuilt per ticket, the
// new and redefined procedures, the last-purchase columns of raw materials.
#include "database/migrations/Lotes.h"
#include "database/migrations/Procedimientos.h"

namespace migracion {

namespace {

Lote Construye() {
  namespace pr = procedimientos;
  Lote l;
  static const char16_t* const kTablasLugar[] = {u"COMANDA_EST", u"COMANDA_EST_TEMP", u"COMANDA_DET",
                                                 u"COMANDA_DET_TEMP", u"TICKETS", u"TICKETS_HIST",
                                                 u"ACTIV", u"CLIENTES_DET"};
  static const char16_t* const kLugares[][2] = {
      {u"Barra", u"Barra-1"}, {u"Sal\u00F3n", u"Sal\u00F3n-1"}, {u"Terraza", u"Zona-T1"}};
  for (const char16_t* tabla : kTablasLugar)
    for (const auto& lugar : kLugares)
      l.push_back(PasoLinea(Texto(u"UPDATE ") + tabla + u" SET LUGAR = '" + lugar[0] + u"' WHERE LUGAR = '" +
                        lugar[1] + u"';"));
  l.front().instruccion = ParamCheck::Encender;

  l.push_back(PasoLinea(u"ALTER TABLE PROPINAS DROP CONSTRAINT PK_PROPINAS;"));
  for (const char16_t* columna : {u"DIRECTO", u"BARRA_1", u"BARRA_2", u"BARRA_3", u"SALON_1", u"SALON_2",
                                  u"SALON_3", u"ZONA_T1", u"ZONA_T2", u"ZONA_T3", u"TOTAL"})
    l.push_back(PasoLinea(Texto(u"ALTER TABLE PROPINAS drop ") + columna + u";"));
  l.push_back(PasoLinea(u"ALTER TABLE PROPINAS ADD NUM_TICKET D_INT_0_NN NOT NULL;"));
  l.push_back(PasoLinea(u"ALTER TABLE PROPINAS ADD ANTES_IMPUESTOS D_BOOL_N_NN_ISO NOT NULL  COLLATE ES_ES;"));
  l.push_back(PasoLinea(u"ALTER TABLE PROPINAS ADD TIPO_PORCENTAJE D_INTSHORT_0_NN NOT NULL;"));
  l.push_back(PasoLinea(u"ALTER TABLE PROPINAS ADD TOTAL_PROPINA D_PVPLONG_NN NOT NULL;"));
  l.push_back(PasoLinea(u"ALTER TABLE PROPINAS ADD CONSTRAINT PK_PROPINAS PRIMARY KEY (NUM_TICKET);"));
  l.push_back(PasoLinea(u"CREATE INDEX IDX_PROPINAS_FECH_TER_TUR ON PROPINAS (FECHA,TERMINAL,TURNO);"));
  l.push_back(PasoLinea(u"DROP PROCEDURE PROC_MAT_PRI_ART_UPD;"));

  l.push_back(PasoProcedimiento(u"CREATE PROCEDURE PROC_ASIGN_PROPINAS", pr::ProcAsignPropinas,
                            ParamCheck::Apagar));
  l.push_back(PasoProcedimiento(u"CREATE PROCEDURE SEL_TICKET_PROPINA", pr::SelTicketPropina));
  l.push_back(PasoProcedimiento(u"CREATE PROCEDURE SEL_PROPINA_TOT", pr::SelPropinaTot));
  l.push_back(PasoProcedimiento(u"CREATE PROCEDURE PROC_ESCANDALLO_COPIA_INS", pr::ProcEscandalloCopiaIns));
  for (const char16_t* proc : {u"PROC_ESCANDALLO_COPIA_INS", u"PROC_ASIGN_PROPINAS", u"SEL_TICKET_PROPINA",
                               u"SEL_PROPINA_TOT"})
    l.push_back(PasoLinea(Texto(u"GRANT EXECUTE ON PROCEDURE ") + proc + u" TO ZELVANO;"));

  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE SEL_COMANDA_MENU", pr::SelComandaMenu));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE SEL_COMANDA_MENU_COMP", pr::SelComandaMenuComp));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE SEL_ARTS_BEBIDA", pr::SelArtsBebida));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE SEL_STOCK_HIST_MOV", pr::SelStockHistMov));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_MP_PREC_COMPR_INI_ULT", pr::ProcMpPrecComprIniUlt));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_ESCD_INS", pr::ProcEscdIns(pr::CantidadTresDecimales)));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE SEL_ESCANDALLOS", pr::SelEscandallos(pr::CantidadTresDecimales)));
  l.push_back(PasoLinea(u"ALTER TABLE ESCANDALLOS DROP COSTE_PORC_MED;"));
  l.push_back(PasoLinea(u"ALTER TABLE ESCANDALLOS DROP COSTE_COMPRA_MED;"));
  l.push_back(PasoLinea(u"DROP PROCEDURE SEL_BUSCA_PROVE;"));
  l.push_back(PasoLinea(u"ALTER TABLE MAT_PRI_ART ADD FECHA_ULT_COMPRA D_FECHA;"));
  l.push_back(PasoLinea(u"UPDATE MAT_PRI_ART SET FECHA_ULT_COMPRA=FECHA_ULT_PREC_COMPRA;"));
  l.push_back(PasoLinea(u"ALTER TABLE MAT_PRI_ART ADD COD_PROVE_ULT_COMPRA D_INT;"));
  l.push_back(PasoLinea(u"UPDATE MAT_PRI_ART SET COD_PROVE_ULT_COMPRA=COD_PROVE_POR_DEFECTO;"));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_MAT_PRI_ART", pr::ProcMatPriArt));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_STOCK_HIST_MOV", pr::ProcStockHistMov));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_ESCD_DELETE", pr::ProcEscdDelete));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_BORRAR_ESCANDALLOS", pr::ProcBorrarEscandallos));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_TABLAS_LIMPIA", pr::ProcTablasLimpia));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_COMANDA_DET_UPD_A_C", pr::ProcComandaDetUpdAC));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_INSERT_COMANDA", pr::ProcInsertComanda));
  for (const char16_t* columna : {u"FECHA_MIN_PREC_COMPRA", u"FECHA_MAX_PREC_COMPRA", u"COD_PROVE_MIN_PREC_COMPRA",
                                  u"COD_PROVE_MAX_PREC_COMPRA", u"FECHA_ULT_PREC_COMPRA",
                                  u"COD_PROVE_POR_DEFECTO"})
    l.push_back(PasoLinea(Texto(u"ALTER TABLE MAT_PRI_ART DROP ") + columna + u";"));
  return l;
}

}  // namespace

const Lote& Lote_20_21_0_3() {
  static const Lote lote = Construye();
  return lote;
}

}  // namespace migracion
