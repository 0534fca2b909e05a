// The batch below 20.21.1.0 (with the refusal of Firebird 3 to write system
// tables), the remaining batches, the version stamp and the gates.
#include <gtest/gtest.h>

#include "Comun.h"
#include "database/migrations/Lotes.h"
#include "platform/excepciones.h"
#include "tools/basedatos/Fixture.h"

using migracion::IdLote;
using pruebas_bd::BaseTemporal;
using pruebas_bd::ModuloPrueba;
using pruebas_bd::U8;

namespace {

std::vector<std::string> Columna(soporte_bd::ConexionPrueba& c, const std::string& sql) {
  std::vector<std::string> r;
  for (const auto& f : c.Consulta(sql)) r.push_back(f[0] ? *f[0] : "NULL");
  return r;
}

TEST(LoteAnterior_20_21_1_0, SystemTableWriteRefusedByFirebird3EndsTheBatchAtStep2) {
  BaseTemporal base("20.21.0.4");
  ModuloPrueba m(base.Ruta());
  m.datos->Abre();
  EXPECT_THROW(migracion::EjecutaLote(*m.datos, migracion::Lote_Anterior_20_21_1_0()), EIBInterBaseError);
  m.datos->RollbackRetaining();
  m.datos->Cierra();
  ASSERT_EQ(m.log.size(), 2u);
  EXPECT_EQ(U8(m.log.back()), "(RDB$FIELD_NAME = 'UNIDAD_MINIMA')");
  auto c = base.Conecta();
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM RDB$FIELDS WHERE RDB$FIELD_NAME = 'D_DEC_0_NN_5DEC'"), "1");
  EXPECT_EQ(c->Valor("SELECT PANT_DEV_D FROM INI WHERE TERMINAL = 1"), "0");
  EXPECT_EQ(c->Valor("SELECT INCL_CITAS FROM EMPRESA"), "N");
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM ENVASADO"), "9");
}

TEST(LoteAnterior_20_21_1_0, StatementsAndLabelsOfTheColumnSteps) {
  const migracion::Lote& lote = migracion::Lote_Anterior_20_21_1_0();
  ASSERT_EQ(lote.size(), 22u);
  EXPECT_EQ(U8(lote[0].sentencia), "CREATE DOMAIN D_DEC_0_NN_5DEC AS NUMERIC(18,5) DEFAULT 0 NOT NULL;");
  EXPECT_EQ(U8(lote[1].sentencia),
            "update RDB$RELATION_FIELDS set\nRDB$FIELD_SOURCE = 'D_DEC_0_NN_5DEC',\nRDB$NULL_FLAG = 1\n"
            "where (RDB$FIELD_NAME = 'UNIDAD_MINIMA') and\n(RDB$RELATION_NAME = 'ENVASADO');");
  EXPECT_EQ(U8(lote[2].sentencia),
            "update RDB$RELATION_FIELDS set\nRDB$FIELD_SOURCE = 'D_DEC_0_NN_5DEC',\nRDB$NULL_FLAG = 1\n"
            "where (RDB$FIELD_NAME = 'UND_POR_VENTA') and\n(RDB$RELATION_NAME = 'AYUDA_MEDIDA');");
  EXPECT_EQ(U8(lote[3].sentencia),
            "update RDB$RELATION_FIELDS set\nRDB$FIELD_SOURCE = 'D_DEC_0_NN_5DEC',\nRDB$NULL_FLAG = 1\n"
            "where (RDB$FIELD_NAME = 'CANTIDAD') and\n(RDB$RELATION_NAME = 'ESCANDALLOS');");
  EXPECT_EQ(U8(lote[11].sentencia),
            "DELETE FROM ENVASADO WHERE PREDEF = 'S' OR CODIGO < 4 OR NOMBRE = 'Unidades' OR NOMBRE = 'Kilogramos' "
            "OR NOMBRE = 'Litros';");
  EXPECT_EQ(U8(lote[20].etiqueta), U8(lote[20].sentencia));
  EXPECT_EQ(U8(lote[21].sentencia),
            "INSERT INTO AYUDA_MEDIDA (CODIGO, NOMBRE, UND_MEDIDA, UND_POR_VENTA, PREDEF) VALUES(3, 'Litros', "
            "'Litros', 1.00000, 'S');");
  std::vector<ParamCheck> esperado(22, ParamCheck::Mantener);
  esperado[0] = ParamCheck::Encender;
  esperado[6] = ParamCheck::Apagar;
  for (size_t i = 0; i < lote.size(); ++i) EXPECT_EQ(lote[i].instruccion, esperado[i]) << "paso " << i + 1;
}

// Steps 5 to 22 after the three columns were prepared as Firebird 3 allows.
class RestoLoteAnterior : public ::testing::Test {
 protected:
  void Ejecuta(bool sinFilasDeUsuario) {
    ModuloPrueba m0(base.Ruta());
    m0.datos->Abre();
    const migracion::Lote& lote = migracion::Lote_Anterior_20_21_1_0();
    m0.datos->EjecutaSentencia(lote[0].etiqueta, lote[0].sentencia, lote[0].instruccion);
    m0.datos->Cierra();
    if (sinFilasDeUsuario) base.Conecta()->Ejecuta("DELETE FROM ENVASADO WHERE CODIGO >= 4");
    soporte_bd::PreparaColumnasCincoDecimales(base.Ruta());
    m.datos->Abre();
    m.datos->SetParamCheck(true);
    for (size_t i = 4; i < lote.size(); ++i)
      m.datos->EjecutaSentencia(lote[i].etiqueta, lote[i].sentencia, lote[i].instruccion);
    m.datos->Cierra();
  }
  BaseTemporal base{"20.21.0.4"};
  ModuloPrueba m{base.Ruta()};
};

TEST_F(RestoLoteAnterior, BoxesFollowTheUserRowsAndSettingsAreSwitchedOn) {
  Ejecuta(false);
  EXPECT_EQ(U8(m.log[0]), "(MOSTRAR PANTALLA DE DEVOLUCION TODAS");
  EXPECT_EQ(U8(m.log[1]), "(INCLUYE CITAS = S");
  EXPECT_EQ(U8(m.log[2]), "ALTER PROCEDURE PROC_ENVASADO");
  auto c = base.Conecta();
  EXPECT_EQ(Columna(*c, "SELECT CODIGO || ' ' || NOMBRE || ' ' || MEDIDA_MINIMA || ' ' || UNIDAD_MINIMA || ' ' || "
                        "PREDEF FROM ENVASADO WHERE PREDEF = 'S' ORDER BY CODIGO"),
            (std::vector<std::string>{"1 Unidades MiliUnidades 0.00100 S", "2 Kilos Gramos 0.00100 S",
                                      "3 Litros MiliLitros 0.00100 S", "10 Caja 6 Und. Unidad 0.16667 S",
                                      "11 Caja 12 Und. Unidad 0.08333 S", "12 Caja 24 Und. Unidad 0.04167 S"}));
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM ENVASADO WHERE CODIGO BETWEEN 4 AND 9 AND PREDEF = 'N'"), "6");
  EXPECT_EQ(Columna(*c, "SELECT CODIGO || ' ' || NOMBRE || ' ' || UND_MEDIDA || ' ' || UND_POR_VENTA "
                        "FROM AYUDA_MEDIDA ORDER BY CODIGO"),
            (std::vector<std::string>{"1 Unidades Unidades 1.00000", "2 Kilos Kilos 1.00000",
                                      "3 Litros Litros 1.00000", "4 Copa Botella 0.12500"}));
  EXPECT_EQ(Columna(*c, "SELECT PANT_DEV_D + PANT_DEV_B + PANT_DEV_S + PANT_DEV_T FROM INI"),
            (std::vector<std::string>{"4", "4"}));
  EXPECT_EQ(c->Valor("SELECT INCL_CITAS FROM EMPRESA"), "S");
}

TEST_F(RestoLoteAnterior, WithoutUserRowsTheBoxesTakeCodesFourToSix) {
  Ejecuta(true);
  EXPECT_EQ(Columna(*base.Conecta(), "SELECT CODIGO FROM ENVASADO WHERE NOMBRE STARTING WITH 'Caja' ORDER BY CODIGO"),
            (std::vector<std::string>{"4", "5", "6"}));
}

TEST_F(RestoLoteAnterior, FiveDecimalQuantitiesSurviveTheRedefinedProcedures) {
  Ejecuta(false);
  auto c = base.Conecta();
  c->Ejecuta("EXECUTE PROCEDURE PROC_ENVASADO('I', 20, 'Pack 6', 'Unidad', 0.16667, 'N')");
  EXPECT_EQ(c->Valor("SELECT UNIDAD_MINIMA FROM ENVASADO WHERE CODIGO = 20"), "0.16667");
  c->Ejecuta("EXECUTE PROCEDURE PROC_ENVASADO('A', 20, 'Pack 3', 'Unidad', 0.33333, 'N')");
  EXPECT_EQ(c->Consulta("SELECT NOMBRE, UNIDAD_MINIMA FROM ENVASADO WHERE CODIGO = 20")[0],
            (soporte_bd::Fila{"Pack 3", "0.33333"}));
  c->Ejecuta("EXECUTE PROCEDURE PROC_ENVASADO('B', 20, NULL, NULL, 0, NULL)");
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM ENVASADO WHERE CODIGO = 20"), "0");
  c->Ejecuta("EXECUTE PROCEDURE PROC_AYUDA_MED_UPD_INS(1, 9, 'Vaso', 'Botella', 0.33333, 'N')");
  EXPECT_EQ(Columna(*c, "SELECT NOM_AYU_MED || ' ' || UND_POR_VENTA FROM SEL_AYUDA_MED_ENV(5)"),
            (std::vector<std::string>{"Copa 0.12500", "Vaso 0.33333"}));
  c->Ejecuta("EXECUTE PROCEDURE PROC_ESCD_INS(10, 1, 2, 4, 0.16667, 5, 3, 0.5)");
  EXPECT_EQ(Columna(*c, "SELECT CANTIDAD FROM SEL_ESCANDALLOS(10) ORDER BY COD_MP"),
            (std::vector<std::string>{"0.02000", "0.16667"}));
  EXPECT_EQ(c->Consulta("SELECT COSTE_ULT_ESCANDALLO, ESCANDALLADO FROM HIST_ART WHERE CODIGO = 10")[0],
            (soporte_bd::Fila{"1.600", "S"}));
}

TEST(PreciosCompra, RawMaterialWithoutPurchasesTakesTheGivenPriceEverywhere) {
  BaseTemporal base("20.21.1.1");
  auto c = base.Conecta();
  c->Ejecuta("EXECUTE PROCEDURE PROC_MP_PREC_COMPR_INI_ULT(2, 4.2)");
  EXPECT_EQ(c->Consulta("SELECT ULT_PREC_COMPRA, MIN_PREC_COMPRA, MAX_PREC_COMPRA, MED_PREC_COMPRA FROM MAT_PRI_ART "
                        "WHERE CODIGO = 2")[0],
            (soporte_bd::Fila{"4.200", "4.200", "4.200", "4.200"}));
  EXPECT_EQ(c->Consulta("SELECT COSTE_COMPRA_ULT, COSTE_PORC_ULT FROM ESCANDALLOS WHERE COD_MP = 2")[0],
            (soporte_bd::Fila{"4.200", "0.525"}));
  EXPECT_EQ(c->Valor("SELECT COSTE_ULT_ESCANDALLO FROM HIST_ART WHERE CODIGO = 11"), "0.525");
  // With purchases, minimum, maximum and weighted average come from them.
  c->Ejecuta("EXECUTE PROCEDURE PROC_STOCK_HIST_MOV('I', '2021-04-01', 1, 2, 'A1', 1, 'C', 1, 2, 10, 3, 0, 0, 0, "
             "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  c->Ejecuta("EXECUTE PROCEDURE PROC_STOCK_HIST_MOV('I', '2021-04-02', 1, 2, 'A2', 1, 'C', 1, 2, 30, 5, 0, 0, 0, "
             "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  c->Ejecuta("EXECUTE PROCEDURE PROC_MP_PREC_COMPR_INI_ULT(2, 5)");
  EXPECT_EQ(c->Consulta("SELECT ULT_PREC_COMPRA, MIN_PREC_COMPRA, MAX_PREC_COMPRA, MED_PREC_COMPRA, "
                        "FECHA_ULT_COMPRA, COD_PROVE_ULT_COMPRA FROM MAT_PRI_ART WHERE CODIGO = 2")[0],
            (soporte_bd::Fila{"5.000", "3.000", "5.000", "4.500", "2021-04-02", "2"}));
}

TEST(LotesFinales, PaymentMethodsRenamedAndVersionStamped) {
  BaseTemporal base("20.21.1.1");
  ModuloPrueba m(base.Ruta());
  m.datos->Abre();
  MDatos = m.datos.get();
  migracion::EjecutaLotes(u"20.21.1.1");
  MDatos = nullptr;
  m.datos->Cierra();
  std::vector<std::string> log;
  for (const Texto& l : m.log) log.push_back(U8(l));
  EXPECT_EQ(log, (std::vector<std::string>{"MODIFICAR FORMAS DE PAGO C", "MODIFICAR FORMAS DE PAGO H",
                                           "MODIFICAR FORMAS DE PAGO B", "MODIFICAR FORMAS DE PAGO W",
                                           "PONER NUEVA VERSION EN TABLA EMPRESA"}));
  EXPECT_TRUE(m.datos->ParamCheckActivo());
  auto c = base.Conecta();
  EXPECT_EQ(Columna(*c, "SELECT CODIGO || '=' || NOMBRE FROM FORMAS_PAGO ORDER BY CODIGO"),
            (std::vector<std::string>{"B=Vales/Tarjetas Empresa", "C=Bizum SmartPhone",
                                      "E=Efectivo", "H=A Cliente, Bizum SmartPhone",
                                      "W=A Cliente, Vales/Tarjetas Empresa"}));
  EXPECT_EQ(c->Valor("SELECT VERSION_ZELVANO FROM EMPRESA"), "20.21.2.8");
}

TEST(LotesFinales, PurchasePriceBatchLogsItsHeadsAndLeavesTheSwitchOff) {
  BaseTemporal base("20.21.1.0");
  ModuloPrueba m(base.Ruta());
  m.datos->Abre();
  migracion::EjecutaLote(*m.datos, migracion::Lote_Precios_Compra());
  m.datos->Cierra();
  ASSERT_EQ(m.log.size(), 2u);
  EXPECT_EQ(U8(m.log[0]), "ALTER PROCEDURE PROC_MP_PREC_COMPR_INI_ULT");
  EXPECT_EQ(U8(m.log[1]), "ALTER PROCEDURE SEL_STOCK_VENTAS");
  EXPECT_FALSE(m.datos->ParamCheckActivo());
  // Stock of the raw materials of "Caña" at terminal 1: 7 in stock, minus
  // two glasses of 0.02 each ordered.
  EXPECT_EQ(base.Conecta()->Consulta("SELECT * FROM SEL_STOCK_VENTAS(10, 1)"),
            (std::vector<soporte_bd::Fila>{{"Cerveza barril", "Barril", "6.960", "1.000", "4.000", "2.000"}}));
}

TEST(LotesFinales, StampRunsAfterTheBatchesEvenWithoutPaymentMethodW) {
  BaseTemporal base("20.21.1.8");
  base.Conecta()->Ejecuta("DELETE FROM FORMAS_PAGO WHERE CODIGO = 'W'");
  ModuloPrueba m(base.Ruta());
  m.datos->Abre();
  MDatos = m.datos.get();
  migracion::EjecutaLotes(u"20.21.1.8");
  MDatos = nullptr;
  m.datos->Cierra();
  EXPECT_EQ(m.log.size(), 3u);
  EXPECT_EQ(base.Conecta()->Valor("SELECT VERSION_ZELVANO FROM EMPRESA"), "20.21.2.8");
}

TEST(LotesFinales, FromVersion_20_21_0_3_AllBatchesRunUntilFirebird3RefusesTheSystemTableWrite) {
  BaseTemporal base("20.21.0.3");
  ModuloPrueba m(base.Ruta());
  m.datos->Abre();
  MDatos = m.datos.get();
  EXPECT_THROW(migracion::EjecutaLotes(u"20.21.0.3"), EIBInterBaseError);
  MDatos = nullptr;
  m.datos->RollbackRetaining();
  m.datos->Cierra();
  // The 78 steps of the first batch, then the second batch up to its step 2;
  // no later batch and no stamp.
  ASSERT_EQ(m.log.size(), 80u);
  EXPECT_EQ(U8(m.log[77]), "ALTER TABLE MAT_PRI_ART DROP COD_PROVE_POR_DEFECTO;");
  EXPECT_EQ(U8(m.log[78]), "CREATE DOMAIN D_DEC_0_NN_5DEC AS NUMERIC(18,5) DEFAULT 0 NOT NULL");
  EXPECT_EQ(U8(m.log[79]), "(RDB$FIELD_NAME = 'UNIDAD_MINIMA')");
  auto c = base.Conecta();
  EXPECT_EQ(c->Valor("SELECT VERSION_ZELVANO FROM EMPRESA"), "20.21.0.3");
  EXPECT_EQ(c->Valor("SELECT NOMBRE FROM FORMAS_PAGO WHERE CODIGO = 'C'"), "Tarjeta Cliente");
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'PROC_ASIGN_PROPINAS'"), "1");
}

TEST(Puertas, BatchesChosenByTextComparisonOfTheVersion) {
  using V = std::vector<IdLote>;
  const V todos = {IdLote::Lote_20_21_0_3, IdLote::Lote_Anterior_20_21_1_0, IdLote::Lote_Precios_Compra,
                   IdLote::Lote_Formas_Pago_CH, IdLote::Lote_Formas_Pago_BW};
  const struct {
    const char16_t* version;
    V lotes;
  } casos[] = {
      {u"20.21.0.3", todos},
      {u"20.21.0.7", V(todos.begin() + 1, todos.end())},
      {u"20.21.0.9", V(todos.begin() + 1, todos.end())},
      {u"20.21.1.0", V(todos.begin() + 2, todos.end())},
      {u"20.21.1.1", V(todos.begin() + 3, todos.end())},
      {u"20.21.1.2", V{IdLote::Lote_Formas_Pago_BW}},
      {u"20.21.1.5", V{IdLote::Lote_Formas_Pago_BW}},
      {u"20.21.1.8", V{IdLote::Lote_Formas_Pago_BW}},
      // Text, not numbers: "20.21.0.10" sorts before "20.21.0.3".
      {u"20.21.0.10", V(todos.begin() + 1, todos.end())},
  };
  for (const auto& c : casos) EXPECT_EQ(migracion::LotesAEjecutar(c.version), c.lotes) << U8(c.version);
}

}  // namespace
