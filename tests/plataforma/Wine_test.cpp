// The posix backend against the real API: the same operations run in this
// process (posix backend) and through the win32 backend under Wine, and both
// must answer alike. Where Wine itself departs from Windows the cases say so
// and stay out.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "platform/plataforma.h"
#include "tests/plataforma/Entorno.h"
#include "tests/plataforma/MuestraPE.h"
#include "tests/plataforma/NucleoWine.h"
#include "tests/plataforma/sonda/Interprete.h"

namespace {

using namespace plataforma;
using texto::Texto;

const std::string kFuentes = ZELVANO_DIR_FUENTES;

class ContraWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prueba::AvisaWine();
    carpeta_ = new prueba::CarpetaTemporal;
    const std::string sonda = ConstruyeSonda();
    compilado_ = !sonda.empty();
    if (compilado_) std::filesystem::copy_file(sonda, carpeta_->Posix("sonda.exe"));
  }

  // Builds the probe once for each state of its sources: ctest runs every
  // test in a process of its own, and they all share it from the build
  // folder. Empty when it cannot be built (the log says why).
  static std::string ConstruyeSonda() {
    const char* fuentes[] = {"tests/plataforma/sonda/sonda.cpp", "platform/comun/texto.cpp",
                             "platform/win32/ficheros.cpp",      "platform/win32/registro.cpp",
                             "platform/win32/sistema.cpp",       "platform/win32/procesos.cpp",
                             "platform/win32/espacio.cpp",       "platform/comun/espera.cpp",
                             "platform/win32/inyeccion.cpp",     "platform/win32/escritura_segura.cpp",
                             "system/Cifrado.cpp",                "system/Constantes.cpp"};
    const char* cabeceras[] = {"platform/texto.h",    "platform/plataforma.h", "platform/excepciones.h",
                               "platform/win32/win32_comun.h", "platform/win32/enlaces.h",
                               "platform/win32/rutas_largas.h", "system/Cifrado.h", "system/Constantes.h",
                               "tests/plataforma/sonda/Interprete.h"};
    std::string todo, lista;
    for (const char* f : fuentes) {
      todo += f + LeeFuente(f);
      lista += " '" + kFuentes + "/" + f + "'";
    }
    for (const char* f : cabeceras) todo += f + LeeFuente(f);
    char clave[32];
    std::snprintf(clave, sizeof clave, "%016zx", std::hash<std::string>{}(todo + prueba::Wine().triple));
    const std::string dir = std::string(ZELVANO_DIR_BUILD) + "/sonda-plataforma";
    std::filesystem::create_directories(dir);
    const std::string exe = dir + "/sonda-" + clave + ".exe";
    const int cerrojo = ::open((dir + "/cerrojo").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ::flock(cerrojo, LOCK_EX);
    if (!std::filesystem::exists(exe)) {
      // The probe carries a data resource like the wizard's archive.
      const std::string obra = dir + "/obra-" + std::to_string(::getpid());
      std::filesystem::create_directories(obra);
      std::ofstream(obra + "/datos.bin") << "contenido del recurso";
      std::ofstream(obra + "/recurso.rc") << "LANGUAGE 10, 3\nDATOS_NUEVOS RCDATA \"datos.bin\"\n";
      const std::string orden =
          "cd '" + obra + "' && " + prueba::Wine().triple + "-windres recurso.rc -O coff -o recurso.res 2>'" + dir +
          "/cc.log' && " + prueba::Wine().triple + "-g++ -std=c++17 -O0 -I'" + kFuentes +
          "' -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 -DZELVANO_WIN32=1" + lista +
          " recurso.res -o sonda.exe -static -lversion -lshell32 -ladvapi32 2>>'" + dir + "/cc.log'";
      if (std::system(orden.c_str()) == 0) {
        // Probes of earlier sources go: only the current one is ever used.
        for (const auto& e : std::filesystem::directory_iterator(dir))
          if (e.path().extension() == ".exe") std::filesystem::remove(e.path());
        std::filesystem::rename(obra + "/sonda.exe", exe);
      }
      std::filesystem::remove_all(obra);
    }
    ::close(cerrojo);
    return std::filesystem::exists(exe) ? exe : std::string();
  }

  static std::string LeeFuente(const char* f) {
    std::ifstream in(kFuentes + "/" + f, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static void TearDownTestSuite() { delete carpeta_; }
  void SetUp() override {
    ASSERT_TRUE(compilado_) << prueba::CarpetaTemporal::LeeRuta(std::string(ZELVANO_DIR_BUILD) +
                                                                 "/sonda-plataforma/cc.log");
  }

  // Folder of one test inside the temporary folder, with %D% in the
  // operations standing for it.
  static std::string Sustituye(std::string orden, const std::string& carpeta) {
    for (size_t p; (p = orden.find("%D%")) != std::string::npos;) orden.replace(p, 3, carpeta);
    return orden;
  }

  static std::string Windows(const std::string& posix) {
    std::string r = "Z:" + posix;
    for (char& c : r)
      if (c == '/') c = '\\';
    return r;
  }

  // Runs the probe under Wine on the operations; one answer each. It runs
  // under the users' locale, Spanish (ANSI code page 1252) unless another
  // language is asked for.
  static std::vector<std::string> Sonda(const std::vector<std::string>& ordenes,
                                        const std::string& idioma = "es_ES") {
    std::string texto;
    for (const std::string& o : ordenes) texto += o + "\n";
    carpeta_->Escribe("ordenes.txt", texto);
    // Wine keeps the user's locale settings in its prefix and takes them
    // from the language of the session that starts its server: each prefix
    // is only ever started in one language.
    const std::string lang = idioma + ".UTF-8";
    const std::string prefijo = std::string(ZELVANO_DIR_BUILD) + "/prefijo-wine-plataforma-" +
                                (idioma == "es_ES" ? std::string("es") : idioma) + prueba::SufijoPrefijoWine();
    // No .NET or HTML engine: a new prefix must not offer to fetch them.
    const std::string entorno = "LANG='" + lang + "' LC_ALL='" + lang + "' WINEDLLOVERRIDES='mscoree,mshtml=' ";
    const std::string orden = prueba::EntornoWine() + entorno + "WINEPREFIX='" + prefijo + "' WINEDEBUG=-all timeout 300 wine '" +
                              carpeta_->Posix("sonda.exe") + "' '" + Windows(carpeta_->Posix("ordenes.txt")) +
                              "' > '" + carpeta_->Posix("salida.txt") + "' 2>/dev/null";
    // One probe at a time: ctest runs these tests in parallel processes, and
    // two probes in one prefix see each other's mutexes and first-start setup.
    const int cerrojo = ::open((std::string(ZELVANO_DIR_BUILD) + "/prefijo-wine-plataforma.cerrojo").c_str(),
                               O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ::flock(cerrojo, LOCK_EX);
    EXPECT_EQ(std::system(orden.c_str()), 0);
    ::close(cerrojo);
    std::vector<std::string> r;
    std::string linea;
    for (char c : carpeta_->Lee("salida.txt")) {
      if (c == '\n') {
        r.push_back(linea);
        linea.clear();
      } else {
        linea += c;
      }
    }
    return r;
  }

  // Each side works in its own copy of the folder `base` (prepared by
  // `prepara`), runs the operations in order, and the answers must match.
  template <typename Prepara>
  static void Compara(const std::string& base, Prepara prepara, const std::vector<std::string>& ordenes) {
    const std::string nuestra = carpeta_->Posix(base + "_posix"), suya = carpeta_->Posix(base + "_wine");
    prepara(nuestra);
    prepara(suya);
    std::vector<std::string> deWine;
    for (const std::string& o : ordenes) deWine.push_back(Sustituye(o, Windows(suya)));
    const std::vector<std::string> api = Sonda(deWine);
    ASSERT_EQ(api.size(), ordenes.size());
    std::string conBarras = nuestra;
    for (char& c : conBarras)
      if (c == '/') c = '\\';
    for (size_t i = 0; i < ordenes.size(); ++i) {
      const std::string nuestro = sonda::Ejecuta(sonda::Campos(Sustituye(ordenes[i], conBarras)));
      std::string esperado = api[i];
      // Paths inside answers differ only by their folder.
      EXPECT_EQ(nuestro, esperado) << "operation " << i << ": " << ordenes[i];
    }
  }

  static prueba::CarpetaTemporal* carpeta_;
  static bool compilado_;
};
prueba::CarpetaTemporal* ContraWine::carpeta_ = nullptr;
bool ContraWine::compilado_ = false;

void Escribe(const std::string& ruta, const std::string& bytes) { std::ofstream(ruta, std::ios::binary) << bytes; }

TEST_F(ContraWine, LecturaDePerfiles) {
  const std::string ini =
      "suelta=antes\r\n"
      "[Instalacion]\r\n"
      "  Nombre PC  =  caja1  \r\n"
      "Comillas=\"  con blancos  \"\r\n"
      "Simple='uno'\r\n"
      "Desparejas=\"abc'\r\n"
      "Vacia=\r\n"
      "Ruta=C:\\Zelvano\\Datos\\\r\n"
      "Acento=Actualizaci\xF3n \x80\r\n"
      "\xD5\xF4\xF6=escondido\r\n"
      "Largo=" + std::string(3000, 'L') + "\r\n"
      "Igual==doble\r\n"
      "SoloNombre\r\n"
      ";Comentario=punto y coma\r\n"
      "\tTabulada\t=\tvalor\t\r\n"
      "[Tercera\r\n"
      "k=sin cierre\r\n"
      "[ Otra ]\n"
      "Ruta=la de otra\n"
      "[Instalacion]\n"
      "Segunda=otra vez\n";
  const std::string l = "lee\t%D%\\p.ini\t";
  Compara(
      "lectura",
      [&](const std::string& d) {
        std::filesystem::create_directory(d);
        Escribe(d + "/p.ini", ini);
      },
      {
          l + "Instalacion\tNombre PC\tD\t2048", l + "INSTALACION\tnombre pc\tD\t2048",
          l + "Instalacion\tComillas\tD\t2048", l + "Instalacion\tSimple\tD\t2048",
          l + "Instalacion\tDesparejas\tD\t2048", l + "Instalacion\tVacia\tD\t2048",
          l + "Instalacion\tRuta\tD\t2048", l + "Instalacion\tAcento\tD\t2048",
          // Exact case only: Wine folds ASCII letters alone, Windows (and the
          // posix backend, see Perfil_test) folds accented ones too.
          l + "Instalacion\t\xC3\x95\xC3\xB4\xC3\xB6\tD\t2048", l + "Instalacion\tLargo\tD\t2048",
          l + "Instalacion\tLargo\tD\t10", l + "Instalacion\tIgual\tD\t2048", l + "Otra\tRuta\tD\t2048",
          l + "Instalacion\tFalta\tdef  \t2048", l + "Falta\tRuta\t\t2048", l + "Instalacion\tFalta\tdefecto\t4",
          l + "Instalacion\tNombre PC\tD\t3", l + "Instalacion\tSegunda\tD\t2048",
          l + "Instalacion\tSoloNombre\tD\t2048", l + "Instalacion\t;Comentario\tD\t2048",
          l + "Instalacion\tComentario\tD\t2048", l + "Instalacion\tTabulada\tD\t2048",
          l + "Tercera\tk\tD\t2048",
          "lee\t%D%\\falta.ini\tInstalacion\tRuta\tD\t2048",
      });
}

TEST_F(ContraWine, EscrituraDePerfiles) {
  // No blank lines and no blanks around values: Wine drops both when it
  // rewrites a file, Windows keeps them (Perfil_test covers those).
  const std::string e = "escribe\t%D%\\e.ini\t";
  Compara(
      "escritura",
      [](const std::string& d) {
        std::filesystem::create_directory(d);
        Escribe(d + "/e.ini", "linea de registro\r\n[Uno]\r\na=1\r\n[Dos]\r\nb=2\r\n");
      },
      {
          e + "Uno\tA\tuno", e + "Uno\tc\tActualizaci\xC3\xB3n", e + "Tres\td\t4", e + "dos\te\tcon blancos",
          e + "Tres\td\tcuatro", e + "UNO\tC\t\xC3\x91",
          "escribe\t%D%\\nuevo.ini\tS\tk\tv",
          "lee\t%D%\\e.ini\tUno\ta\tD\t2048", "lee\t%D%\\e.ini\tdos\te\tD\t2048",
          "version\t%D%\\e.ini\t\\",
      });
  EXPECT_EQ(carpeta_->Lee("escritura_posix/e.ini"), carpeta_->Lee("escritura_wine/e.ini"));
  EXPECT_EQ(carpeta_->Lee("escritura_posix/nuevo.ini"), carpeta_->Lee("escritura_wine/nuevo.ini"));
}

TEST_F(ContraWine, RecursoDeVersion) {
  const std::string v = "version\t%D%\\muestra.exe\t";
  Compara(
      "version",
      [](const std::string& d) {
        std::filesystem::create_directory(d);
        prueba::CompilaPE(d, "muestra", true);
        prueba::CompilaPE(d, "vacio", false);
        Escribe(d + "/texto.exe", "no es un ejecutable");
      },
      {
          v + "\\StringFileInfo\\0C0A04E4\\FileVersion", v + "\\stringfileinfo\\0c0a04e4\\FILEVERSION",
          v + "\\StringFileInfo\\0C0A04E4\\Comments", v + "\\StringFileInfo\\0C0A04E4\\ProductName",
          v + "\\StringFileInfo\\040904E4\\FileVersion", v + "StringFileInfo\\0C0A04E4\\CompanyName",
          "version\t%D%\\vacio.exe\t\\StringFileInfo\\0C0A04E4\\FileVersion",
          "version\t%D%\\texto.exe\t\\VarFileInfo\\Translation",
          "version\t%D%\\falta.exe\t\\VarFileInfo\\Translation",
      });
}

TEST_F(ContraWine, FicherosYCarpetas) {
  Compara(
      "ficheros",
      [](const std::string& d) {
        std::filesystem::create_directory(d);
        Escribe(d + "/a.txt", "12345");
        Escribe(d + "/b.dat", std::string(70000, 'x'));
        std::filesystem::create_directory(d + "/Sub");
        Escribe(d + "/Sub/dentro", "1");
      },
      {
          "lista\t%D%\\*", "lista\t%D%\\*.*", "lista\t%D%\\*.TXT", "lista\t%D%\\*.zzz", "lista\t%D%\\Falta\\*",
          "copia\t%D%\\a.txt\t%D%\\b.dat\t1", "copia\t%D%\\a.txt\t%D%\\c.txt\t1", "copia\t%D%\\a.txt\t%D%\\c.txt\t0",
          "copia\t%D%\\falta\t%D%\\d.txt\t0", "copia\t%D%\\a.txt\t%D%\\Falta\\d.txt\t0",
          // Copying over a read-only or hidden file is refused by Windows
          // (CopyFileW) but not by Wine: Ficheros_test covers it.
          "atributos\t%D%\\c.txt\t3", "leeatributos\t%D%\\c.txt", "borra\t%D%\\c.txt",
          "copia\t%D%\\c.txt\t%D%\\e.txt\t1", "leeatributos\t%D%\\e.txt",
          "atributos\t%D%\\c.txt\t128", "leeatributos\t%D%\\c.txt", "copia\t%D%\\b.dat\t%D%\\c.txt\t0",
          "borra\t%D%\\c.txt", "borra\t%D%\\c.txt",
          "borra\t%D%\\Sub", "creadir\t%D%\\Sub", "creadir\t%D%\\Nueva", "creadir\t%D%\\Falta\\Hija",
          "eliminadir\t%D%\\Sub", "eliminadir\t%D%\\a.txt", "eliminadir\t%D%\\Nueva", "eliminadir\t%D%\\Nueva",
          "atributos\t%D%\\Sub\t2", "leeatributos\t%D%\\Sub", "lista\t%D%\\*", "leeatributos\t%D%\\Falta",
          "existe\t%D%\\a.txt", "existe\t%D%\\Sub", "existe\t%D%\\Sub\\", "existe\t%D%\\Falta",
      });
}

TEST_F(ContraWine, Registro) {
  prueba::VariableEntorno almacen("ZELVANO_REGISTRO", carpeta_->Posix("registro"));
  // A key of its own in Wine's registry for this run.
  const std::string k = "Software\\Pruebas Zelvano\\" + std::to_string(::getpid());
  Compara(
      "registro", [](const std::string&) {},
      {
          "regexiste\tHKCU\t" + k, "reglee\tHKCU\t" + k + "\tx", "regcrea\tHKCU\t" + k + "\\A\\B",
          "regexiste\tHKCU\t" + k, "regtexto\tHKCU\t" + k + "\\A\tRuta\tC:\\Zelvano\\",
          "reglee\tHKCU\t" + k + "\\a\truta", "reglee\tHKCU\t" + k + "\\A\tFalta",
          "regtexto\tHKCU\t" + k + "\\A\t\tpor defecto", "reglee\tHKCU\t" + k + "\\A\t",
          "regtexto\tHKCU\t" + k + "\\A\tRUTA\tD:\\Otra\\", "reglee\tHKCU\t" + k + "\\A\tRuta",
          "regentero\tHKCU\t" + k + "\\A\tNumero\t7", "reglee\tHKCU\t" + k + "\\A\tnumero",
          "regexiste\tHKCU\t" + k + "\\A\\B", "regborra\tHKCU\t" + k + "\\A", "regexiste\tHKCU\t" + k + "\\A\\B",
          "regexiste\tHKCU\t" + k + "\\A", "regexiste\tHKCU\t" + k, "regborra\tHKCU\t" + k + "\\Nunca",
          "regborra\tHKCU\t" + k, "regexiste\tHKCU\t" + k,
      });
}

TEST_F(ContraWine, ProcesosYMutexConLaApi) {
  // Under Wine only: the programs are Windows programs. Procesos_test checks
  // the same operations on the posix backend.
  ASSERT_TRUE(prueba::CompilaPE(carpeta_->Ruta(), "muestra", true, prueba::Wine().triple));
  carpeta_->Escribe("dormir.txt", "duerme\t60000\n");
  const std::string sonda = Windows(carpeta_->Posix("sonda.exe"));
  const std::vector<std::string> api = Sonda({
      "proceso\t" + Windows(carpeta_->Posix("muestra.exe")) + "\t60000",
      "proceso\t\"" + sonda + "\" " + Windows(carpeta_->Posix("dormir.txt")) + "\t100",
      "cuenta\tsonda.exe",
      "termina\tSONDA.EXE",
      "espera\t60000",
      "cuenta\tsonda.exe",
      "proceso\t" + Windows(carpeta_->Posix("no_existe.exe")) + "\t0",
      "mutex\tActualizaci\xC3\xB3n Zelvano prueba",
      "mutex\tActualizaci\xC3\xB3n Zelvano prueba",
      "mutex\tOtro nombre",
      "recurso\tDATOS_NUEVOS\t3082",
      "recurso\tdatos_nuevos\t3082",
      "recurso\tDATOS_NUEVOS\t1033",
      "recurso\tOTRO\t3082",
  });
  const std::vector<std::string> esperado = {"0",       "258",     "1",
                                             "1",       "0",       "0",
                                             "fallo 2", "primero", "segundo",
                                             "primero", "[contenido del recurso]", "[contenido del recurso]",
                                             "no",      "no"};
  EXPECT_EQ(api, esperado);
}

TEST_F(ContraWine, CifradoIgualEnAmbasCompilaciones) {
  // The Windows build must scramble and unscramble exactly as this one, the
  // stored constants included.
  const char* textos[] = {"", "Z", "Zv2128", "Nombre_Servidor", "C:\\Zelvano\\Datos\\",
                          "\xC3\xA1\xC3\xA9\xC3\xAD\xC3\xB3\xC3\xBA \xC3\x91\xC3\xB1 \xC3\xBC\xE2\x82\xAC",
                          "l\xC3\xADnea\\nsegunda\\", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"};
  std::vector<std::string> ordenes{"constantes"};
  for (const char* t : textos)
    for (const char* o : {"permuta", "restaura", "cifra", "descifra"}) ordenes.push_back(std::string(o) + "\t" + t);
  Compara("cifrado", [](const std::string&) {}, ordenes);
}

TEST_F(ContraWine, LaPaginaAnsiEsLaDelSistema) {
  // The log file and the byte scrambling take the system's ANSI code page:
  // Windows-1252 on a Spanish system, as the posix build; Windows-1251 on a
  // Russian one, where a Cyrillic text still scrambles and comes back.
  const std::string ruso = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет
  const std::string espanol = "a\xC3\xB1o \xE2\x82\xAC";                     // año €
  const std::vector<std::string> ordenes = {"ansi\t" + espanol, "ansi\t" + ruso, "cifra2\t" + ruso};
  const std::vector<std::string> es = Sonda(ordenes);
  ASSERT_EQ(es.size(), 3u);
  EXPECT_EQ(es[0], "61 F1 6F 20 80");
  EXPECT_EQ(es[0], sonda::Ejecuta(sonda::Campos(ordenes[0])));
  EXPECT_EQ(es[1], "3F 3F 3F 3F 3F 3F");
  const std::vector<std::string> ru = Sonda(ordenes, "ru_RU");
  ASSERT_EQ(ru.size(), 3u);
  EXPECT_EQ(ru[1], "CF F0 E8 E2 E5 F2");
  EXPECT_EQ(ru[2], "[" + ruso + "]");
  EXPECT_NE(es[2], ru[2]);
}

// Infinity, NaN and values past any counter give the same closed texts in
// the Windows build (its own long double and printf).
TEST_F(ContraWine, FormatosDeValoresExtremos) {
  prueba::VariableEntorno lang("LANG", std::string("es_ES.UTF-8"));
  prueba::VariableEntorno todo("LC_ALL", std::nullopt), numerico("LC_NUMERIC", std::nullopt);
  const std::vector<std::string> api = Sonda({"formatosextremos"});
  ASSERT_EQ(api.size(), 1u);
  EXPECT_EQ(api[0], "INF KB|NAN MB|-INF|1.000.000.000.000.000.020.000.000.000.000,00|Tiempo: 00:00:00|"
                    "Tiempo: 2562047788015215:30:07|Tiempo: 00:00:00");
  EXPECT_EQ(api[0], sonda::Ejecuta({u"formatosextremos"}));
}

// The free space of a volume, asked through GetDiskFreeSpaceExW under Wine
// and statvfs here, each on a 6 MB tmpfs of its own holding one 1 MB file:
// both must answer the 5 MB left. A folder that is not there fails alike.
TEST_F(ContraWine, EspacioLibreDelVolumen) {
  if (::geteuid() != 0) GTEST_SKIP() << "montar un tmpfs para la prueba requiere ser root";
  const std::string nuestra = carpeta_->Posix("espacio_posix"), suya = carpeta_->Posix("espacio_wine");
  int montados = 0;
  for (const std::string& d : {nuestra, suya}) {
    std::filesystem::create_directory(d);
    if (std::system(("mount -t tmpfs -o size=6m tmpfs '" + d + "'").c_str()) != 0) continue;
    ++montados;
    std::filesystem::create_directory(d + "/sub");
    Escribe(d + "/sub/un_mega", std::string(1 << 20, 'x'));
  }
  if (montados == 2) {
    const std::vector<std::string> ordenes = {"espacio\t%D%\\", "espacio\t%D%\\sub\\", "espacio\t%D%\\falta\\"};
    std::vector<std::string> deWine;
    for (const std::string& o : ordenes) deWine.push_back(Sustituye(o, Windows(suya)));
    const std::vector<std::string> api = Sonda(deWine);
    ASSERT_EQ(api.size(), ordenes.size());
    EXPECT_EQ(api[0], "ok 5242880");
    EXPECT_EQ(api[1], "ok 5242880");
    std::string conBarras = nuestra;
    std::replace(conBarras.begin(), conBarras.end(), '/', '\\');
    for (size_t i = 0; i < ordenes.size(); ++i)
      EXPECT_EQ(sonda::Ejecuta(sonda::Campos(Sustituye(ordenes[i], conBarras))), api[i]) << ordenes[i];
  }
  for (const std::string& d : {nuestra, suya})
    if (std::system(("umount -l '" + d + "' 2>/dev/null").c_str()) != 0) continue;
  if (montados != 2) GTEST_SKIP() << "no se pudo montar un tmpfs (¿contenedor sin CAP_SYS_ADMIN?)";
}

TEST_F(ContraWine, FormatosConElLocaleDelUsuario) {
  // Windows takes the separators and the date form from the user's locale;
  // a Spanish user gets what the posix backend gives under es_ES.
  prueba::VariableEntorno lang("LANG", std::string("es_ES.UTF-8"));
  prueba::VariableEntorno todo("LC_ALL", std::nullopt), numerico("LC_NUMERIC", std::nullopt);
  // dd/MM/yyyy H:mm:ss, the Spanish short date and long time.
  const std::regex fechaHora("[0-3][0-9]/[01][0-9]/[0-9]{4} ([0-9]|1[0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]");
  const std::vector<std::string> api = Sonda({"formatos", "fechahora"});
  ASSERT_EQ(api.size(), 2u);
  EXPECT_EQ(api[0], "0,49 KB|3,00 MB|1.234|1.500000 seg.|Tiempo: 01:02:05");
  EXPECT_EQ(api[0], sonda::Ejecuta({u"formatos"}));
  EXPECT_TRUE(std::regex_match(api[1], fechaHora))
      << api[1];
  EXPECT_TRUE(std::regex_match(sonda::Ejecuta({u"fechahora"}), fechaHora));
}

}  // namespace
