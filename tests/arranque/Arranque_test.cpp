// Start-up of the wizard as a program: where it finds the installation, which
// versions it accepts, which configuration file it reads, and that every
// refusal ends with status 0 before anything is touched.
#include <gtest/gtest.h>

#include <functional>

#include "platform/plataforma.h"
#include "platform/texto.h"
#include "system/Constantes.h"
#include "tests/arranque/Entorno.h"

namespace prueba_arranque {
namespace {

const std::string kSinRuta =
    "No encuentro la Ruta de Zelvano_Start.exe.\nSaldr\xC3\xA1 del asistente de actualizaci\xC3\xB3n.";
const std::string kVersionNoActualizable =
    "Solo las Versiones entre 20.21.0.3 y 20.21.1.8\nde Zelvano son actualizables.";
const std::string kGuionSalir = "frmAviso marca LCBLeido\nfrmAviso pulsa BtnLeido\nfV pulsa BtnSalir\n";

const std::string& Clave(int n) { return generador::ClavesProducto()[static_cast<size_t>(n - 1)]; }

struct Caso {
  const char* nombre;
  std::function<void(generador::Opciones&, const fs::path& raiz)> prepara;
  std::string desde;    // folder the wizard is started from, relative to the scenario
  std::string mensaje;  // the refusal shown, or "" when the installation is accepted
  // Fields of the main window once shown; "{raiz}" stands for the scenario's folder.
  std::map<std::string, std::string> ventana;
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

std::map<std::string, std::string> Ventana(std::map<std::string, std::string> cambios) {
  std::map<std::string, std::string> v = {
      {"RutaTPV", "{raiz}/Zelvano/"},
      {"RutaDatos", "{raiz}/Zelvano/Datos/"},
      {"NombrePC", "PC1"},
      {"NombreServidor", "SERVIDOR"},
      {"Version", "20.21.1.0"},
      {"ClaveRegistro", Clave(1)},
      {"RutaIni", "{raiz}/Zelvano/Pindal.dll"},
      {"RutaLog", "{raiz}/Zelvano/Excepciones_Act_202128.log"},
  };
  for (auto& [k, val] : cambios) v[k] = val;
  return v;
}

void Version(generador::Opciones& o, const char* v) { o.version = v; }

std::string Sustituye(std::string s, const fs::path& raiz) {
  const std::string marca = "{raiz}";
  for (size_t p; (p = s.find(marca)) != std::string::npos;) s.replace(p, marca.size(), raiz.string());
  return s;
}

const Caso kCasos[] = {
    {"Claves1Y8_GanaLaPrimera", [](auto& o, auto&) { o.claves = {8, 1}; }, "otra", "", Ventana({})},
    {"SoloClave8", [](auto& o, auto&) { o.claves = {8}; }, "otra", "", Ventana({{"ClaveRegistro", Clave(8)}})},
    {"SoloClave9", [](auto& o, auto&) { o.claves = {9}; }, "otra", "", Ventana({{"ClaveRegistro", Clave(9)}})},
    {"ClaveConAcento", [](auto& o, auto&) { o.claves = {6, 7}; }, "otra", "",
     Ventana({{"ClaveRegistro", Clave(6)}})},
    {"SinClave_DesdeUpdate", [](auto& o, auto&) { o.claves = {}; }, "Zelvano/Update", "",
     Ventana({{"ClaveRegistro", ""}})},
    {"SinClave_DesdeLaCarpetaDelPrograma", [](auto& o, auto&) { o.claves = {}; }, "Zelvano", "",
     Ventana({{"ClaveRegistro", ""}})},
    {"SinClave_DesdeOtraCarpeta", [](auto& o, auto&) { o.claves = {}; }, "otra", kSinRuta, {}},
    // "Update" elsewhere in the path: seven characters go all the same, and
    // what is left is tried as the application folder.
    {"UpdatesEnMedio_HallaLaCarpetaSuperior",
     [](auto& o, const fs::path& raiz) {
       o.claves = {};
       o.destino = raiz / "Updates";
       o.rutaAplicacion = (raiz / "Updates").string() + "/";
     },
     "Updates/Zelvano", "",
     Ventana({{"ClaveRegistro", ""},
              {"RutaTPV", "{raiz}/Updates/"},
              {"RutaDatos", "{raiz}/Updates/Datos/"},
              {"RutaIni", "{raiz}/Updates//Pindal.dll"},
              {"RutaLog", "{raiz}/Updates//Excepciones_Act_202128.log"}})},
    {"UpdatesEnMedio_SinPrograma", [](auto& o, auto&) { o.claves = {}; }, "Updates/Zelvano", kSinRuta, {}},
    {"ClaveSinValorDeRuta_DesdeUpdate", [](auto& o, auto&) { o.valorRuta = false; }, "Zelvano/Update", "",
     Ventana({})},
    {"ClaveSinValorDeRuta_DesdeOtraCarpeta", [](auto& o, auto&) { o.valorRuta = false; }, "otra", kSinRuta, {}},
    {"FaltaElPrograma", [](auto& o, auto&) { o.start = false; }, "Zelvano/Update", kSinRuta, {}},
    {"SinRecursoDeVersion", [](auto& o, auto&) { o.recursoVersion = false; }, "Zelvano/Update",
     kVersionNoActualizable, {}},
    {"Version_20_21_0_2", [](auto& o, auto&) { Version(o, "20.21.0.2"); }, "Zelvano/Update",
     kVersionNoActualizable, {}},
    {"Version_20_21_0_3", [](auto& o, auto&) { Version(o, "20.21.0.3"); }, "Zelvano/Update", "",
     Ventana({{"Version", "20.21.0.3"}})},
    {"Version_20_21_1_8", [](auto& o, auto&) { Version(o, "20.21.1.8"); }, "Zelvano/Update", "",
     Ventana({{"Version", "20.21.1.8"}})},
    {"Version_20_21_1_9", [](auto& o, auto&) { Version(o, "20.21.1.9"); }, "Zelvano/Update",
     kVersionNoActualizable, {}},
    {"Version_20_21_2_0", [](auto& o, auto&) { Version(o, "20.21.2.0"); }, "Zelvano/Update",
     kVersionNoActualizable, {}},
    // Compared as text: "1.10" sorts below "1.8".
    {"Version_20_21_1_10", [](auto& o, auto&) { Version(o, "20.21.1.10"); }, "Zelvano/Update", "",
     Ventana({{"Version", "20.21.1.10"}})},
    {"Version_20_21_1_8_ConSufijo", [](auto& o, auto&) { Version(o, "20.21.1.8.1"); }, "Zelvano/Update",
     kVersionNoActualizable, {}},
    {"SinFicheroDeConfiguracion", [](auto& o, auto&) { o.pindalDll = false; }, "Zelvano/Update", "",
     Ventana({{"RutaTPV", ""}, {"RutaDatos", ""}, {"NombrePC", ""}, {"NombreServidor", ""}})},
    {"Version_20_21_0_3_SinNingunaConfiguracion",
     [](auto& o, auto&) {
       Version(o, "20.21.0.3");
       o.pindalDll = false;
     },
     "Zelvano/Update", "",
     Ventana({{"Version", "20.21.0.3"}, {"RutaTPV", ""}, {"RutaDatos", ""}, {"NombrePC", ""},
              {"NombreServidor", ""}})},
    {"Version_20_21_1_0_NoLeePindalDat",
     [](auto& o, auto&) {
       o.pindalDat = true;
       o.nombrePCDat = "PCDAT";
     },
     "Zelvano/Update", "", Ventana({})},
    {"CarpetaDeLaConfiguracionDistintaDeLaDelRegistro",
     [](auto& o, auto&) {
       o.rutaAplicacion = "/srv/otra/Zelvano/";
       o.rutaDatos = "/srv/datos/";
       o.rutaRegistro = o.destino.string() + "/";
     },
     "otra", "", Ventana({{"RutaTPV", "/srv/otra/Zelvano/"}, {"RutaDatos", "/srv/datos/"}})},
};

class Arranque : public ::testing::TestWithParam<Caso> {};

TEST_P(Arranque, HallaLaInstalacionOLaRechazaSinTocarNada) {
  const Caso& caso = GetParam();
  Escenario e;
  generador::Opciones o = e.Opciones();
  caso.prepara(o, e.Raiz());
  e.Genera(o);
  fs::create_directories(e.Raiz() / caso.desde);
  const auto antes = e.Instantanea();

  ASSERT_EQ(e.Ejecuta(e.Raiz() / caso.desde / "Act_202103_a_202128.exe", kGuionSalir), 0) << e.Salida();

  EXPECT_EQ(e.Instantanea(), antes) << "el arranque ha cambiado la instalación o el registro";
  const auto dialogos = e.Eventos("dialogo");
  if (!caso.mensaje.empty()) {
    ASSERT_EQ(dialogos.size(), 1u) << e.Salida();
    EXPECT_EQ(dialogos[0].Texto("tipo"), "33");
    EXPECT_EQ(dialogos[0].Texto("texto"), caso.mensaje);
    EXPECT_EQ(dialogos[0].Texto("pitido"), "48");
    EXPECT_TRUE(e.Eventos("ventana").empty()) << "la ventana principal no debe mostrarse";
    EXPECT_TRUE(e.Eventos("formulario", "fV").empty());
    EXPECT_TRUE(e.Eventos("formulario", "frmAviso").empty());
    return;
  }
  // Without an application folder the user is told why the start is grey.
  const auto ruta = caso.ventana.find("RutaTPV");
  if (ruta != caso.ventana.end() && ruta->second.empty()) {
    ASSERT_EQ(dialogos.size(), 1u);
    EXPECT_EQ(dialogos[0].Texto("tipo"), "33");
    EXPECT_EQ(dialogos[0].Texto("texto").rfind("No encuentro el fichero de configuraci\xC3\xB3n", 0), 0u);
  } else {
    EXPECT_TRUE(dialogos.empty()) << dialogos[0].Texto("texto");
  }
  const auto ventanas = e.Eventos("ventana");
  ASSERT_EQ(ventanas.size(), 1u) << e.Salida();
  for (const auto& [campo, valor] : caso.ventana)
    EXPECT_EQ(ventanas[0].Texto(campo), Sustituye(valor, e.Raiz())) << campo;
  // The window as the user sees it, with the notice screen over it.
  const auto principal = e.Eventos("formulario", "fV");
  ASSERT_EQ(principal.size(), 1u);
  EXPECT_EQ(Control(principal[0], "Version").Texto("texto"), ventanas[0].Texto("Version"));
  EXPECT_EQ(e.Eventos("formulario", "frmAviso").size(), 1u);
  // "Salir" closes the window; its fields are recorded once more at the end.
  const auto finales = e.Eventos("ventana_final");
  ASSERT_EQ(finales.size(), 1u);
  EXPECT_EQ(finales[0].Texto("RutaTPV"), ventanas[0].Texto("RutaTPV"));
}

INSTANTIATE_TEST_SUITE_P(Casos, Arranque, ::testing::ValuesIn(kCasos),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

// Version 20.21.0.3 keeps its settings in Pindal.dat: start-up copies it
// over Pindal.dll (created or replaced), shows its size and reads the copy.
TEST(ArranqueConfiguracionVieja, PindalDatSeCopiaSobrePindalDll) {
  for (const bool habiaDll : {false, true}) {
    SCOPED_TRACE(habiaDll ? "con Pindal.dll previo" : "sin Pindal.dll");
    Escenario e;
    generador::Opciones o = e.Opciones();
    o.version = "20.21.0.3";
    o.pindalDll = habiaDll;
    o.pindalDat = true;
    o.nombrePCDat = "PCDAT";
    e.Genera(o);
    const std::string dat = prueba::LeeFichero(e.Aplicacion() / "Pindal.dat");

    ASSERT_EQ(e.Ejecuta(e.Aplicacion() / "Update" / "Act_202103_a_202128.exe", kGuionSalir), 0) << e.Salida();

    EXPECT_EQ(prueba::LeeFichero(e.Aplicacion() / "Pindal.dll"), dat);
    const auto ventanas = e.Eventos("ventana");
    ASSERT_EQ(ventanas.size(), 1u) << e.Salida();
    EXPECT_EQ(ventanas[0].Texto("NombrePC"), "PCDAT");
    EXPECT_EQ(ventanas[0].Texto("RutaIni"), e.Aplicacion().string() + "/Pindal.dll");
    const auto principal = e.Eventos("formulario", "fV");
    ASSERT_EQ(principal.size(), 1u);
    const double bytes = static_cast<double>(dat.size());
    EXPECT_EQ(Control(principal[0], "ST_F").Texto("texto"), texto::AUtf8(texto::FormatoKB(bytes)));
    EXPECT_EQ(Control(principal[0], "ST_T").Texto("texto"),
              texto::AUtf8(dat.size() < 1024 ? texto::FormatoKB(bytes) : texto::FormatoMB(bytes)));
  }
}

// Any later version leaves both files alone and shows no size.
TEST(ArranqueConfiguracionVieja, OtrasVersionesNoCopianNada) {
  Escenario e;
  generador::Opciones o = e.Opciones();
  o.version = "20.21.0.4";
  o.pindalDll = false;
  o.pindalDat = true;
  e.Genera(o);
  ASSERT_EQ(e.Ejecuta(e.Aplicacion() / "Update" / "Act_202103_a_202128.exe", kGuionSalir), 0) << e.Salida();
  EXPECT_FALSE(fs::exists(e.Aplicacion() / "Pindal.dll"));
  const auto principal = e.Eventos("formulario", "fV");
  ASSERT_EQ(principal.size(), 1u);
  EXPECT_EQ(Control(principal[0], "ST_F").Texto("texto"), "");
  EXPECT_EQ(e.Eventos("ventana")[0].Texto("NombrePC"), "");
}


// A folder value stored as a number cannot be read as text: start-up ends
// with the application's standard exception display, status 0, untouched.
TEST(ArranqueRegistro, RutaQueNoEsTextoTerminaConLaExcepcion) {
  Escenario e;
  generador::Opciones o = e.Opciones();
  o.valorRuta = false;
  e.Genera(o);
  ::setenv("ZELVANO_REGISTRO", e.Registro().c_str(), 1);
  {
    plataforma::Clave k;
    ASSERT_TRUE(k.AbreOCrea(plataforma::Raiz::UsuarioActual, texto::DeUtf8(Clave(1))));
    k.EscribeEntero(u"Application Install Patch", 7);
  }
  ::unsetenv("ZELVANO_REGISTRO");
  const auto antes = e.Instantanea();
  ASSERT_EQ(e.Ejecuta(e.Aplicacion() / "Update" / "Act_202103_a_202128.exe", kGuionSalir), 0) << e.Salida();
  EXPECT_EQ(e.Instantanea(), antes);
  EXPECT_EQ(e.Eventos("excepcion").size(), 1u) << e.Salida();
  EXPECT_TRUE(e.Eventos("ventana").empty());
  EXPECT_TRUE(e.Eventos("dialogo").empty());
}


// A configuration file that names no application folder leaves nothing to
// build a run's paths from: the fields show empty and only "Salir" works.
TEST(ArranqueConfiguracion, SinCarpetaDeAplicacionNoSePuedeIniciar) {
  for (const bool hayFichero : {false, true}) {
    SCOPED_TRACE(hayFichero ? "ajuste vacío" : "sin fichero");
    Escenario e;
    generador::Opciones o = e.Opciones();
    o.pindalDll = hayFichero;
    o.rutaAplicacion = hayFichero ? "" : o.rutaAplicacion;
    e.Genera(o);
    if (hayFichero) {
      // The folder setting present but empty.
      ASSERT_TRUE(plataforma::EscribePerfil(texto::DeUtf8((e.Aplicacion() / "Pindal.dll").string()),
                                            constantes::SeccionInstalacion, constantes::IdentRutaAplicacion, u""));
    }
    const auto antes = e.Instantanea();
    ASSERT_EQ(e.Ejecuta(e.Aplicacion() / "Update" / "Act_202103_a_202128.exe",
                        "frmAviso marca LCBLeido\nfrmAviso pulsa BtnLeido\nfV pulsa BtnAceptar\nfV pulsa BtnSalir\n"),
              0)
        << e.Salida();
    EXPECT_EQ(e.Instantanea(), antes);
    std::vector<std::string> resultados;
    for (const Json& a : e.Eventos("accion", "fV")) resultados.push_back(a.Texto("control") + " " + a.Texto("resultado"));
    EXPECT_EQ(resultados, (std::vector<std::string>{"BtnAceptar no disponible", "BtnSalir hecha"}));
    EXPECT_EQ(e.Eventos("ventana")[0].Texto("RutaTPV"), "");
    // Told why, once, after the notice.
    const auto dialogos = e.Eventos("dialogo");
    ASSERT_EQ(dialogos.size(), 1u);
    EXPECT_EQ(dialogos[0].Texto("tipo"), "33");
    const std::string texto = dialogos[0].Texto("texto");
    const std::string ini = (e.Aplicacion() / "Pindal.dll").string();
    EXPECT_EQ(texto.rfind(std::string(hayFichero ? "El fichero de configuraci\xC3\xB3n de Zelvano no indica"
                                                 : "No encuentro el fichero de configuraci\xC3\xB3n") , 0) , 0u)
        << texto;
    EXPECT_NE(texto.find(ini), std::string::npos) << texto;
    EXPECT_NE(texto.find(std::string(hayFichero ? "\nSin esa carpeta" : "\nSin ese fichero") +
                         " no se puede actualizar: el bot\xC3\xB3n Iniciar Actualizaci\xC3\xB3n queda desactivado.\n"),
              std::string::npos)
        << texto;
    std::vector<std::string> orden;
    for (const Json& f : e.Eventos("formulario")) orden.push_back(f.Texto("formulario"));
    EXPECT_EQ(orden, (std::vector<std::string>{"fV", "frmAviso", "frmDialogo"}));
  }
}

}  // namespace
}  // namespace prueba_arranque
