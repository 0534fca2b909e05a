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
  LlenaRelleno(inst.baseDatos);
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

namespace prueba {
namespace {

std::vector<std::string> Lineas(const fs::path& fichero) {
  std::vector<std::string> r;
  std::istringstream s(LeeFichero(fichero));
  for (std::string l; std::getline(s, l);) r.push_back(l);
  return r;
}

// The number of the first traced operation after `desde` of type `tipo`
// whose path holds `con` and not `sin` (0 when there is none).
unsigned long Operacion(const std::vector<std::string>& traza, const std::string& tipo, const std::string& con,
                        const std::string& sin = "\x01", unsigned long desde = 0) {
  for (const std::string& linea : traza) {
    std::istringstream l(linea);
    unsigned long n = 0;
    std::string t;
    if (!(l >> n >> t) || n <= desde || t != tipo) continue;
    if (linea.find(con) != std::string::npos && linea.find(sin) == std::string::npos) return n;
  }
  return 0;
}

std::string Version(const std::string& baseDatos) {
  const std::string s = ConsultaSql(baseDatos, "SELECT '#' || VERSION_ZELVANO || '#' FROM EMPRESA;");
  const auto a = s.find('#'), b = s.find('#', a + 1);
  return a == std::string::npos || b == std::string::npos ? "<" + s + ">" : s.substr(a + 1, b - a - 1);
}
std::string Version(const Instalacion& inst) { return Version(inst.baseDatos); }

const std::string kRestaurados = "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización";

// The configuration keeps the database outside the installation. Saved with
// the installation and put back by the rollback: after a statement fails in
// the middle of the batches, it is back byte for byte as saved; when it
// cannot be put back, the technician is told where its copy is; when it
// cannot be saved, the run stops before anything changes and names it.
TEST(FallosReales, BaseDatosFueraDeLaInstalacionSeGuardaYVuelve) {
  CarpetaTemporal carpeta;
  const fs::path trabajo = carpeta.Ruta() / "trabajo", modelo = carpeta.Ruta() / "modelo";
  OpcionesInstalacion opciones;
  opciones.version = "20.21.0.3";  // the batch below 20.21.1.0 fails at its second step, after a whole batch
  opciones.carpetaDatos = trabajo / "Datos Zelvano";
  fs::create_directories(trabajo);
  const Instalacion inst = GeneraInstalacion(trabajo, opciones);
  ASSERT_TRUE(fs::exists(inst.FicheroBaseDatos()));
  ASSERT_FALSE(fs::exists(inst.aplicacion / "Datos" / "QVD.FB"));
  fs::rename(trabajo, modelo);
  auto Prepara = [&] {
    fs::remove_all(trabajo);
    fs::copy(modelo, trabajo, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  };
  const std::string kColumnaPropinas =
      "SELECT '#' || COUNT(*) || '#' FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'PROPINAS' AND "
      "RDB$FIELD_NAME = 'NUM_TICKET';";
  const fs::path guardada = inst.aplicacion / "Temp" / "202103_202128" / "BaseDatos_Externa" / "QVD.FB";

  // A statement fails in the middle of the migration.
  Prepara();
  const std::string columnaAntes = ConsultaSql(inst.baseDatos, kColumnaPropinas);
  const fs::path traza = carpeta.Ruta() / "traza.txt";
  Resultado r = EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}});
  ASSERT_EQ(r.estado, 0) << r.salida;
  std::vector<std::string> lineas = LeeLog(inst.Log());
  EXPECT_TRUE(Contiene(lineas, "(RDB$FIELD_NAME = 'UNIDAD_MINIMA')"));
  EXPECT_FALSE(Contiene(lineas, kFinal));
  std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 2u);
  EXPECT_EQ(dialogos[1].Texto("texto"), kRestaurados);
  EXPECT_EQ(Version(inst), "20.21.0.3");
  EXPECT_EQ(ConsultaSql(inst.baseDatos, kColumnaPropinas), columnaAntes);
  EXPECT_FALSE(fs::exists(guardada.parent_path().parent_path()));
  const std::vector<std::string> operaciones = Lineas(traza);
  // Saved (into the backup folder), then put back (over the file itself).
  const unsigned long guardado = Operacion(operaciones, "copia", "BaseDatos_Externa");
  const unsigned long devuelto = Operacion(operaciones, "copia", "Datos Zelvano", "BaseDatos_Externa", guardado);
  ASSERT_NE(guardado, 0u);
  ASSERT_NE(devuelto, 0u);

  // It cannot be put back: the run says where its copies are.
  Prepara();
  r = EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_FALLO_EN", std::to_string(devuelto)}});
  ASSERT_EQ(r.estado, 0) << r.salida;
  dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 2u);
  EXPECT_EQ(Tipo(dialogos[1]), "69");
  const std::string aviso = dialogos[1].Texto("texto");
  EXPECT_NE(aviso.find("La base de datos no ha vuelto a como estaba antes de la actualización: " +
                       inst.FicheroBaseDatos().string()),
            std::string::npos)
      << aviso;
  EXPECT_NE(aviso.find("Su copia de antes de la actualización está en: "), std::string::npos) << aviso;
  ASSERT_TRUE(fs::exists(guardada));
  EXPECT_EQ(Version("localhost:" + guardada.string()), "20.21.0.3");

  // It cannot be saved: nothing changes and the message names it.
  Prepara();
  r = EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_FALLO_EN", std::to_string(guardado)}});
  ASSERT_EQ(r.estado, 0) << r.salida;
  dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 1u);
  EXPECT_EQ(Tipo(dialogos[0]), "33");
  EXPECT_NE(dialogos[0].Texto("texto").find(inst.FicheroBaseDatos().string()), std::string::npos)
      << dialogos[0].Texto("texto");
  EXPECT_EQ(Version(inst), "20.21.0.3");
  EXPECT_EQ(ConsultaSql(inst.baseDatos, kColumnaPropinas), columnaAntes);
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano.exe"));
  EXPECT_FALSE(fs::exists(guardada));
}

// The link to the server is lost during the backup. The run ends well only
// once the database itself has been read back whole with the new version;
// with the link gone for good, it takes the failure path and the database
// comes back as it was.
TEST(FallosReales, ConexionPerdidaDuranteLaCopiaDeSeguridad) {
  CarpetaTemporal carpeta;
  const fs::path trabajo = carpeta.Ruta() / "trabajo", modelo = carpeta.Ruta() / "modelo";
  OpcionesInstalacion opciones;
  opciones.version = "20.21.1.8";
  fs::create_directories(trabajo);
  const Instalacion inst = GeneraInstalacion(trabajo, opciones);
  fs::rename(trabajo, modelo);
  auto Prepara = [&] {
    fs::remove_all(trabajo);
    fs::copy(modelo, trabajo, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  };
  Prepara();
  const fs::path traza = carpeta.Ruta() / "traza.txt";
  ASSERT_EQ(EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}}).estado, 0);
  const std::vector<std::string> operaciones = Lineas(traza);
  const unsigned long copia =
      Operacion(operaciones, "bd_servicio_consulta", "", "\x01", Operacion(operaciones, "bd_servicio_inicia", ""));
  ASSERT_NE(copia, 0u);

  for (const bool paraSiempre : {false, true}) {
    SCOPED_TRACE(paraSiempre ? "enlace perdido del todo" : "enlace perdido una vez");
    Prepara();
    const Resultado r = EjecutaAsistente(
        inst, kGuionCompleto, {{paraSiempre ? "ZELVANO_FALLO_BD_DESDE" : "ZELVANO_FALLO_EN", std::to_string(copia)}});
    ASSERT_EQ(r.estado, 0) << r.salida;
    const std::vector<std::string> lineas = LeeLog(inst.Log());
    EXPECT_TRUE(Contiene(lineas, "Copia de seguridad no completada: no se restaura la base de datos."));
    const std::vector<Json> dialogos = Dialogos(inst);
    std::string resumen;
    for (size_t i = lineas.size() > 40 ? lineas.size() - 40 : 0; i < lineas.size(); ++i) resumen += lineas[i] + "\n";
    for (const Json& d : dialogos) resumen += "[dialogo] " + d.Texto("texto") + "\n";
    if (paraSiempre) {
      // The failure path. The server, cut off from the wizard, may still be
      // reading the database for the backup when the rollback comes: then
      // the file is not written over, and the message says the copies stay.
      EXPECT_FALSE(Contiene(lineas, kFinal));
      ASSERT_EQ(dialogos.size(), 2u) << resumen;
      EXPECT_EQ(Tipo(dialogos[0]), "33");
      if (Version(inst) == "20.21.1.8") {
        EXPECT_EQ(dialogos[1].Texto("texto"), kRestaurados) << resumen;
      } else {
        EXPECT_EQ(Version(inst), "20.21.2.8");
        EXPECT_EQ(Tipo(dialogos[1]), "69") << resumen;
        const fs::path guardada = inst.aplicacion / "Temp" / "202103_202128" / "Datos" / "QVD.FB";
        ASSERT_TRUE(fs::exists(guardada));
        EXPECT_EQ(Version("localhost:" + guardada.string()), "20.21.1.8");
      }
    } else {
      ASSERT_GE(lineas.size(), 3u);
      EXPECT_EQ(lineas[lineas.size() - 3], kFinal) << resumen;
      EXPECT_FALSE(Eventos(LeeTranscripcion(inst.transcripcion), "formulario", "frm_Final").empty());
      for (const Json& d : dialogos) EXPECT_NE(Tipo(d), "69") << resumen;
      EXPECT_EQ(Version(inst), "20.21.2.8");
    }
  }
}

}  // namespace
}  // namespace prueba

namespace prueba {
namespace {

// The configuration names a database folder inside "Datos" that is a link to
// another disk (the database moved there, a link left in its place). The
// save of "Datos" does not follow links; the database must be saved all the
// same, or the run must not touch it: a migration that fails half-way must
// not end in "restored".
TEST(FallosReales, BaseDatosTrasUnEnlaceDentroDeDatosSeGuardaYVuelve) {
  CarpetaTemporal carpeta;
  const fs::path trabajo = carpeta.Ruta() / "trabajo", fuera = carpeta.Ruta() / "otro_disco" / "BD";
  OpcionesInstalacion opciones;
  opciones.version = "20.21.0.3";  // the batch below 20.21.1.0 fails at its second step, after a whole batch
  opciones.carpetaDatos = trabajo / "Zelvano" / "Datos" / "BD";
  fs::create_directories(trabajo);
  const Instalacion inst = GeneraInstalacion(trabajo, opciones);
  ASSERT_TRUE(fs::exists(inst.FicheroBaseDatos()));
  fs::create_directories(fuera.parent_path());
  fs::permissions(fuera.parent_path(), fs::perms::all, fs::perm_options::add);
  fs::rename(opciones.carpetaDatos, fuera);
  fs::create_directory_symlink(fuera, opciones.carpetaDatos);
  const std::string kColumnaPropinas =
      "SELECT '#' || COUNT(*) || '#' FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'PROPINAS' AND "
      "RDB$FIELD_NAME = 'NUM_TICKET';";
  const std::string columnaAntes = ConsultaSql(inst.baseDatos, kColumnaPropinas);
  ASSERT_NE(columnaAntes.find("#0#"), std::string::npos) << columnaAntes;

  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_FALSE(dialogos.empty());
  const std::string final = dialogos.back().Texto("texto");
  // Said restored, the database must be as before the run.
  if (final == kRestaurados) {
    EXPECT_EQ(Version(inst), "20.21.0.3") << final;
    EXPECT_EQ(ConsultaSql(inst.baseDatos, kColumnaPropinas), columnaAntes) << final;
  }
  EXPECT_TRUE(fs::exists(inst.FicheroBaseDatos()));
}

}  // namespace
}  // namespace prueba
