// Backup to QVD.FBK and restore over QVD.FB through the service manager of
// the loopback server, and the guard against restoring anything else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Comun.h"
#include "platform/excepciones.h"

using pruebas_bd::BaseTemporal;
using pruebas_bd::ModuloPrueba;
using pruebas_bd::U8;

namespace {

const char* const kNoRestaura = "Copia de seguridad no completada: no se restaura la base de datos.";

bool LineaDeServicio(const std::string& l) { return l.empty() || l.rfind("gbak:", 0) == 0; }

class Servicios : public ::testing::Test {
 protected:
  // A database whose pages are not the restore's 4096, so a restore shows.
  BaseTemporal base{"20.21.1.8", 8192};
  ModuloPrueba m{base.Ruta()};
  std::string Fbk() const { return base.Carpeta() + "QVD.FBK"; }
  std::string PaginaYDato() {
    auto c = base.Conecta();
    return c->Valor("SELECT MON$PAGE_SIZE FROM MON$DATABASE") + " " + c->Valor("SELECT NOMBRE FROM EMPRESA");
  }
};

TEST_F(Servicios, BackupThenRestoreRebuildsTheFileWithItsData) {
  {
    std::ofstream viejo(Fbk());  // left by an earlier run: never taken for this one
    viejo << "copia antigua";
  }
  m.datos->Abre();
  m.datos->EjecutaSentencia(u"dato", u"UPDATE EMPRESA SET NOMBRE = 'migrada';", ParamCheck::Encender);
  const size_t antes = m.log.size();
  m.datos->CopiaSeguridad();
  EXPECT_FALSE(m.datos->Conectada());
  const size_t trasCopia = m.log.size();
  m.datos->RestauraCopia();
  EXPECT_FALSE(m.datos->Conectada());
  EXPECT_EQ(m.datos->LlamadasLogin(), 1);

  std::vector<std::string> copia, restauracion;
  for (size_t i = antes; i < m.log.size(); ++i) (i < trasCopia ? copia : restauracion).push_back(U8(m.log[i]));
  ASSERT_FALSE(copia.empty());
  ASSERT_FALSE(restauracion.empty());
  for (const auto& l : copia) EXPECT_TRUE(LineaDeServicio(l)) << l;
  for (const auto& l : restauracion) EXPECT_TRUE(LineaDeServicio(l)) << l;
  auto contiene = [](const std::vector<std::string>& ls, const std::string& t) {
    for (const auto& l : ls)
      if (l.find(t) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(contiene(copia, "writing data for table EMPRESA")) << copia.size();
  EXPECT_TRUE(contiene(restauracion, "restoring data for table EMPRESA")) << restauracion.size();
  EXPECT_GT(std::filesystem::file_size(Fbk()), 1000u);
  EXPECT_EQ(PaginaYDato(), "4096 migrada");
  EXPECT_EQ(base.Conecta()->Valor("SELECT COUNT(*) FROM ENVASADO"), "12");

  const ParametrosLogin credenciales = {{u"user_name", u"SYSDBA"}, {u"password", u"Zv2128"}};
  EXPECT_EQ(m.datos->ParametrosCopia(), credenciales);
  EXPECT_EQ(m.datos->ParametrosRestaurar(), credenciales);
}

TEST_F(Servicios, BackupThatCannotBeWrittenLeavesTheMigratedDatabaseInPlace) {
  std::filesystem::create_directory(Fbk());  // the backup file cannot be created
  std::ofstream(Fbk() + "/dentro") << "x";
  m.datos->Abre();
  m.datos->EjecutaSentencia(u"dato", u"UPDATE EMPRESA SET NOMBRE = 'migrada';", ParamCheck::Encender);
  m.datos->CopiaSeguridad();
  EXPECT_NO_THROW(m.datos->RestauraCopia());
  ASSERT_FALSE(m.log.empty());
  EXPECT_EQ(U8(m.log.back()), kNoRestaura);
  EXPECT_EQ(PaginaYDato(), "8192 migrada");
}

TEST_F(Servicios, StaleBackupIsNeverRestoredWhenThisRunsBackupFails) {
  // A complete backup of older data...
  m.datos->CopiaSeguridad();
  m.datos->RestauraCopia();
  ASSERT_TRUE(std::filesystem::exists(Fbk()));
  base.Conecta()->Ejecuta("UPDATE EMPRESA SET NOMBRE = 'nueva'");
  // ...then a run whose backup is refused by the service manager.
  ModuloPrueba rechazado(base.Ruta(), "incorrecta");
  EXPECT_THROW(rechazado.datos->CopiaSeguridad(), EIBInterBaseError);
  EXPECT_FALSE(std::filesystem::exists(Fbk()));
  rechazado.datos->RestauraCopia();
  ASSERT_FALSE(rechazado.log.empty());
  EXPECT_EQ(U8(rechazado.log.back()), kNoRestaura);
  EXPECT_EQ(PaginaYDato(), "4096 nueva");
}

TEST_F(Servicios, RestoreThatDoesNotCompleteRaises) {
  m.datos->CopiaSeguridad();
  // Another connection holds the file, so Replace cannot take its place.
  auto ocupada = base.Conecta();
  EXPECT_THROW(m.datos->RestauraCopia(), Exception);
  EXPECT_EQ(ocupada->Valor("SELECT MON$PAGE_SIZE FROM MON$DATABASE"), "8192");
}

}  // namespace
