// The data module against the loopback server: attach and detach, the
// login parameters, the transaction, the statement protocol and its errors.
#include <gtest/gtest.h>

#include "Comun.h"
#include "database/migrations/Lotes.h"
#include "platform/excepciones.h"

using pruebas_bd::BaseTemporal;
using pruebas_bd::ModuloPrueba;
using pruebas_bd::U8;

namespace {

class Conexion : public ::testing::Test {
 protected:
  BaseTemporal base{"20.21.0.3"};
  ModuloPrueba m{base.Ruta()};
};

TEST_F(Conexion, LoginSetsUserRoleAndPasswordAfterThePresetCharacterSet) {
  m.datos->Abre();
  const ParametrosLogin esperados = {{u"user_name", u"SYSDBA"},
                                     {u"lc_ctype", u"ISO8859_1"},
                                     {u"sql_role_name", u"RDB$ADMIN"},
                                     {u"password", u"Zv2128"}};
  EXPECT_EQ(m.datos->ParametrosConexion(), esperados);
  EXPECT_TRUE(m.datos->Conectada());
  EXPECT_TRUE(m.datos->TransaccionActiva());
}

TEST_F(Conexion, AttachingTwiceAttachesOnceAndClosingTwiceIsSilent) {
  m.datos->Abre();
  m.datos->Abre();
  EXPECT_EQ(m.datos->LlamadasLogin(), 1);
  m.datos->Cierra();
  EXPECT_FALSE(m.datos->Conectada());
  EXPECT_FALSE(m.datos->TransaccionActiva());
  EXPECT_NO_THROW(m.datos->Cierra());
  m.datos->Abre();
  EXPECT_EQ(m.datos->LlamadasLogin(), 2);
  EXPECT_TRUE(m.datos->Conectada());
}

TEST_F(Conexion, DetachingCommitsPendingWork) {
  m.datos->Abre();
  m.datos->LimpiaSentencia();
  m.datos->AnadeLineaSentencia(u"UPDATE EMPRESA SET NOMBRE = 'pendiente'");
  m.datos->EjecutaSentenciaActual();
  m.datos->Cierra();
  EXPECT_EQ(base.Conecta()->Valor("SELECT NOMBRE FROM EMPRESA"), "pendiente");
}

TEST_F(Conexion, RollbackRetainingUndoesOnlyWhatWasNotCommitted) {
  m.datos->Abre();
  m.datos->EjecutaSentencia(u"uno", u"UPDATE EMPRESA SET NOMBRE = 'confirmado';", ParamCheck::Encender);
  m.datos->LimpiaSentencia();
  m.datos->AnadeLineaSentencia(u"UPDATE EMPRESA SET NOMBRE = 'deshecho'");
  m.datos->EjecutaSentenciaActual();
  m.datos->RollbackRetaining();
  EXPECT_TRUE(m.datos->TransaccionActiva());
  m.datos->Cierra();
  EXPECT_EQ(base.Conecta()->Valor("SELECT NOMBRE FROM EMPRESA"), "confirmado");
}

TEST_F(Conexion, AccentedLetterReachesTheServerAsOneLatin1Byte) {
  m.datos->Abre();
  m.datos->EjecutaSentencia(u"acento", u"UPDATE EMPRESA SET NOMBRE = '\u00F3';", ParamCheck::Encender);
  m.datos->Cierra();
  auto c = base.Conecta();
  EXPECT_EQ(c->Valor("SELECT OCTET_LENGTH(NOMBRE) FROM EMPRESA"), "1");
  EXPECT_EQ(c->Valor("SELECT ASCII_VAL(CAST(NOMBRE AS VARCHAR(1) CHARACTER SET OCTETS)) FROM EMPRESA"), "243");
}

TEST_F(Conexion, WrongPasswordRaisesTheLoginErrorAndStaysDetached) {
  ModuloPrueba otro(base.Ruta(), "incorrecta");
  try {
    otro.datos->Abre();
    FAIL() << "attach with a wrong password succeeded";
  } catch (const EIBInterBaseError& e) {
    EXPECT_EQ(e.SQLCode(), -902);
    EXPECT_EQ(e.IBErrorCode(), 335544472L);  // isc_login
    EXPECT_FALSE(e.Message().empty());
  }
  EXPECT_FALSE(otro.datos->Conectada());
}

TEST_F(Conexion, MissingDatabaseFileRaisesAFirebirdError) {
  ModuloPrueba otro(base.Carpeta() + "NO_EXISTE.FB");
  EXPECT_THROW(otro.datos->Abre(), EIBInterBaseError);
  EXPECT_FALSE(otro.datos->Conectada());
}

TEST_F(Conexion, StatementWithoutConnectionOrTransactionIsRefused) {
  m.datos->AnadeLineaSentencia(u"UPDATE EMPRESA SET NOMBRE = 'x'");
  EXPECT_THROW(m.datos->EjecutaSentenciaActual(), Exception);
  EXPECT_THROW(m.datos->CommitRetaining(), Exception);
  EXPECT_THROW(m.datos->RollbackRetaining(), Exception);
}

TEST_F(Conexion, EachStepLogsItsLabelOncePumpsAndSetsTheSwitchAsInstructed) {
  m.datos->Abre();
  struct Caso {
    ParamCheck instruccion;
    bool estadoDespues;
  };
  // On at creation; then off, kept off, on, kept on.
  EXPECT_TRUE(m.datos->ParamCheckActivo());
  const Caso casos[] = {{ParamCheck::Apagar, false}, {ParamCheck::Mantener, false},
                        {ParamCheck::Encender, true}, {ParamCheck::Mantener, true}};
  int n = 0;
  for (const Caso& c : casos) {
    const Texto etiqueta = u"paso " + texto::FormatoEntero(++n);
    m.datos->EjecutaSentencia(etiqueta, u"UPDATE EMPRESA SET NIVEL_DEF = " + texto::FormatoEntero(n) + u";",
                              c.instruccion);
    EXPECT_EQ(m.datos->ParamCheckActivo(), c.estadoDespues) << n;
    ASSERT_EQ(m.log.size(), static_cast<size_t>(n));
    EXPECT_EQ(m.log.back(), etiqueta);
    EXPECT_EQ(m.bombeos, n);
  }
  EXPECT_EQ(base.Conecta()->Valor("SELECT NIVEL_DEF FROM EMPRESA"), "4");
}

TEST_F(Conexion, ParamCheckLeavesQuotedColonsAloneAndRefusesRealMarkers) {
  m.datos->Abre();
  m.datos->EjecutaSentencia(u"comillas", u"UPDATE EMPRESA SET NOMBRE = 'a:b?';", ParamCheck::Encender);
  EXPECT_EQ(base.Conecta()->Valor("SELECT NOMBRE FROM EMPRESA"), "a:b?");
  // A marker asks for an input value the wizard never supplies.
  EXPECT_THROW(m.datos->EjecutaSentencia(u"marcador", u"UPDATE EMPRESA SET NOMBRE = :NOMBRE;", ParamCheck::Encender),
               EIBInterBaseError);
  EXPECT_EQ(base.Conecta()->Valor("SELECT NOMBRE FROM EMPRESA"), "a:b?");
}

TEST_F(Conexion, FailingThirdStatementLeavesTheFirstTwoCommittedAndStopsTheBatch) {
  const migracion::Lote lote = {
      migracion::PasoLinea(u"INSERT INTO MENSAJES (ID, DATO) VALUES (10, 'uno');", ParamCheck::Encender),
      migracion::PasoLinea(u"INSERT INTO MENSAJES (ID, DATO) VALUES (11, 'dos');"),
      migracion::PasoLinea(u"INSERT INTO NO_EXISTE (ID) VALUES (12);"),
      migracion::PasoLinea(u"INSERT INTO MENSAJES (ID, DATO) VALUES (13, 'cuatro');"),
  };
  m.datos->Abre();
  try {
    migracion::EjecutaLote(*m.datos, lote);
    FAIL() << "the batch did not fail";
  } catch (const EIBInterBaseError& e) {
    EXPECT_EQ(e.SQLCode(), -204);
    EXPECT_EQ(e.IBErrorCode(), 335544569L);  // isc_dsql_error
    EXPECT_NE(U8(e.Message()).find("NO_EXISTE"), std::string::npos) << U8(e.Message());
  }
  ASSERT_EQ(m.log.size(), 3u);
  EXPECT_EQ(m.log.back(), lote[2].etiqueta);
  // The failure path rolls back retaining, then detaches.
  ASSERT_TRUE(m.datos->TransaccionActiva());
  EXPECT_NO_THROW(m.datos->RollbackRetaining());
  m.datos->Cierra();
  const auto filas = base.Conecta()->Consulta("SELECT ID FROM MENSAJES WHERE ID >= 10 ORDER BY ID");
  ASSERT_EQ(filas.size(), 2u);
  EXPECT_EQ(*filas[0][0], "10");
  EXPECT_EQ(*filas[1][0], "11");
}

}  // namespace
