// Backup to QVD.FBK and restore over QVD.FB through the service manager of
// the loopback server, and the guard against restoring anything else.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Comun.h"
#include "database/VersionBaseDatos.h"
#include "platform/excepciones.h"

using pruebas_bd::BaseTemporal;
using pruebas_bd::ModuloPrueba;
using pruebas_bd::U8;

namespace {

const char* const kNoRestaura = "Copia de seguridad no completada: no se restaura la base de datos.";

const char* const kNueva = "QVD_NUEVA.FB";

bool LineaDeServicio(const std::string& l) { return l.empty() || l.rfind("gbak:", 0) == 0; }

std::string Bytes(const std::string& fichero) {
  std::ifstream f(fichero, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

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
  EXPECT_FALSE(std::filesystem::exists(base.Carpeta() + kNueva));
  EXPECT_EQ(U8(m.datos->CompruebaBaseDatos(u"20.21.1.8")), "");
  // The restored file's own read stands for QVD.FB's, and is still held to
  // the stamp asked for.
  EXPECT_EQ(U8(m.datos->CompruebaRestaurada(u"20.21.1.8")), "");
  EXPECT_EQ(U8(m.datos->CompruebaRestaurada(u"20.21.2.8")), "La base de datos no tiene la versión 20.21.2.8.");
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
  EXPECT_FALSE(std::filesystem::exists(base.Carpeta() + kNueva));
  // No restored file took its place: QVD.FB itself is read.
  ocupada->Ejecuta("INSERT INTO EMPRESA SELECT FIRST 1 * FROM EMPRESA");
  EXPECT_EQ(U8(m.datos->CompruebaRestaurada(u"20.21.1.8")), "Faltan o sobran filas en la tabla EMPRESA.");
}

// The whole read of a database: online, every row's stamp, every table's
// rows; a second row in EMPRESA is read like the first.
TEST_F(Servicios, CompruebaBaseDatosReadsEveryRowAndEveryTable) {
  m.datos->CopiaSeguridad();  // takes the migrated database's read
  auto c = base.Conecta();
  EXPECT_EQ(U8(m.datos->CompruebaBaseDatos(u"20.21.1.8")), "");
  EXPECT_EQ(U8(m.datos->CompruebaBaseDatos(u"20.21.2.8")), "La base de datos no tiene la versión 20.21.2.8.");
  c->Ejecuta("INSERT INTO EMPRESA SELECT FIRST 1 * FROM EMPRESA");
  EXPECT_EQ(U8(m.datos->CompruebaBaseDatos(u"20.21.1.8")), "Faltan o sobran filas en la tabla EMPRESA.");
  c->Ejecuta("UPDATE EMPRESA SET VERSION_ZELVANO = '20.21.2.8'");
  texto::Texto version;
  EXPECT_TRUE(basedatos::LeeVersion(texto::DeUtf8("127.0.0.1:" + base.Ruta()), u"SYSDBA", u"Zv2128", version));
  EXPECT_EQ(U8(version), "20.21.2.8");
}

// The read that a restored file takes QVD.FB's place on also counts, over
// its own connection, who else has the file: a till's attachment, and none.
TEST_F(Servicios, RevisaCountsTheOtherAttachmentsOverItsOwnConnection) {
  const Texto nombre = texto::DeUtf8("127.0.0.1:" + base.Ruta());
  for (const bool conCaja : {false, true}) {
    SCOPED_TRACE(conCaja ? "con una caja conectada" : "sin nadie");
    auto caja = conCaja ? base.Conecta() : nullptr;
    int otras = -1;
    const basedatos::Revision r = basedatos::Revisa(nombre, u"SYSDBA", u"Zv2128", &otras);
    EXPECT_TRUE(r.enLinea);
    EXPECT_FALSE(r.filas.empty());
    EXPECT_EQ(otras, conCaja ? 1 : 0);
  }
}

// A volume of its own for the database, so that a test can fill it or make
// it read-only: a small tmpfs (the tests run as root, like the server).
class VolumenPropio {
 public:
  VolumenPropio() {
    std::string plantilla = (std::filesystem::temp_directory_path() / "zv_vol_XXXXXX").string();
    if (!mkdtemp(plantilla.data())) throw std::runtime_error("mkdtemp");
    carpeta_ = plantilla + "/";
    montado_ = ::mount("tmpfs", carpeta_.c_str(), "tmpfs", 0, "size=64m,mode=0777") == 0;
  }
  ~VolumenPropio() {
    Remonta("size=64m");
    try {
      soporte_bd::ConexionPrueba::BorraBase(carpeta_ + "QVD.FB");
    } catch (...) {
    }
    if (montado_) ::umount2(carpeta_.c_str(), MNT_DETACH);
    std::error_code ec;
    std::filesystem::remove_all(carpeta_, ec);
  }
  bool Montado() const { return montado_; }
  const std::string& Carpeta() const { return carpeta_; }
  bool Remonta(const std::string& opciones, unsigned long banderas = 0) {
    return ::mount("tmpfs", carpeta_.c_str(), "tmpfs", MS_REMOUNT | banderas, opciones.c_str()) == 0;
  }
  uint64_t Usados() const {
    uint64_t total = 0;
    for (const auto& e : std::filesystem::directory_iterator(carpeta_))
      if (e.is_regular_file()) total += e.file_size();
    return total;
  }

 private:
  std::string carpeta_;
  bool montado_ = false;
};

// A restore that cannot complete, with the migrated database on a volume of
// its own: the new file's folder made read-only after the backup, or the
// volume left with less room than the restore needs. QVD.FB stays byte for
// byte the migrated database, reads back whole, and no new file is left.
TEST(ServiciosVolumen, RestoreThatCannotWriteLeavesTheMigratedDatabaseWhole) {
  for (const bool lleno : {false, true}) {
    SCOPED_TRACE(lleno ? "volumen lleno" : "carpeta de solo lectura");
    BaseTemporal origen{"20.21.1.8", 8192};
    VolumenPropio volumen;
    ASSERT_TRUE(volumen.Montado());
    const std::string ruta = volumen.Carpeta() + "QVD.FB";
    std::filesystem::copy_file(origen.Ruta(), ruta);
    std::filesystem::permissions(ruta, std::filesystem::perms::all, std::filesystem::perm_options::add);
    ModuloPrueba m{ruta};
    m.datos->Abre();
    m.datos->EjecutaSentencia(u"dato", u"UPDATE EMPRESA SET NOMBRE = 'migrada';", ParamCheck::Encender);
    m.datos->CopiaSeguridad();
    ASSERT_GT(std::filesystem::file_size(volumen.Carpeta() + "QVD.FBK"), 1000u);
    const std::string migrada = Bytes(ruta);
    if (lleno) {
      ASSERT_TRUE(volumen.Remonta("size=" + std::to_string((volumen.Usados() >> 10) + 64) + "k"));
    } else {
      ASSERT_TRUE(volumen.Remonta("", MS_RDONLY));
    }
    EXPECT_THROW(m.datos->RestauraCopia(), Exception);
    ASSERT_TRUE(volumen.Remonta("size=64m"));
    EXPECT_FALSE(std::filesystem::exists(volumen.Carpeta() + kNueva));
    EXPECT_TRUE(Bytes(ruta) == migrada);
    EXPECT_EQ(U8(m.datos->CompruebaBaseDatos(u"20.21.1.8")), "");
    EXPECT_EQ(soporte_bd::ConexionPrueba(ruta).Valor("SELECT NOMBRE FROM EMPRESA"), "migrada");
  }
}

}  // namespace
