// Faults a shop's machine really has, each on a whole run with the real
// server: what the technician is told, and that nothing is lost.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <sstream>

#include "tests/extremo/Arnes.h"

namespace prueba {
namespace {

const std::string& kFinal = kLineaFinal;

bool Contiene(const std::vector<std::string>& lineas, const std::string& buscada) {
  for (const std::string& l : lineas)
    if (l.find(buscada) != std::string::npos) return true;
  return false;
}

// A folder link inside "Datos" that leads back into it is neither followed
// nor copied: the save logs it and goes on; the link itself stays in place.
TEST(FallosReales, EnlaceEnBucleEnDatosNoSeSigue) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.baseDatos = false;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  fs::create_directory_symlink(inst.aplicacion / "Datos", inst.aplicacion / "Datos" / "Bucle");

  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u);
  EXPECT_EQ(lineas[lineas.size() - 3], kFinal);
  EXPECT_TRUE(Contiene(lineas, "Enlace no copiado (no se sigue): ")) << r.salida;
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128" / "Datos" / "Bucle"));
  EXPECT_TRUE(fs::is_symlink(inst.aplicacion / "Datos" / "Bucle"));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Temp" / "202103_202128" / "Datos"));
}

// Read-only files are common on a shop's machine (copied from a CD, or set
// so by hand): among the program files the run deletes, among the obsolete
// ones and the restore points inside "Datos". Windows refuses to delete a
// read-only file; the run clears the attribute first, as the folder delete
// does, and the saved copies keep it.
TEST(FallosReales, FicherosDeSoloLecturaSeGuardanYSeBorran) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.baseDatos = false;
  opciones.extra = {"--pindal-dat", "--puntos", "3"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  EscribeFichero(inst.aplicacion / "Datos" / "QVD.FB", "copia local de la base de datos");
  const char* const soloLectura[] = {"Zelvano_Start.exe", "Zelvano.exe", "Corvisto.exe", "Zelvano.dll",
                                     "Pindal.dat", "Datos/3.NBK", "Datos/QVD.FB", "Datos/Clientes.dat"};
  std::map<std::string, std::string> antes;
  for (const char* f : soloLectura) {
    ASSERT_TRUE(fs::exists(inst.aplicacion / f)) << f;
    antes[f] = LeeFichero(inst.aplicacion / f);
    fs::permissions(inst.aplicacion / f, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }

  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u);
  EXPECT_EQ(lineas[lineas.size() - 3], kFinal) << r.salida;
  for (const char* f : soloLectura) {
    SCOPED_TRACE(f);
    const fs::path copia = inst.aplicacion / "Temp" / "202103_202128" / f;
    EXPECT_EQ(LeeFichero(copia), antes[f]);
    EXPECT_EQ(fs::status(copia).permissions() & fs::perms::owner_write, fs::perms::none);
  }
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Zelvano.exe"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Pindal.dat"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Datos" / "3.NBK"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Datos" / "QVD.FB"));
}

// The connection to the server is lost just after the restore has started:
// the server goes on restoring on its own. The wizard must not put the old
// database file back while the server is still writing the new one, or the
// shop would be left with a database the server later finishes over it.
TEST(FallosReales, ConexionPerdidaDuranteLaRestauracionNoCompiteConElServidor) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.version = "20.21.1.8";
  const fs::path trabajo = carpeta.Ruta() / "trabajo", modelo = carpeta.Ruta() / "modelo";
  fs::create_directories(trabajo);
  const Instalacion inst = GeneraInstalacion(trabajo, opciones);
  // Enough rows for the restore to outlast the wizard's reaction.
  ConsultaSql(inst.baseDatos,
              "CREATE TABLE RELLENO (ID INTEGER NOT NULL PRIMARY KEY, DATO VARCHAR(220));\nCOMMIT;\n"
              "SET TERM ^ ;\nEXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 150000) DO BEGIN "
              "INSERT INTO RELLENO VALUES (:i, UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()) || "
              "UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID())); i = i + 1; "
              "END END^\nSET TERM ; ^\nCOMMIT;");
  ASSERT_NE(ConsultaSql(inst.baseDatos, "SELECT COUNT(*) FROM RELLENO;").find("150000"), std::string::npos);
  fs::rename(trabajo, modelo);
  auto Prepara = [&] {
    fs::remove_all(trabajo);
    fs::copy(modelo, trabajo, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  };

  // The first query of the second service (the restore), from a traced run.
  Prepara();
  const fs::path traza = carpeta.Ruta() / "traza.txt";
  ASSERT_EQ(EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}}).estado, 0);
  unsigned long consulta = 0;
  {
    std::istringstream s(LeeFichero(traza));
    std::string tipo;
    unsigned long n = 0;
    int inicios = 0;
    for (std::string linea; std::getline(s, linea);) {
      std::istringstream l(linea);
      if (!(l >> n >> tipo)) continue;
      if (tipo == "bd_servicio_inicia") ++inicios;
      if (inicios == 2 && tipo == "bd_servicio_consulta") {
        consulta = n;
        break;
      }
    }
  }
  ASSERT_NE(consulta, 0u);

  Prepara();
  const Resultado r = EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_FALLO_EN", std::to_string(consulta)}});
  ASSERT_EQ(r.estado, 0) << r.salida;
  // Whatever the run ended in, the database is whole, online and at a
  // version the files around it agree with.
  const std::string version = ConsultaSql(inst.baseDatos, "SELECT VERSION_ZELVANO FROM EMPRESA;");
  const std::string filas = ConsultaSql(inst.baseDatos, "SELECT COUNT(*) FROM RELLENO;");
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  std::string final;
  for (size_t i = lineas.size() > 40 ? lineas.size() - 40 : 0; i < lineas.size(); ++i) final += lineas[i] + "\n";
  EXPECT_NE(filas.find("150000"), std::string::npos) << filas << final;
  // The wait for the server's own restore says how it ended, once: here the
  // server is there, so it is over when the restore has let go.
  EXPECT_EQ(std::count(lineas.begin(), lineas.end(), "El servidor ya no usa la base de datos."), 1) << final;
  ASSERT_GE(lineas.size(), 3u);
  if (lineas[lineas.size() - 3] == kFinal)
    EXPECT_NE(version.find("20.21.2.8"), std::string::npos) << version;
  else
    EXPECT_NE(version.find("20.21.1.8"), std::string::npos) << version;
}

}  // namespace
}  // namespace prueba
