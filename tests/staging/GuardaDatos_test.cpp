// The save-and-stage step run end to end on a small installation, in a child
// process (the stop path ends the process).
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/plataforma.h"
#include "tests/staging/Instalacion.h"

namespace prueba {
namespace {

const std::string kAppSinBarra = "C:\\Programa Zelvano";
const std::string kTemp = "C:\\Programa Zelvano\\Temp";

// The files of the new version, as the extraction tool unpacks the archive
// this binary carries.
const Arbol& ArbolArchivo() {
  static const Arbol arbol = [] {
    static CarpetaTemporal carpeta;
    std::string datos;
    if (!plataforma::LeeRecurso(10, u"DATOS_NUEVOS", 3082, datos)) throw std::runtime_error("sin archivo");
    Escribe(carpeta.Ruta() / "Datos_Nuevos.rar", datos);
    const std::string orden = "'" + (DirBuild() / "tools/rar/rar").string() + "' x '" +
                              (carpeta.Ruta() / "Datos_Nuevos.rar").string() + "' -o+ '" +
                              (carpeta.Ruta() / "extraido").string() + "/' >/dev/null";
    if (std::system(orden.c_str()) != 0) throw std::runtime_error("no se pudo extraer el archivo de referencia");
    return LeeArbol(carpeta.Ruta() / "extraido");
  }();
  return arbol;
}

struct Opciones {
  bool tempPrevio = false;
  bool pindalDat = true;
  bool cliente = true;
};

// The fixed lines of a complete save, in order; "<copias>" marks a run of
// folder-copy records.
std::vector<std::string> LineasFijas(const Opciones& o) {
  std::vector<std::string> l = {"Ejecutando función Guarda_Datos()"};
  if (o.tempPrevio) {
    l.insert(l.end(), {"Guardando Temp en Temp_V_Ant", "<copias>", "Eliminado Carpeta Temp"});
  }
  l.push_back("Creando Carpeta Temporal: " + kTemp);
  for (const char* p : {"Zelvano_Start.exe", "Zelvano.exe", "Zelvano.dll", "Corvisto.exe"}) {
    l.push_back(std::string("Copiando ") + p + " a " + kCopia);
  }
  if (o.pindalDat) l.push_back(std::string("Copiando Pindal.dat a ") + kCopia);
  l.push_back(std::string("Copiando Pindal.dll a ") + kCopia);
  l.push_back("<copias>");
  l.insert(l.end(), {
                        "Eliminado DesencriptarFichero_2016.exe",
                        "Eliminado DesencriptarFichero.exe",
                        "Eliminado Excepciones_Act_202103.log",
                        "Eliminado Excepciones.log original",
                        "Eliminado Zelvano.dll original",
                        "Eliminado Pindal.dat original",
                        "Eliminado Version.txt",
                        "Eliminando Excepciones_Act_202109.log",
                        "Eliminando Excepciones_Act_202110.log",
                        "Eliminando Excepciones_Act_202111.log",
                        "Eliminando Excepciones_Act_202118.log",
                        "Punto de Restauración: C:\\Programa Zelvano\\Datos\\3.NBK borrado.",
                    });
  if (o.cliente) l.insert(l.end(), {"Eliminado \\Datos\\QVD.FBK", "Eliminado \\Datos\\QVD.FB"});
  l.insert(l.end(), {
                        "Eliminado Carpeta CierresZ",
                        "Eliminado Carpeta BDD Predefinidas original",
                        "Eliminado Carpeta CapturaExcepciones",
                        "Eliminado Carpeta Imagenes",
                        "Eliminado Carpeta Documentos original",
                        "Eliminando Datos_Nuevos.rar antiguos",
                        "Extrayendo Datos_Nuevos.rar comprimidos",
                        "Eliminando Datos_Nuevos.rar",
                    });
  return l;
}

// What the save copies from the installation `antes`, relative to the
// backup folder.
Arbol CopiaEsperada(const Arbol& antes) {
  Arbol copia;
  for (const char* f : {"Zelvano_Start.exe", "Zelvano.exe", "Zelvano.dll", "Corvisto.exe", "Pindal.dat", "Pindal.dll"}) {
    if (antes.count(f)) copia[f] = antes.at(f);
  }
  for (const char* c : {"Datos", "BDD Predefinidas"}) {
    copia[c] = kCarpeta;
    for (const auto& [ruta, contenido] : SubArbol(antes, std::string(c) + "/")) copia[std::string(c) + "/" + ruta] = contenido;
  }
  return copia;
}

// What the save moves into the backup folder instead of deleting it: the
// obsolete files and folders that are not part of the saved copy.
Arbol Apartados(const Arbol& antes) {
  static const char* const kObsoletos[] = {
      "DesencriptarFichero.exe",    "DesencriptarFichero_2016.exe", "Excepciones.log",
      "Excepciones_Act_202103.log", "Excepciones_Act_202109.log",   "Excepciones_Act_202110.log",
      "Excepciones_Act_202111.log", "Excepciones_Act_202118.log",   "CapturaExcepciones",
      "Imagenes",                   "Documentos"};
  Arbol r;
  for (const auto& [ruta, contenido] : antes) {
    for (const char* o : kObsoletos) {
      const std::string n = o;
      if (ruta == n || ruta.rfind(n + "/", 0) == 0) r[ruta] = contenido;
    }
  }
  return r;
}

// The backup folder at the end of a save: the saved copy and what was moved
// into it.
Arbol CopiaCompleta(const Arbol& antes) {
  Arbol c = CopiaEsperada(antes);
  for (const auto& [ruta, contenido] : Apartados(antes)) c[ruta] = contenido;
  return c;
}

// The folder-copy records of step 11.
std::set<std::pair<std::string, std::string>> CopiasDelGuardado(const Arbol& antes) {
  auto pares = CopiasEsperadas(SubArbol(antes, "Datos/"), kAppSinBarra + "\\Datos", std::string(kCopia) + "\\Datos");
  const auto bdd = CopiasEsperadas(SubArbol(antes, "BDD Predefinidas/"), kAppSinBarra + "\\BDD Predefinidas",
                                   std::string(kCopia) + "\\BDD Predefinidas");
  pares.insert(bdd.begin(), bdd.end());
  return pares;
}

// Everything the save deletes and does not bring back from the archive.
bool BorradoPorElGuardado(const std::string& ruta, bool cliente) {
  static const std::set<std::string> ficheros = {
      "Zelvano_Start.exe", "Zelvano.exe", "Zelvano.dll", "Corvisto.exe", "Pindal.dat",
      "DesencriptarFichero.exe", "DesencriptarFichero_2016.exe", "Excepciones.log",
      "Excepciones_Act_202103.log", "Excepciones_Act_202109.log", "Excepciones_Act_202118.log",
      "Datos/Version.txt", "Datos/3.NBK"};
  if (ficheros.count(ruta)) return true;
  if (cliente && (ruta == "Datos/QVD.FB" || ruta == "Datos/QVD.FBK")) return true;
  for (const char* c : {"Datos/CierresZ", "BDD Predefinidas", "CapturaExcepciones", "Imagenes", "Documentos"}) {
    const std::string carpeta = c;
    if (ruta == carpeta || ruta.compare(0, carpeta.size() + 1, carpeta + "/") == 0) return true;
  }
  return false;
}

// The application folder without the working folders of the save and the
// extraction tool.
Arbol SinTemporales(const Arbol& arbol) {
  Arbol r;
  for (const auto& [ruta, contenido] : arbol) {
    if (ruta == "Temp" || ruta == "Temp_V_Ant" || ruta == "rar.exe" || ruta.rfind("Temp/", 0) == 0 ||
        ruta.rfind("Temp_V_Ant/", 0) == 0) {
      continue;
    }
    r[ruta] = contenido;
  }
  return r;
}

// The Temp folder's content but the run's journal and the manifest of the
// saved copy, which have tests of their own.
Arbol TempSinDiario(const Arbol& app) {
  Arbol temp = SubArbol(app, "Temp/");
  temp.erase("Diario_202128.ini");
  temp.erase("Manifiesto_202128.txt");
  return temp;
}

bool Oculta(const fs::path& carpeta) {
  const uint32_t a = plataforma::LeeAtributos(texto::DeUtf8(carpeta.string()));
  return a != plataforma::ATR_INVALIDO && (a & plataforma::ATR_OCULTO) && (a & plataforma::ATR_DIRECTORIO);
}

std::string Dialogos(const Resultado& r) {
  std::string s;
  for (const Dialogo& d : r.dialogos) s += std::to_string(d.tipo) + ": " + d.texto + "\n";
  return s;
}

TEST(GuardaDatos, ClienteSinTempGuardaBorraYExtraeYLaReposicionDevuelveLoGuardado) {
  Instalacion inst;
  inst.PonHerramienta();
  const Arbol antes = LeeArbol(inst.App());

  const Resultado r = Ejecuta(inst.Prepara("guarda"));
  ASSERT_EQ(r.estado, kDevolvioNormal) << r.excepcion << r.salida;
  EXPECT_TRUE(r.dialogos.empty()) << Dialogos(r);

  const LogReducido log = Reduce(r.lineas);
  EXPECT_EQ(log.lineas, LineasFijas({}));
  ASSERT_EQ(log.copias.size(), 1u);
  EXPECT_EQ(log.copias[0], CopiasDelGuardado(antes));

  const Arbol despues = LeeArbol(inst.App());
  Arbol temp = {{"202103_202128", kCarpeta}};
  for (const auto& [ruta, contenido] : CopiaCompleta(antes)) temp["202103_202128/" + ruta] = contenido;
  EXPECT_EQ(Diferencias(TempSinDiario(despues), temp), "");
  EXPECT_TRUE(Oculta(inst.App() / "Temp"));
  ASSERT_EQ(despues.count("Temp_V_Ant"), 1u);
  EXPECT_TRUE(SubArbol(despues, "Temp_V_Ant/").empty());

  Arbol app;
  for (const auto& [ruta, contenido] : SinTemporales(antes)) {
    if (!BorradoPorElGuardado(ruta, true)) app[ruta] = contenido;
  }
  for (const auto& [ruta, contenido] : ArbolArchivo()) app[ruta] = contenido;
  EXPECT_EQ(Diferencias(SinTemporales(despues), app), "");
  EXPECT_FALSE(fs::exists(inst.App() / "Zelvano.exe"));
  EXPECT_FALSE(fs::exists(inst.App() / "Datos_Nuevos.rar"));

  // A failure after the extraction (in the migration): the saved files, and
  // the obsolete ones moved aside, come back over the new ones; what only the
  // archive brought stays, the Temp folder is left hidden and empty, both
  // working folders go.
  const Resultado rep = Ejecuta(inst.Prepara("reponer"));
  EXPECT_EQ(rep.estado, 0) << rep.salida;
  ASSERT_EQ(rep.dialogos.size(), 2u) << Dialogos(rep);
  EXPECT_EQ(rep.dialogos[0].tipo, 33);
  EXPECT_EQ(rep.dialogos[0].texto,
            "Ha sucedido un Error en el proceso de Actualización.\nSe procederá a deshacer todos los Procesos "
            "realizados.");
  EXPECT_EQ(rep.dialogos[1].tipo, 73);
  EXPECT_EQ(rep.dialogos[1].texto,
            "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización");

  const LogReducido logRep = Reduce(rep.lineas);
  const std::vector<std::string> fijas = {
      "Ejecutando función ReponerTodo()",
      std::string("Restaurando Datos anteriores desde Carpeta Temporal: ") + kCopia, "<copias>"};
  EXPECT_EQ(logRep.lineas, fijas);
  ASSERT_EQ(logRep.copias.size(), 1u);
  EXPECT_EQ(logRep.copias[0], CopiasEsperadas(CopiaCompleta(antes), kCopia, kApp));

  const Arbol repuesto = LeeArbol(inst.App());
  Arbol esperado = app;
  for (const auto& [ruta, contenido] : CopiaCompleta(antes)) esperado[ruta] = contenido;
  EXPECT_EQ(Diferencias(SinTemporales(repuesto), esperado), "");
  EXPECT_EQ(repuesto.count("Temp_V_Ant"), 0u);
  EXPECT_TRUE(TempSinDiario(repuesto).empty());
  EXPECT_TRUE(Oculta(inst.App() / "Temp"));
}

TEST(GuardaDatos, TempAnteriorRotadoYSinHerramientaLaExtraccionNoPasaPorHecha) {
  struct Caso {
    const char* nombre;
    std::vector<std::string> ausentes;
  };
  const std::vector<Caso> casos = {
      {"instalacion completa", {}},
      {"sin Zelvano.exe ni Pindal.dat", {"Zelvano.exe", "Pindal.dat"}},
  };
  const Arbol tempPrevio = {
      {"202103_202109", kCarpeta},
      {"202103_202109/Zelvano.exe", "copia de otra actualizacion"},
      {"202103_202128", kCarpeta},
      {"202103_202128/Viejo.txt", "de una ejecucion interrumpida"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Instalacion inst;
    for (const std::string& f : caso.ausentes) fs::remove(inst.App() / f);
    CreaArbol(inst.App() / "Temp", tempPrevio);
    const Arbol antes = LeeArbol(inst.App());

    // Without the tool nothing is unpacked: the save raises, so that the
    // run's failure path puts the saved files back.
    const Resultado r = Ejecuta(inst.Prepara("guarda"));
    ASSERT_EQ(r.estado, kLanzoExcepcion) << r.salida;
    const std::string motivo =
        "No se ha podido iniciar la extracción de Datos_Nuevos.rar con C:\\Programa Zelvano\\rar.exe";
    EXPECT_EQ(r.excepcion, "Exception: " + motivo + "\n");

    Opciones o;
    o.tempPrevio = true;
    o.pindalDat = antes.count("Pindal.dat") != 0;
    std::vector<std::string> lineas = LineasFijas(o);
    lineas.back() = motivo;  // instead of deleting the archive
    const LogReducido log = Reduce(r.lineas);
    EXPECT_EQ(log.lineas, lineas);
    ASSERT_EQ(log.copias.size(), 2u);
    EXPECT_EQ(log.copias[0], CopiasEsperadas(tempPrevio, kTemp, kAppSinBarra + "\\Temp_V_Ant"));
    EXPECT_EQ(log.copias[1], CopiasDelGuardado(antes));

    const Arbol despues = LeeArbol(inst.App());
    EXPECT_EQ(Diferencias(SubArbol(despues, "Temp_V_Ant/"), tempPrevio), "");
    Arbol temp = {{"202103_202128", kCarpeta}};
    for (const auto& [ruta, contenido] : CopiaCompleta(antes)) temp["202103_202128/" + ruta] = contenido;
    EXPECT_EQ(Diferencias(TempSinDiario(despues), temp), "");
    EXPECT_TRUE(Oculta(inst.App() / "Temp"));

    Arbol app;
    for (const auto& [ruta, contenido] : SinTemporales(antes)) {
      if (!BorradoPorElGuardado(ruta, true)) app[ruta] = contenido;
    }
    Arbol sinArchivo = SinTemporales(despues);
    EXPECT_EQ(sinArchivo.erase("Datos_Nuevos.rar"), 1u);
    EXPECT_EQ(Diferencias(sinArchivo, app), "");
  }
}

TEST(GuardaDatos, EnElServidorUnaBaseInaccesibleDetieneElGuardadoAntesDeBorrarNada) {
  Instalacion inst;
  const Arbol antes = LeeArbol(inst.App());
  Escenario e = inst.Prepara("guarda", true);
  e.baseDatos = "127.0.0.1/1:/no/existe/QVD.FB";

  const Resultado r = Ejecuta(e);
  ASSERT_EQ(r.estado, kLanzoExcepcion) << r.salida;
  EXPECT_NE(r.excepcion.find("EIB"), std::string::npos) << r.excepcion;
  const std::vector<std::string> lineas = {"Ejecutando función Guarda_Datos()", "Creando Carpeta Temporal: " + kTemp};
  EXPECT_EQ(r.lineas, lineas);

  const Arbol despues = LeeArbol(inst.App());
  EXPECT_EQ(Diferencias(SinTemporales(despues), antes), "");
  const Arbol temp = {{"202103_202128", kCarpeta}};
  EXPECT_EQ(Diferencias(TempSinDiario(despues), temp), "");
}

TEST(GuardaDatos, ProgramaBloqueadoMuestraTresDialogosYLoReponeTodo) {
  struct Caso {
    const char* programa;
    const char* mensaje;
  };
  const std::vector<Caso> casos = {
      {"Zelvano.exe", "Zelvano está en ejecución."},
      {"Zelvano_Start.exe", "El servicio de Zelvano está en ejecución."},
      {"Corvisto.exe", "Corvisto está en ejecución."},
  };
  const Arbol tempPrevio = {{"Anterior", kCarpeta}, {"Anterior/nota.txt", "contenido anterior de Temp"}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.programa);
    Instalacion inst;
    CreaArbol(inst.App() / "Temp", tempPrevio);
    const Arbol antes = LeeArbol(inst.App());
    Bloqueo bloqueo(inst.App() / caso.programa);

    const Resultado r = Ejecuta(inst.Prepara("guarda"));
    EXPECT_TRUE(r.normal);
    EXPECT_EQ(r.estado, 0) << r.excepcion << r.salida;
    ASSERT_EQ(r.dialogos.size(), 3u) << Dialogos(r);
    EXPECT_EQ(r.dialogos[0].tipo, 73);
    EXPECT_EQ(r.dialogos[0].texto, caso.mensaje);
    EXPECT_EQ(r.dialogos[1].tipo, 33);
    EXPECT_EQ(r.dialogos[1].texto,
              "Ha sucedido un Error en el proceso de Actualización.\nSe procederá a deshacer todos los Procesos "
              "realizados.");
    EXPECT_EQ(r.dialogos[2].tipo, 73);
    EXPECT_EQ(r.dialogos[2].texto,
              "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización");

    // Nothing was deleted past the locked program, and what was is back.
    const LogReducido log = Reduce(r.lineas);
    ASSERT_GE(log.lineas.size(), 3u);
    EXPECT_EQ(log.lineas[log.lineas.size() - 3], "Ejecutando función ReponerTodo()");
    EXPECT_EQ(log.lineas.back(), "<copias>");
    EXPECT_EQ(std::count(log.lineas.begin(), log.lineas.end(), "Eliminado Zelvano.dll original"), 0);

    const Arbol despues = LeeArbol(inst.App());
    EXPECT_EQ(Diferencias(SinTemporales(despues), SinTemporales(antes)), "");
    EXPECT_EQ(Diferencias(TempSinDiario(despues), tempPrevio), "");
    EXPECT_TRUE(Oculta(inst.App() / "Temp"));
    EXPECT_EQ(despues.count("Temp_V_Ant"), 0u);
  }
}

TEST(GuardaDatos, FalloAlEscribirElArchivoYReposicion) {
  Instalacion inst;
  // A folder in the archive's place: the archive file cannot be created.
  fs::create_directories(inst.App() / "Datos_Nuevos.rar");
  const Arbol antes = LeeArbol(inst.App());

  const Resultado r = Ejecuta(inst.Prepara("guarda"));
  ASSERT_EQ(r.estado, kLanzoExcepcion) << r.salida;
  EXPECT_EQ(r.excepcion.rfind("EFCreateError: ", 0), 0u) << r.excepcion;
  ASSERT_FALSE(r.lineas.empty());
  EXPECT_EQ(r.lineas.back(), "Eliminando Datos_Nuevos.rar antiguos");

  const Resultado rep = Ejecuta(inst.Prepara("reponer"));
  EXPECT_EQ(rep.estado, 0) << rep.salida;
  ASSERT_EQ(rep.dialogos.size(), 2u) << Dialogos(rep);
  EXPECT_EQ(rep.dialogos[1].tipo, 73);

  // Everything is back: programs, configuration, Datos and BDD Predefinidas
  // as saved, and the obsolete files and folders, which were moved into the
  // backup folder rather than deleted. Left in place: what sits where the
  // archive would have been.
  const Arbol despues = LeeArbol(inst.App());
  EXPECT_EQ(Diferencias(SinTemporales(despues), SinTemporales(antes)), "");
  EXPECT_EQ(despues.count("Datos_Nuevos.rar"), 1u);
  EXPECT_TRUE(TempSinDiario(despues).empty());
  EXPECT_EQ(despues.count("Temp_V_Ant"), 0u);
}

// Files of the shop that the archive writes over (its own picture of a
// family, the old notices of "Update") are saved before the extraction and
// come back with the rollback; files the archive does not carry are not
// touched.
TEST(GuardaDatos, LoQueElArchivoSobrescribeSeGuardaYVuelve) {
  Instalacion inst;
  inst.PonHerramienta();
  const Arbol propios = {{"Galeria", kCarpeta},
                         {"Galeria/Familias", kCarpeta},
                         {"Galeria/Familias/Domicilio.jpg", "foto propia de la tienda"},
                         {"Galeria/Mia.jpg", "no viene en el archivo"},
                         {"Update", kCarpeta},
                         {"Update/update.dat", "avisos antiguos"}};
  CreaArbol(inst.App(), propios);
  ASSERT_EQ(ArbolArchivo().count("Galeria/Familias/Domicilio.jpg"), 1u);
  ASSERT_EQ(ArbolArchivo().count("Update/update.dat"), 1u);

  const Resultado r = Ejecuta(inst.Prepara("guarda"));
  ASSERT_EQ(r.estado, kDevolvioNormal) << r.excepcion << r.salida;
  const Arbol despues = LeeArbol(inst.App());
  for (const char* f : {"Galeria/Familias/Domicilio.jpg", "Update/update.dat"}) {
    SCOPED_TRACE(f);
    EXPECT_EQ(despues.at(std::string("Temp/202103_202128/") + f), propios.at(f));
    EXPECT_EQ(despues.at(f), ArbolArchivo().at(f));
  }
  EXPECT_EQ(despues.count("Temp/202103_202128/Galeria/Mia.jpg"), 0u);
  EXPECT_EQ(despues.at("Galeria/Mia.jpg"), "no viene en el archivo");
  // Logged as the folder copies log each file.
  const std::string domicilio = std::string(kApp) + "Galeria\\Familias\\Domicilio.jpg";
  EXPECT_NE(std::find(r.lineas.begin(), r.lineas.end(), "Copiando... " + domicilio), r.lineas.end());

  const Resultado rep = Ejecuta(inst.Prepara("reponer"));
  EXPECT_EQ(rep.estado, 0) << rep.salida;
  const Arbol repuesto = LeeArbol(inst.App());
  for (const auto& [ruta, contenido] : propios) EXPECT_EQ(repuesto.at(ruta), contenido) << ruta;
}

// An earlier backup folder that the rotation could not empty (a file in it
// is held open) is never written over: the save stops before anything of
// the installation is deleted, and names the folder.
TEST(GuardaDatos, UnaCopiaAnteriorQueNoSeVaciaNoSeReutiliza) {
  Instalacion inst;
  inst.PonHerramienta();
  CreaArbol(inst.App() / "Temp", {{"202103_202128", kCarpeta}, {"202103_202128/Viejo.txt", "única copia"}});
  const Arbol antes = LeeArbol(inst.App());
  Bloqueo bloqueo(inst.App() / "Temp" / "202103_202128" / "Viejo.txt");

  const Resultado r = Ejecuta(inst.Prepara("guarda"));
  ASSERT_EQ(r.estado, kLanzoExcepcion) << r.salida;
  const std::string esperado = std::string("EGuardadoIncompleto: La carpeta de copia de seguridad ya contiene "
                                            "ficheros de otra ejecución: ") +
                                kCopia + "\nNo se ha borrado ni cambiado nada de la instalación.";
  EXPECT_EQ(r.excepcion.rfind(esperado, 0), 0u) << r.excepcion;
  const Arbol despues = LeeArbol(inst.App());
  EXPECT_EQ(Diferencias(SinTemporales(despues), SinTemporales(antes)), "");
  EXPECT_EQ(despues.at("Temp/202103_202128/Viejo.txt"), "única copia");
  // Nothing was copied into it.
  EXPECT_EQ(despues.count("Temp/202103_202128/Datos"), 0u);
}

// Files of Datos that cannot be copied (names that are no text in any code
// page: the copy cannot name them) stop the save before anything is
// deleted, and its message agrees in number with how many files it could
// not save.
TEST(GuardaDatos, ElAvisoDeFicherosNoGuardadosConcuerdaEnNumero) {
  struct Caso {
    std::vector<std::string> sinNombre;
    std::string inicio;
    std::string queHacer;
  };
  const std::vector<Caso> casos = {
      {{"\xFF\xFE" "1.dat"},
       "EGuardadoIncompleto: No se ha podido guardar un fichero de la instalación: ",
       "\nNo se ha borrado ni cambiado nada de la instalación.\nCompruebe que se pueda leer (que ningún programa lo "
       "tenga abierto), que haya espacio libre en el disco y que su ruta no sea demasiado larga, y vuelva a "
       "intentarlo."},
      {{"\xFF\xFE" "1.dat", "\xFF\xFE" "2.dat"},
       "EGuardadoIncompleto: No se han podido guardar 2 ficheros de la instalación; el primero es: ",
       "\nNo se ha borrado ni cambiado nada de la instalación.\nCompruebe que se puedan leer (que ningún programa "
       "los tenga abiertos), que haya espacio libre en el disco y que sus rutas no sean demasiado largas, y vuelva "
       "a intentarlo."},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.sinNombre.size());
    Instalacion inst;
    inst.PonHerramienta();
    for (const std::string& f : caso.sinNombre) Escribe(inst.App() / "Datos" / f, "sin nombre");
    const Arbol antes = LeeArbol(inst.App());

    const Resultado r = Ejecuta(inst.Prepara("guarda"));
    ASSERT_EQ(r.estado, kLanzoExcepcion) << r.salida;
    EXPECT_EQ(r.excepcion.rfind(caso.inicio, 0), 0u) << r.excepcion;
    EXPECT_NE(r.excepcion.find(caso.queHacer), std::string::npos) << r.excepcion;
    EXPECT_EQ(Diferencias(SinTemporales(LeeArbol(inst.App())), SinTemporales(antes)), "");
  }
}

}  // namespace
}  // namespace prueba
