// The batch for 20.21.0.3 on a database of that version: its log, the
// schema it leaves, and the procedures it creates and redefines at work.
#include <gtest/gtest.h>

#include <map>

#include "Comun.h"
#include "database/migrations/Lotes.h"

using pruebas_bd::BaseTemporal;
using pruebas_bd::ModuloPrueba;
using pruebas_bd::U8;

namespace {

std::vector<std::string> Columna(soporte_bd::ConexionPrueba& c, const std::string& sql) {
  std::vector<std::string> r;
  for (const auto& f : c.Consulta(sql)) r.push_back(f[0] ? *f[0] : "NULL");
  return r;
}

std::string Columnas(soporte_bd::ConexionPrueba& c, const std::string& tabla) {
  std::string r;
  for (const auto& n : Columna(c, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = '" +
                                       tabla + "' ORDER BY RDB$FIELD_POSITION"))
    r += (r.empty() ? "" : ",") + n;
  return r;
}

TEST(Lote_20_21_0_3, RunsItsSeventyEightStepsLoggingEachLabelInOrder) {
  BaseTemporal base("20.21.0.3");
  ModuloPrueba m(base.Ruta());
  m.datos->Abre();
  migracion::EjecutaLote(*m.datos, migracion::Lote_20_21_0_3());
  m.datos->Cierra();

  ASSERT_EQ(m.log.size(), 78u);
  const std::map<int, std::string> etiquetas = {
      {1, "UPDATE COMANDA_EST SET LUGAR = 'Barra' WHERE LUGAR = 'Barra-1';"},
      {2, "UPDATE COMANDA_EST SET LUGAR = 'Salón' WHERE LUGAR = 'Salón-1';"},
      {3, "UPDATE COMANDA_EST SET LUGAR = 'Terraza' WHERE LUGAR = 'Zona-T1';"},
      {4, "UPDATE COMANDA_EST_TEMP SET LUGAR = 'Barra' WHERE LUGAR = 'Barra-1';"},
      {12, "UPDATE COMANDA_DET_TEMP SET LUGAR = 'Terraza' WHERE LUGAR = 'Zona-T1';"},
      {16, "UPDATE TICKETS_HIST SET LUGAR = 'Barra' WHERE LUGAR = 'Barra-1';"},
      {20, "UPDATE ACTIV SET LUGAR = 'Salón' WHERE LUGAR = 'Salón-1';"},
      {24, "UPDATE CLIENTES_DET SET LUGAR = 'Terraza' WHERE LUGAR = 'Zona-T1';"},
      {25, "ALTER TABLE PROPINAS DROP CONSTRAINT PK_PROPINAS;"},
      {26, "ALTER TABLE PROPINAS drop DIRECTO;"},
      {32, "ALTER TABLE PROPINAS drop SALON_3;"},
      {36, "ALTER TABLE PROPINAS drop TOTAL;"},
      {37, "ALTER TABLE PROPINAS ADD NUM_TICKET D_INT_0_NN NOT NULL;"},
      {38, "ALTER TABLE PROPINAS ADD ANTES_IMPUESTOS D_BOOL_N_NN_ISO NOT NULL  COLLATE ES_ES;"},
      {39, "ALTER TABLE PROPINAS ADD TIPO_PORCENTAJE D_INTSHORT_0_NN NOT NULL;"},
      {40, "ALTER TABLE PROPINAS ADD TOTAL_PROPINA D_PVPLONG_NN NOT NULL;"},
      {41, "ALTER TABLE PROPINAS ADD CONSTRAINT PK_PROPINAS PRIMARY KEY (NUM_TICKET);"},
      {42, "CREATE INDEX IDX_PROPINAS_FECH_TER_TUR ON PROPINAS (FECHA,TERMINAL,TURNO);"},
      {43, "DROP PROCEDURE PROC_MAT_PRI_ART_UPD;"},
      {44, "CREATE PROCEDURE PROC_ASIGN_PROPINAS"},
      {45, "CREATE PROCEDURE SEL_TICKET_PROPINA"},
      {46, "CREATE PROCEDURE SEL_PROPINA_TOT"},
      {47, "CREATE PROCEDURE PROC_ESCANDALLO_COPIA_INS"},
      {48, "GRANT EXECUTE ON PROCEDURE PROC_ESCANDALLO_COPIA_INS TO ZELVANO;"},
      {51, "GRANT EXECUTE ON PROCEDURE SEL_PROPINA_TOT TO ZELVANO;"},
      {52, "ALTER PROCEDURE SEL_COMANDA_MENU"},
      {53, "ALTER PROCEDURE SEL_COMANDA_MENU_COMP"},
      {54, "ALTER PROCEDURE SEL_ARTS_BEBIDA"},
      {55, "ALTER PROCEDURE SEL_STOCK_HIST_MOV"},
      {56, "ALTER PROCEDURE PROC_MP_PREC_COMPR_INI_ULT"},
      {57, "ALTER PROCEDURE PROC_ESCD_INS"},
      {58, "ALTER PROCEDURE SEL_ESCANDALLOS"},
      {59, "ALTER TABLE ESCANDALLOS DROP COSTE_PORC_MED;"},
      {60, "ALTER TABLE ESCANDALLOS DROP COSTE_COMPRA_MED;"},
      {61, "DROP PROCEDURE SEL_BUSCA_PROVE;"},
      {62, "ALTER TABLE MAT_PRI_ART ADD FECHA_ULT_COMPRA D_FECHA;"},
      {63, "UPDATE MAT_PRI_ART SET FECHA_ULT_COMPRA=FECHA_ULT_PREC_COMPRA;"},
      {64, "ALTER TABLE MAT_PRI_ART ADD COD_PROVE_ULT_COMPRA D_INT;"},
      {65, "UPDATE MAT_PRI_ART SET COD_PROVE_ULT_COMPRA=COD_PROVE_POR_DEFECTO;"},
      {66, "ALTER PROCEDURE PROC_MAT_PRI_ART"},
      {67, "ALTER PROCEDURE PROC_STOCK_HIST_MOV"},
      {68, "ALTER PROCEDURE PROC_ESCD_DELETE"},
      {69, "ALTER PROCEDURE PROC_BORRAR_ESCANDALLOS"},
      {70, "ALTER PROCEDURE PROC_TABLAS_LIMPIA"},
      {71, "ALTER PROCEDURE PROC_COMANDA_DET_UPD_A_C"},
      {72, "ALTER PROCEDURE PROC_INSERT_COMANDA"},
      {73, "ALTER TABLE MAT_PRI_ART DROP FECHA_MIN_PREC_COMPRA;"},
      {76, "ALTER TABLE MAT_PRI_ART DROP COD_PROVE_MAX_PREC_COMPRA;"},
      {78, "ALTER TABLE MAT_PRI_ART DROP COD_PROVE_POR_DEFECTO;"},
  };
  for (const auto& [paso, etiqueta] : etiquetas) EXPECT_EQ(U8(m.log[paso - 1]), etiqueta) << "paso " << paso;
  // One-line steps show their statement; procedure steps only their head.
  const migracion::Lote& lote = migracion::Lote_20_21_0_3();
  for (size_t i = 0; i < lote.size(); ++i) {
    const bool procedimiento = (i >= 43 && i <= 46) || (i >= 51 && i <= 57) || (i >= 65 && i <= 71);
    if (procedimiento) {
      EXPECT_NE(lote[i].sentencia, lote[i].etiqueta) << i + 1;
      EXPECT_EQ(U8(lote[i].sentencia).rfind("END"), U8(lote[i].sentencia).size() - 3) << i + 1;
    } else {
      EXPECT_EQ(lote[i].sentencia, lote[i].etiqueta) << i + 1;
    }
  }
  EXPECT_FALSE(m.datos->ParamCheckActivo());
}

TEST(Lote_20_21_0_3, ParamCheckIsOnUpToStep43AndOffFromStep44) {
  const migracion::Lote& lote = migracion::Lote_20_21_0_3();
  bool activo = false;  // whatever the batch before left
  for (size_t i = 0; i < lote.size(); ++i) {
    if (lote[i].instruccion == ParamCheck::Encender) activo = true;
    if (lote[i].instruccion == ParamCheck::Apagar) activo = false;
    EXPECT_EQ(activo, i < 43) << "paso " << i + 1;
    // A text with a colon outside quotes never runs with the check on.
    if (activo) {
      EXPECT_EQ(U8(lote[i].sentencia).find(':'), std::string::npos) << i + 1;
    }
  }
}

class TrasLote_20_21_0_3 : public ::testing::Test {
 protected:
  // A database of 20.21.0.4 is one of 20.21.0.3 after this batch.
  BaseTemporal base{"20.21.0.4"};
  std::unique_ptr<soporte_bd::ConexionPrueba> c = base.Conecta();
};

TEST_F(TrasLote_20_21_0_3, PlacesAreRenamedInEveryTableAndOthersAreLeft) {
  EXPECT_EQ(Columna(*c, "SELECT LUGAR FROM COMANDA_EST ORDER BY NUMERO"),
            (std::vector<std::string>{"Barra", "Salón", "Terraza", "Barra-2"}));
  for (const char* tabla : {"COMANDA_EST_TEMP", "COMANDA_DET", "COMANDA_DET_TEMP", "TICKETS", "TICKETS_HIST", "ACTIV",
                            "CLIENTES_DET"}) {
    EXPECT_EQ(c->Valor(std::string("SELECT COUNT(*) FROM ") + tabla +
                       " WHERE LUGAR IN ('Barra-1', 'Salón-1', 'Zona-T1')"),
              "0")
        << tabla;
    EXPECT_NE(c->Valor(std::string("SELECT COUNT(*) FROM ") + tabla + " WHERE LUGAR IN ('Barra', 'Salón', 'Terraza')"),
              "0")
        << tabla;
  }
}

TEST_F(TrasLote_20_21_0_3, TipsTableHasOneRowPerTicket) {
  EXPECT_EQ(Columnas(*c, "PROPINAS"),
            "FECHA,TERMINAL,TURNO,COD_EMPL,NUM_TICKET,ANTES_IMPUESTOS,TIPO_PORCENTAJE,TOTAL_PROPINA");
  EXPECT_EQ(Columna(*c, "SELECT TRIM(RDB$FIELD_SOURCE) || ':' || COALESCE(RDB$NULL_FLAG, 0) || ':' || "
                        "COALESCE(RDB$COLLATION_ID, -1) FROM RDB$RELATION_FIELDS "
                        "WHERE RDB$RELATION_NAME = 'PROPINAS' AND RDB$FIELD_POSITION >= 4 ORDER BY RDB$FIELD_POSITION"),
            (std::vector<std::string>{"D_INT_0_NN:1:-1", "D_BOOL_N_NN_ISO:1:" +
                                          c->Valor("SELECT RDB$COLLATION_ID FROM RDB$COLLATIONS WHERE "
                                                   "RDB$COLLATION_NAME = 'ES_ES'"),
                                      "D_INTSHORT_0_NN:1:-1", "D_PVPLONG_NN:1:-1"}));
  EXPECT_EQ(Columna(*c, "SELECT TRIM(S.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS RC JOIN RDB$INDEX_SEGMENTS S "
                        "ON S.RDB$INDEX_NAME = RC.RDB$INDEX_NAME WHERE RC.RDB$CONSTRAINT_NAME = 'PK_PROPINAS' "
                        "AND RC.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"),
            std::vector<std::string>{"NUM_TICKET"});
  EXPECT_EQ(Columna(*c, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$INDEX_SEGMENTS WHERE RDB$INDEX_NAME = "
                        "'IDX_PROPINAS_FECH_TER_TUR' ORDER BY RDB$FIELD_POSITION"),
            (std::vector<std::string>{"FECHA", "TERMINAL", "TURNO"}));
}

TEST_F(TrasLote_20_21_0_3, ProceduresCreatedGrantedDroppedAndRawMaterialColumnsMoved) {
  const std::string procs = "SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = ";
  for (const char* p : {"PROC_ASIGN_PROPINAS", "SEL_TICKET_PROPINA", "SEL_PROPINA_TOT", "PROC_ESCANDALLO_COPIA_INS"}) {
    EXPECT_EQ(c->Valor(procs + "'" + p + "'"), "1") << p;
    EXPECT_EQ(c->Valor(std::string("SELECT COUNT(*) FROM RDB$USER_PRIVILEGES WHERE RDB$RELATION_NAME = '") + p +
                       "' AND RDB$USER = 'ZELVANO' AND RDB$PRIVILEGE = 'X'"),
              "1")
        << p;
  }
  for (const char* p : {"PROC_MAT_PRI_ART_UPD", "SEL_BUSCA_PROVE"}) EXPECT_EQ(c->Valor(procs + "'" + p + "'"), "0") << p;
  EXPECT_EQ(Columnas(*c, "ESCANDALLOS"),
            "COD_HIST_ART,COD_FMP,COD_MP,COD_AYUDA_MED,CANTIDAD,COD_ENVASE,COSTE_COMPRA_ULT,COSTE_PORC_ULT");
  EXPECT_EQ(Columnas(*c, "MAT_PRI_ART"),
            "CODIGO,COD_FMP,DESCRIPCION,COD_BARRAS,COD_MEDIDA,COD_TIPO_IVA,PROD_CON_FECHA_CADUC,PROD_PERECEDERO,"
            "NECESITA_FRIO,MIN_PREC_COMPRA,MAX_PREC_COMPRA,MED_PREC_COMPRA,ULT_PREC_COMPRA,INI_PREC_COMPRA,NOTA,"
            "FECHA_ULT_COMPRA,COD_PROVE_ULT_COMPRA");
  EXPECT_EQ(c->Consulta("SELECT FECHA_ULT_COMPRA, COD_PROVE_ULT_COMPRA FROM MAT_PRI_ART WHERE CODIGO = 1")[0],
            (soporte_bd::Fila{"2021-02-14", "2"}));
  EXPECT_EQ(c->Consulta("SELECT FECHA_ULT_COMPRA, COD_PROVE_ULT_COMPRA FROM MAT_PRI_ART WHERE CODIGO = 2")[0],
            (soporte_bd::Fila{std::nullopt, std::nullopt}));
  // The definitions reach the server with their line breaks and comments.
  const std::string fuente = c->Valor(
      "SELECT CAST(RDB$PROCEDURE_SOURCE AS VARCHAR(8000)) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = "
      "'PROC_TABLAS_LIMPIA'");
  EXPECT_NE(fuente.find("/*CUERPO*/\n    BEGIN"), std::string::npos) << fuente;
}

TEST_F(TrasLote_20_21_0_3, TicketTipIsRecordedChangedRemovedAndReadAsZeroWhenAbsent) {
  EXPECT_EQ(c->Consulta("SELECT * FROM SEL_TICKET_PROPINA(999)"), (std::vector<soporte_bd::Fila>{{"0", "0.000"}}));
  c->Ejecuta("EXECUTE PROCEDURE PROC_ASIGN_PROPINAS('2021-03-01', 1, 1, 5, 70, 'S', 10, 2.5, 'I')");
  EXPECT_EQ(c->Consulta("SELECT * FROM SEL_TICKET_PROPINA(70)"), (std::vector<soporte_bd::Fila>{{"10", "2.500"}}));
  c->Ejecuta("EXECUTE PROCEDURE PROC_ASIGN_PROPINAS('2021-03-02', 2, 2, 6, 70, 'N', 5, 3.25, 'A')");
  EXPECT_EQ(c->Consulta("SELECT FECHA, TERMINAL, TURNO, COD_EMPL, ANTES_IMPUESTOS, TIPO_PORCENTAJE, TOTAL_PROPINA "
                        "FROM PROPINAS WHERE NUM_TICKET = 70")[0],
            (soporte_bd::Fila{"2021-03-01", "1", "1", "5", "S", "10", "3.250"}));
  c->Ejecuta("EXECUTE PROCEDURE PROC_ASIGN_PROPINAS('2021-03-01', 1, 1, 5, 70, 'S', 10, 0, 'A')");
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM PROPINAS"), "0");
}

TEST_F(TrasLote_20_21_0_3, EmployeeTipTotalsFollowTerminalAndShiftRules) {
  const char* const propinas[] = {
      "'2021-03-01', 1, 1, 5, 1, 'N', 0, 1, 'I'",  "'2021-03-01', 2, 1, 5, 2, 'N', 0, 2, 'I'",
      "'2021-03-01', 1, 2, 5, 3, 'N', 0, 4, 'I'",  "'2021-03-02', 1, 1, 5, 4, 'N', 0, 8, 'I'",
      "'2021-03-01', 1, 1, 6, 5, 'N', 0, 16, 'I'",
  };
  for (const char* p : propinas) c->Ejecuta(std::string("EXECUTE PROCEDURE PROC_ASIGN_PROPINAS(") + p + ")");
  struct Caso {
    const char* argumentos;  // terminal, shift, date, employee
    const char* total;
  };
  const Caso casos[] = {
      {"0, 0, '2000-01-01', 5", "15.000"}, {"0, -1, '2021-03-01', 5", "7.000"}, {"0, 1, '2021-03-01', 5", "3.000"},
      {"1, 0, '2000-01-01', 5", "13.000"}, {"1, -1, '2021-03-01', 5", "5.000"}, {"1, 1, '2021-03-01', 5", "1.000"},
      {"1, 1, '2021-03-01', 9", "NULL"},
  };
  for (const Caso& k : casos) {
    const auto filas = c->Consulta(std::string("SELECT * FROM SEL_PROPINA_TOT(") + k.argumentos + ")");
    ASSERT_EQ(filas.size(), 1u) << k.argumentos;
    EXPECT_EQ(filas[0][0] ? *filas[0][0] : "NULL", k.total) << k.argumentos;
  }
}

TEST_F(TrasLote_20_21_0_3, InsertIntoAnEmptyOrderStartsAtOneAndUsesTheRecipeCost) {
  const std::string alta =
      "EXECUTE PROCEDURE PROC_INSERT_COMANDA('Barra', 20, 1, '%s', 1.5, 0.3, 'N', 0, 0, 'T1', 1, 0, 0, 0)";
  auto inserta = [&](const std::string& articulo) {
    std::string s = alta;
    s.replace(s.find("%s"), 2, articulo);
    c->Ejecuta(s);
  };
  inserta("CAÑA");  // the history article "Caña", found whatever the case
  inserta("Tapa");  // new: takes the history code the counter holds
  EXPECT_EQ(c->Consulta("SELECT ORDEN, CANT_ART, PVP_INI, COD_HIST, PREC_COSTE_ART, PREC_COMENT FROM COMANDA_DET "
                        "WHERE LUGAR = 'Barra' AND NUMERO = 20 ORDER BY ORDEN"),
            (std::vector<soporte_bd::Fila>{{"1", "1", "1.500", "10", "1.100", "0.000"},
                                           {"2", "1", "1.500", "100", "0.300", "0.000"}}));
  EXPECT_EQ(c->Valor("SELECT DESCRIPCION FROM HIST_ART WHERE CODIGO = 100"), "Tapa");
  EXPECT_EQ(c->Valor("SELECT CODIGO FROM GEN_COD WHERE NOMBRE_TABLA = 'HIST_ART'"), "100");
}

TEST_F(TrasLote_20_21_0_3, RemovingTheLastRecipeLineLeavesTheArticleWithoutRecipe) {
  c->Ejecuta("EXECUTE PROCEDURE PROC_ESCD_DELETE(11, 2)");
  EXPECT_EQ(c->Consulta("SELECT COSTE_ULT_ESCANDALLO, ESCANDALLADO FROM HIST_ART WHERE CODIGO = 11")[0],
            (soporte_bd::Fila{"0.000", "N"}));
  EXPECT_EQ(c->Consulta("SELECT COSTE_ULT_ESCANDALLO, ESCANDALLADO FROM HIST_ART WHERE CODIGO = 10")[0],
            (soporte_bd::Fila{"1.100", "S"}));
}

TEST_F(TrasLote_20_21_0_3, ClearingWithOneEmptiesWorkingTablesOnly) {
  c->Ejecuta("EXECUTE PROCEDURE PROC_ASIGN_PROPINAS('2021-03-01', 1, 1, 5, 1, 'N', 0, 1, 'I')");
  c->Ejecuta("EXECUTE PROCEDURE PROC_TABLAS_LIMPIA(1)");
  for (const char* tabla :
       {"ARQUEOS", "ARTICULOS_TEMP", "CAMBIO_CAJA", "CAMBIO_INICIAL", "CLIENTES_DET", "CLIENTES_FACT", "COMANDA_DET",
        "COMANDA_DET_TEMP", "COMANDA_EST_TEMP", "DIARIO_FACT", "DIARIO_FACT_EMPL", "EMPLEADOS_CONTR",
        "EMPLEADOS_FICHAR", "EMPLEADOS_SUELDO", "MENSAJES", "PROPINAS", "TICKETS", "TICKETS_DET", "TICKETS_HIST",
        "TICKETS_HIST_DET", "VENTAS", "VENTAS_DTO", "VENTAS_FAM", "MAT_PRI_VENTA", "STOCK_HIST_VENTA"})
    EXPECT_EQ(c->Valor(std::string("SELECT COUNT(*) FROM ") + tabla), "0") << tabla;
  EXPECT_EQ(Columna(*c, "SELECT TRIM(NOMBRE_TABLA) || '=' || CODIGO FROM GEN_COD ORDER BY NOMBRE_TABLA"),
            (std::vector<std::string>{"HIST_ART=100", "IDENTIF_MENUS=0", "IDENTIF_PEDIDOS=0", "TICKETS=1"}));
  EXPECT_EQ(c->Consulta("SELECT COD_EMPL, NOM_EMPL, TERMINAL, TOT_PVP, NOM_MESA, COLOR FROM COMANDA_EST "
                        "WHERE NUMERO = 1")[0],
            (soporte_bd::Fila{std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "65280"}));
  // Raw materials, recipes, stock and articles stay.
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM MAT_PRI_ART"), "2");
  EXPECT_EQ(c->Valor("SELECT COUNT(*) FROM ESCANDALLOS"), "2");
  EXPECT_EQ(c->Valor("SELECT UND_STOCK FROM ALMACEN_STOCK"), "7.000");
  EXPECT_EQ(c->Valor("SELECT ES_MAT_PRIMA FROM ARTICULOS"), "1");
  EXPECT_EQ(c->Valor("SELECT ESCANDALLADO FROM HIST_ART WHERE CODIGO = 10"), "S");
}

TEST_F(TrasLote_20_21_0_3, MenuComponentsNameTheirCourse) {
  const char* const lineas[] = {"1, 6", "2, 7", "3, 12", "4, 11"};
  for (const char* l : lineas)
    c->Ejecuta(std::string("INSERT INTO COMANDA_DET (LUGAR, NUMERO, ORDEN, GRUPO_ENVIO, COD_HIST, CANT_ART, DESCR_ART, "
                           "PREC_ART, PREC_COMENT, PREC_ESP, ART_TIPO_ASOC, ORDEN_MENU) VALUES ('Salón', 30, ") +
               l + ", 10, 1, 'Plato', 0, 0, 'X', -1, 1)");
  EXPECT_EQ(Columna(*c, "SELECT COALESCE(GRUPO, 'NULL') FROM SEL_COMANDA_MENU_COMP('Salón', 30, 1)"),
            (std::vector<std::string>{"NULL", "Bebida", "NULL", "Cafe"}));
}

TEST_F(TrasLote_20_21_0_3, RecipeCopiedToAnotherArticleWithItsCost) {
  c->Ejecuta("INSERT INTO HIST_ART (CODIGO, FAMILIA, DESCRIPCION) VALUES (12, 1, 'Caña doble')");
  c->Ejecuta("EXECUTE PROCEDURE PROC_ESCANDALLO_COPIA_INS(10, 12)");
  EXPECT_EQ(c->Consulta("SELECT COD_FMP, COD_MP, COD_AYUDA_MED, CANTIDAD, COD_ENVASE, COSTE_COMPRA_ULT, COSTE_PORC_ULT "
                        "FROM ESCANDALLOS WHERE COD_HIST_ART = 12"),
            (std::vector<soporte_bd::Fila>{{"1", "1", "1", "0.020", "4", "55.000", "1.100"}}));
  EXPECT_EQ(c->Consulta("SELECT ESCANDALLADO, COSTE_ULT_ESCANDALLO FROM HIST_ART WHERE CODIGO = 12")[0],
            (soporte_bd::Fila{"S", "1.100"}));
}

TEST_F(TrasLote_20_21_0_3, OrderLineRenamedAndLinkedToItsHistoryArticle) {
  // With a comment joined (SPL 'S'): a new history article takes the
  // counter's code; the recipe cost applies only to recipe articles.
  c->Ejecuta("EXECUTE PROCEDURE PROC_COMANDA_DET_UPD_A_C('Barra', 1, 1, 1, 'Caña', 'con limón', 'S')");
  EXPECT_EQ(c->Consulta("SELECT COD_HIST, DESCR_ART, DESCR_COMENT, PREC_COSTE_ART FROM COMANDA_DET "
                        "WHERE LUGAR = 'Barra' AND NUMERO = 1 AND ORDEN = 1")[0],
            (soporte_bd::Fila{"100", "Caña", "con limón", "0.400"}));
  EXPECT_EQ(c->Valor("SELECT DESCRIPCION FROM HIST_ART WHERE CODIGO = 100"), "Caña con limón");
  // Without joining the comment the line is the recipe article "Caña".
  c->Ejecuta("EXECUTE PROCEDURE PROC_COMANDA_DET_UPD_A_C('Barra', 1, 1, 1, 'caña', 'con limón', 'N')");
  EXPECT_EQ(c->Consulta("SELECT COD_HIST, PREC_COSTE_ART, PREC_COSTE_COMENT FROM COMANDA_DET "
                        "WHERE LUGAR = 'Barra' AND NUMERO = 1 AND ORDEN = 1")[0],
            (soporte_bd::Fila{"10", "1.100", "0.000"}));
}

TEST_F(TrasLote_20_21_0_3, MenuDrinksLeftAreTheMenuDrinksLessThoseServed) {
  // Menu 1 of order 40: two menus with drink, one drink of minimum 1 served.
  c->Ejecuta("INSERT INTO COMANDA_DET (LUGAR, NUMERO, ORDEN, ORDEN_MENU, CANT_ART, PREC_ESP, ART_TIPO_ASOC, "
             "GRUPO_ENVIO, MENU_BEBIDA_MIN) VALUES ('Salón', 40, 1, 1, 2, 'M', 1, 0, 0)");
  EXPECT_EQ(c->Valor("SELECT BEBIDA FROM SEL_ARTS_BEBIDA('Salón', 40, 1)"), "2");
  c->Ejecuta("INSERT INTO COMANDA_DET (LUGAR, NUMERO, ORDEN, ORDEN_MENU, CANT_ART, PREC_ESP, ART_TIPO_ASOC, "
             "GRUPO_ENVIO, MENU_BEBIDA_MIN) VALUES ('Salón', 40, 2, 1, 1, 'X', -1, 7, 1)");
  EXPECT_EQ(c->Valor("SELECT BEBIDA FROM SEL_ARTS_BEBIDA('Salón', 40, 1)"), "1");
  EXPECT_EQ(c->Valor("SELECT COALESCE(BEBIDA, -99) FROM SEL_ARTS_BEBIDA('Salón', 41, 1)"), "-99");
}

}  // namespace
