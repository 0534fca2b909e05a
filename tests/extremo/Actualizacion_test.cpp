// The wizard run end to end as a separate process, with a scripted user, on
// generated installations and the local Firebird server.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "platform/plataforma.h"
#include "platform/texto.h"
#include "tests/extremo/Arnes.h"

namespace {

using namespace prueba;


const std::string& kFinal = kLineaFinal;
const std::string kSello = "PONER NUEVA VERSION EN TABLA EMPRESA";

// Labels of the closing batches and the stamp, in run order.
const std::vector<std::string> kEtiquetasLote3 = {"ALTER PROCEDURE PROC_MP_PREC_COMPR_INI_ULT",
                                                  "ALTER PROCEDURE SEL_STOCK_VENTAS"};
const std::vector<std::string> kEtiquetasLote4 = {"MODIFICAR FORMAS DE PAGO C", "MODIFICAR FORMAS DE PAGO H"};
const std::vector<std::string> kEtiquetasLote5 = {"MODIFICAR FORMAS DE PAGO B", "MODIFICAR FORMAS DE PAGO W"};
const std::string kEtiquetaBajo1010 = "(RDB$FIELD_NAME = 'UNIDAD_MINIMA')";
const std::string kPrimeraLinea = "Ejecutando función Guarda_Datos()";

long Posicion(const std::vector<std::string>& lineas, const std::string& linea) {
  const auto it = std::find(lineas.begin(), lineas.end(), linea);
  return it == lineas.end() ? -1 : static_cast<long>(it - lineas.begin());
}

std::string Une(const std::vector<std::string>& lineas) {
  std::string s;
  for (const auto& l : lineas) s += l + "\n";
  return s;
}

// The two summary lines at the end of the log: the counter shows how many
// lines came before the first of them, with the locale's thousands separator.
void CompruebaResumen(const std::vector<std::string>& lineas, size_t desde, const std::regex& tiempo) {
  ASSERT_GE(lineas.size(), desde + 2) << Une(lineas);
  const std::string contador = texto::AUtf8(texto::FormatoMiles(static_cast<long long>(desde)));
  EXPECT_EQ(lineas[desde], "Procesos Realizados: " + contador);
  EXPECT_TRUE(std::regex_match(lineas[desde + 1], tiempo)) << lineas[desde + 1];
}

const std::regex kTiempoReloj("Tiempo de procesos: (0|Tiempo: [0-9]{2,}:[0-9]{2}:[0-9]{2})");
const std::regex kTiempoSegundos("Tiempo de procesos: [0-9]+\\.[0-9]{6} seg\\.");

std::string Registro(const Instalacion& inst, const std::string& clave, const std::string& valor) {
  ::setenv("ZELVANO_REGISTRO", inst.registro.c_str(), 1);
  plataforma::Clave k;
  if (!k.AbreLectura(plataforma::Raiz::UsuarioActual, texto::DeUtf8(clave))) return "<sin clave>";
  texto::Texto v;
  if (!k.LeeTexto(texto::DeUtf8(valor), v)) return "<sin valor>";
  return texto::AUtf8(v);
}

// The one value that `select` (an expression over `desde`) yields.
std::string Valor(const Instalacion& inst, const std::string& select, const std::string& desde) {
  const std::string salida =
      ConsultaSql(inst.baseDatos, "SELECT '#' || (" + select + ") || '#' FROM " + desde + ";");
  const auto a = salida.find('#');
  const auto b = salida.find('#', a + 1);
  if (a == std::string::npos || b == std::string::npos) return "<" + salida + ">";
  return salida.substr(a + 1, b - a - 1);
}

std::string Version(const Instalacion& inst) { return Valor(inst, "VERSION_ZELVANO", "EMPRESA"); }

// ---- Successful runs ---------------------------------------------------------

struct CasoExito;
void PrintTo(const CasoExito& c, std::ostream* os);

struct CasoExito {
  const char* nombre;
  OpcionesInstalacion opciones;
  std::vector<std::string> etiquetas;  // database labels expected, in order
  bool servidor;
};

void PrintTo(const CasoExito& c, std::ostream* os) { *os << c.nombre; }

class Exito : public ::testing::TestWithParam<CasoExito> {};

TEST_P(Exito, TerminaConLaVersionNuevaYLaPantallaFinal) {
  const CasoExito& caso = GetParam();
  CarpetaTemporal carpeta;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), caso.opciones);
  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;

  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 5u) << r.salida;
  EXPECT_EQ(lineas.front(), kPrimeraLinea);
  const size_t n = lineas.size();
  EXPECT_EQ(lineas[n - 3], kFinal) << Une(lineas);
  CompruebaResumen(lineas, n - 2, kTiempoReloj);

  // Every database step of this version, and none of the others, in order
  // and before the clean-up.
  const std::vector<std::string> todas = {kEtiquetasLote3[0], kEtiquetasLote3[1], kEtiquetasLote4[0],
                                          kEtiquetasLote4[1], kEtiquetasLote5[0], kEtiquetasLote5[1],
                                          kSello};
  long anterior = -1;
  for (const auto& e : caso.etiquetas) {
    const long p = Posicion(lineas, e);
    EXPECT_GT(p, anterior) << e << "\n" << Une(lineas);
    anterior = p;
  }
  for (const auto& e : todas) {
    if (std::find(caso.etiquetas.begin(), caso.etiquetas.end(), e) == caso.etiquetas.end()) {
      EXPECT_EQ(Posicion(lineas, e), -1) << e;
    }
  }
  const long pindal = Posicion(lineas, "Eliminado Pindal.dat");
  EXPECT_GT(pindal, anterior);
  const long tempAnt = static_cast<long>(
      std::find_if(lineas.begin(), lineas.end(),
                   [](const std::string& l) {
                     return l.rfind("Eliminado ", 0) == 0 && l.size() > 10 &&
                            l.compare(l.size() - 10, 10, "Temp_V_Ant") == 0;
                   }) -
      lineas.begin());
  EXPECT_EQ(tempAnt, pindal + 1);

  // Files left behind.
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Pindal.dat"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
  EXPECT_TRUE(fs::is_directory(inst.aplicacion / "Temp" / "202103_202128"));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Temp" / "202103_202128" / "Datos"));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano_Start.exe"));
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Temp" / "202103_202128" / "Zelvano.exe"));
  EXPECT_EQ(fs::exists(inst.FicheroBaseDatos()), caso.servidor);
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Temp" / "202103_202128" / "Datos" / "QVD.FB"));

  // The product's registry values.
  const std::string clave = "SOFTWARE\\Pelmora Soft\\Zelvano Nova";
  EXPECT_EQ(Registro(inst, clave, "Application Version File"), "20.21.2.8");
  EXPECT_EQ(Registro(inst, clave, "TeleComandas Application Name"), "Corvisto.exe");

  // The final screen, shown with the bar at its end.
  const std::vector<Json> eventos = LeeTranscripcion(inst.transcripcion);
  const auto finales = Eventos(eventos, "formulario", "frm_Final");
  ASSERT_EQ(finales.size(), 1u);
  EXPECT_TRUE(finales[0]["modal"].booleano);
  const auto progreso = Eventos(eventos, "progreso");
  ASSERT_EQ(progreso.size(), 1u);
  EXPECT_EQ(progreso[0].Texto("posicion"), "20000");
  EXPECT_EQ(progreso[0].Texto("maximo"), "20000");
  // Nothing went wrong on the way: no message before the final screen (the
  // screen itself may invite to the maker's channel).
  for (const Json& e : eventos) {
    if (e.Texto("evento") == "formulario" && e.Texto("formulario") == "frm_Final") break;
    if (e.Texto("evento") == "dialogo") ADD_FAILURE() << "diálogo inesperado: " << e.Texto("texto");
  }

  if (caso.servidor) {
    EXPECT_EQ(Version(inst), "20.21.2.8");
    EXPECT_EQ(Valor(inst, "NOMBRE", "FORMAS_PAGO WHERE CODIGO = 'W'"), "A Cliente, Vales/Tarjetas Empresa");
  }
}

std::vector<std::string> Con(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

OpcionesInstalacion Opciones(const char* version, const char* pc, const char* servidor,
                             std::vector<std::string> extra = {}) {
  OpcionesInstalacion o;
  o.extra = std::move(extra);
  o.version = version;
  o.nombrePC = pc;
  o.servidor = servidor;
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Extremo, Exito,
    ::testing::Values(
        CasoExito{"Servidor_20_21_1_0", Opciones("20.21.1.0", "localhost", "localhost"),
                  Con(Con(Con(kEtiquetasLote3, kEtiquetasLote4), kEtiquetasLote5), {kSello}), true},
        // Copies of an earlier update and the old configuration file are
        // there too: both are gone at the end.
        CasoExito{"Servidor_20_21_1_8",
                  Opciones("20.21.1.8", "localhost", "localhost", {"--temp-anterior", "--pindal-dat"}),
                  Con(kEtiquetasLote5, {kSello}), true},
        // A true client: its local copy of the database goes.
        CasoExito{"Cliente", Opciones("20.21.1.0", "CAJA1", "localhost"), {}, false},
        // Windows takes names that differ only in case for one machine: the
        // server is the server, and its database is migrated.
        CasoExito{"ServidorConMayusculasDistintas", Opciones("20.21.1.0", "LOCALHOST", "localhost"),
                  Con(Con(Con(kEtiquetasLote3, kEtiquetasLote4), kEtiquetasLote5), {kSello}), true}),
    [](const ::testing::TestParamInfo<CasoExito>& i) { return std::string(i.param.nombre); });

// ---- Failed runs: everything put back ---------------------------------------------

struct CasoFallo {
  const char* nombre;
  OpcionesInstalacion opciones;
  const char* ultimaEtiqueta;  // the step that failed, or "" when it failed before any step
  std::vector<std::string> antes;  // labels of steps that ran before it, in order
};

void PrintTo(const CasoFallo& c, std::ostream* os) { *os << c.nombre; }

class Fallo : public ::testing::TestWithParam<CasoFallo> {};

TEST_P(Fallo, RestauraLaInstalacionYTermina) {
  const CasoFallo& caso = GetParam();
  CarpetaTemporal carpeta;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), caso.opciones);
  const std::string versionAntes = Version(inst);
  const std::string kColumnaPropinas =
      "RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'PROPINAS' AND RDB$FIELD_NAME = 'NUM_TICKET'";
  const std::string columnaAntes = Valor(inst, "CAST(COUNT(*) AS VARCHAR(10))", kColumnaPropinas);
  const std::string pindalAntes = LeeFichero(inst.aplicacion / "Pindal.dll");
  const bool habiaZelvano = fs::exists(inst.aplicacion / "Zelvano.exe");
  const std::string registroAntes = LeeFichero(inst.registro);

  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;

  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u) << r.salida;
  const size_t n = lineas.size();
  if (*caso.ultimaEtiqueta) {
    EXPECT_EQ(lineas[n - 3], caso.ultimaEtiqueta) << Une(lineas);
  }
  long anterior = -1;
  for (const auto& e : caso.antes) {
    const long p = Posicion(lineas, e);
    EXPECT_GT(p, anterior) << e;
    anterior = p;
  }
  EXPECT_LT(anterior, static_cast<long>(n) - 3);
  CompruebaResumen(lineas, n - 2, kTiempoSegundos);
  EXPECT_EQ(Posicion(lineas, kSello), -1);
  EXPECT_EQ(Posicion(lineas, kFinal), -1);

  // The user was told, then the saved files came back.
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 2u);
  EXPECT_EQ(Tipo(dialogos[0]), "33");
  EXPECT_EQ(dialogos[0].Texto("texto"),
            "Ha sucedido un Error en el proceso de Actualización.\nSe procederá a deshacer todos los Procesos realizados.");
  EXPECT_EQ(Tipo(dialogos[1]), "73");
  EXPECT_EQ(dialogos[1].Texto("texto"),
            "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización");
  EXPECT_TRUE(Eventos(LeeTranscripcion(inst.transcripcion), "formulario", "frm_Final").empty());

  // The database file came back with the data folder: neither the stamp nor
  // the first batch's new column are in it.
  EXPECT_EQ(Version(inst), versionAntes);
  EXPECT_EQ(Valor(inst, "CAST(COUNT(*) AS VARCHAR(10))", kColumnaPropinas), columnaAntes);
  EXPECT_TRUE(LeeFichero(inst.aplicacion / "Pindal.dll") == pindalAntes);
  EXPECT_EQ(fs::exists(inst.aplicacion / "Zelvano.exe"), habiaZelvano);
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
  // The run never reached the registry.
  EXPECT_EQ(LeeFichero(inst.registro), registroAntes);
}

INSTANTIATE_TEST_SUITE_P(
    Extremo, Fallo,
    ::testing::Values(
        // Firebird 3 refuses writes to its system tables: the batch below
        // 20.21.1.0 stops at its second step, after the 20.21.0.3 batch ran.
        CasoFallo{"Servidor_20_21_0_3", Opciones("20.21.0.3", "localhost", "localhost"),
                  "(RDB$FIELD_NAME = 'UNIDAD_MINIMA')",
                  {"ALTER TABLE PROPINAS DROP CONSTRAINT PK_PROPINAS;", "CREATE PROCEDURE PROC_ASIGN_PROPINAS"}},
        // No server listens there: the first attach fails.
        CasoFallo{"ServidorInalcanzable", Opciones("20.21.1.0", "localhost/3059", "localhost/3059"), "",
                  {"Ejecutando función Guarda_Datos()"}}),
    [](const ::testing::TestParamInfo<CasoFallo>& i) { return std::string(i.param.nombre); });

// ---- Exceptions outside the run ------------------------------------------------------

struct CasoExcepcion {
  const char* nombre;
  const char* peticion;           // ZELVANO_PRUEBA_EXCEPCION
  bool firebird;
  const char* dialogo;            // "" when no dialog is shown
  bool termina;                   // the program ends from the handler
};

void PrintTo(const CasoExcepcion& c, std::ostream* os) { *os << c.nombre; }

class FueraDeEjecucion : public ::testing::TestWithParam<CasoExcepcion> {};

TEST_P(FueraDeEjecucion, RegistraLaExcepcionYAvisa) {
  const CasoExcepcion& caso = GetParam();
  CarpetaTemporal carpeta;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), OpcionesInstalacion{});
  // The main window waits; the hook raises once it is idle. Without the
  // network failure the wizard carries on until the wait runs out.
  const Resultado r = EjecutaAsistente(inst, "fV espera\n",
                                       {{"ZELVANO_PRUEBA_EXCEPCION", caso.peticion},
                                        {"ZELVANO_ESPERA_MAXIMA", "2"}});
  ASSERT_EQ(r.estado, 0) << r.salida;

  const std::vector<std::string> lineas = LeeLog(inst.Log());
  const long resumen = static_cast<long>(
      std::find_if(lineas.begin(), lineas.end(),
                   [](const std::string& l) { return l.rfind("Procesos Realizados: ", 0) == 0; }) -
      lineas.begin());
  ASSERT_LT(resumen + 3, static_cast<long>(lineas.size())) << Une(lineas);
  CompruebaResumen(lineas, static_cast<size_t>(resumen), kTiempoSegundos);
  // No run had started: no elapsed time.
  EXPECT_EQ(lineas[resumen + 1], "Tiempo de procesos: 0.000000 seg.");
  EXPECT_EQ(lineas[resumen + 2], "");
  const std::string cabecera = lineas[resumen + 3];
  ASSERT_GE(cabecera.size(), 2u);
  ASSERT_EQ(cabecera.front(), '[');
  ASSERT_EQ(cabecera.back(), ']');
  const texto::Texto seccion = texto::DeUtf8(cabecera.substr(1, cabecera.size() - 2));
  EXPECT_NE(seccion.find(u' '), texto::Texto::npos);

  std::vector<std::string> claves;
  for (size_t i = static_cast<size_t>(resumen) + 4; i < lineas.size(); ++i)
    claves.push_back(lineas[i].substr(0, lineas[i].find('=')));
  const std::vector<std::string> esperadas =
      caso.firebird
          ? std::vector<std::string>{"Excepcion producida", "N. Error SQLCode", "N. Error FireBird",
                                     "Mensaje Mostrado", "Formulario Activo", "Boton Pulsado",
                                     "Error E->UnitName() en", "Error Sender->UnitName() en",
                                     "Error E->ClassName()", "Error Sender->ClassName()"}
          : std::vector<std::string>{"Excepcion producida", "Mensaje Mostrado", "Formulario Activo",
                                     "Boton Pulsado", "Error E->UnitName() en",
                                     "Error Sender->UnitName() en", "Error E->ClassName()",
                                     "Error Sender->ClassName()"};
  EXPECT_EQ(claves, esperadas) << Une(lineas);

  const texto::Texto log = texto::DeUtf8(inst.Log().string());
  auto valor = [&](const char* clave) {
    return texto::AUtf8(plataforma::LeePerfil(log, seccion, texto::DeUtf8(clave), u"<falta>"));
  };
  EXPECT_EQ(valor("Excepcion producida"), caso.firebird ? "Excepcion de FireBird" : "Excepcion del Programa");
  EXPECT_EQ(valor("Formulario Activo"), "0");
  EXPECT_EQ(valor("Boton Pulsado"), "0");
  EXPECT_EQ(valor("Error Sender->ClassName()"), "TTimer");
  EXPECT_EQ(valor("Error Sender->UnitName() en"), "ExtCtrls");
  EXPECT_EQ(valor("Error E->ClassName()"), caso.firebird ? "EIBInterBaseError" : "Exception");
  EXPECT_EQ(valor("Error E->UnitName() en"), caso.firebird ? "IBErrors" : "SysUtils");
  if (caso.firebird) {
    const std::string peticion = caso.peticion;
    EXPECT_EQ(valor("N. Error SQLCode"), peticion.substr(0, peticion.find(',')));
    EXPECT_EQ(valor("N. Error FireBird"), peticion.substr(peticion.find(',') + 1));
  }

  const std::vector<Json> dialogos = Dialogos(inst);
  if (*caso.dialogo) {
    ASSERT_EQ(dialogos.size(), 1u);
    EXPECT_EQ(Tipo(dialogos[0]), "69");
    EXPECT_EQ(dialogos[0].Texto("texto"), caso.dialogo);
  } else {
    EXPECT_TRUE(dialogos.empty());
  }
  // Unless the network failed, the wizard carried on after the exception:
  // its main window went on to its default (leaving) or kept waiting.
  const std::vector<Json> eventos = LeeTranscripcion(inst.transcripcion);
  bool siguio = false;
  for (const Json& e : eventos)
    siguio = siguio || e.Texto("evento") == "abandono" ||
             (e.Texto("evento") == "accion" && e.Texto("formulario") == "fV" && e.Texto("control") == "BtnSalir");
  EXPECT_EQ(siguio, !caso.termina);
  // Nothing of the installation was touched.
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
}

INSTANTIATE_TEST_SUITE_P(
    Extremo, FueraDeEjecucion,
    ::testing::Values(
        CasoExcepcion{"Programa", "programa", false, "Excepción interna controlada por Zelvano.", false},
        CasoExcepcion{"Firebird", "-204,335544580", true, "Excepción FireBird controlada por Zelvano.", false},
        CasoExcepcion{"ClaveDuplicada", "-803,335544665", true, "", false},
        CasoExcepcion{"OtroFallo902", "-902,335544721", true, "", false},
        CasoExcepcion{"CorteDeRed", "-902,335544722", true,
                      "Su RED ha sufrido un Corte de Luz, o su conexión de RED no es consistente a Fallos.\n\n\n"
                      "Zelvano, tiene que desconectarse del Servidor.\nSaldrá del Programa, para evitar un mal mayor.\n",
                      true}),
    [](const ::testing::TestParamInfo<CasoExcepcion>& i) { return std::string(i.param.nombre); });

// A log file that cannot be written (a folder stands in its place): the
// handler writes nothing, tells the user once and the wizard carries on.
TEST(FueraDeEjecucionSinLog, AvisaUnaVezSinEscribir) {
  CarpetaTemporal carpeta;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), OpcionesInstalacion{});
  fs::create_directories(inst.Log());
  const Resultado r = EjecutaAsistente(inst, "fV espera\n",
                                       {{"ZELVANO_PRUEBA_EXCEPCION", "programa"}, {"ZELVANO_ESPERA_MAXIMA", "2"}});
  ASSERT_EQ(r.estado, 0) << r.salida;
  EXPECT_TRUE(fs::is_directory(inst.Log()));
  EXPECT_TRUE(fs::is_empty(inst.Log()));
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 1u);
  EXPECT_EQ(dialogos[0].Texto("texto"), "Excepción interna controlada por Zelvano.");
  const auto eventos = LeeTranscripcion(inst.transcripcion);
  EXPECT_EQ(Eventos(eventos, "excepcion").size(), 0u);
}

// A technician without a mouse: the window opens on "Iniciar Actualización",
// Enter starts the run, and the keys pressed while it runs (Enter and Space
// on the same button, Tab then Enter towards "Salir") do nothing: one run,
// ended well.
TEST(TecladoDuranteLaEjecucion, NiIntroNiEspacioNiTabHacenNada) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "TERMINAL1";
  opciones.baseDatos = false;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const Resultado r = EjecutaAsistente(inst,
                                       "frmAviso marca LCBLeido\n"
                                       "frmAviso pulsa BtnLeido\n"
                                       "fV pulsa-tecla Intro\n"
                                       "fV pulsa-tecla-bloqueada Intro\n"
                                       "fV pulsa-tecla-bloqueada Espacio\n"
                                       "fV pulsa-tecla-bloqueada Tab\n"
                                       "fV pulsa-tecla-bloqueada Intro\n"
                                       "frm_Final marca LCBLeido\n"
                                       "frm_Final pulsa BtnSalir\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  EXPECT_EQ(std::count(lineas.begin(), lineas.end(), kPrimeraLinea), 1) << Une(lineas);
  EXPECT_EQ(Posicion(lineas, kFinal), static_cast<long>(lineas.size()) - 3) << Une(lineas);
  const auto eventos = LeeTranscripcion(inst.transcripcion);
  std::vector<std::string> bloqueadas;
  for (const Json& a : Eventos(eventos, "accion", "fV"))
    if (a.Texto("accion") == "pulsa-tecla-bloqueada") bloqueadas.push_back(a.Texto("resultado"));
  EXPECT_EQ(bloqueadas, std::vector<std::string>(4, "sin efecto"));
  EXPECT_EQ(Eventos(eventos, "cierre", "frm_Final").size(), 1u) << "la pantalla final, una vez";
  EXPECT_TRUE(Eventos(eventos, "abandono").empty());
}

}  // namespace

namespace {

// A run that fails gives the window back while the saved files go back: a
// click on "Salir" then must neither end the rollback's messages nor the
// rollback.
TEST(TecladoDuranteLaEjecucion, SalirDuranteLaReposicionNoCallaSusMensajes) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "TERMINAL1";
  opciones.baseDatos = false;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const std::string pindalAntes = LeeFichero(inst.aplicacion / "Pindal.dll");
  // The extraction tool fails: the run takes its failure path.
  EscribeFichero(inst.aplicacion / "rar.exe", "#!/bin/sh\nexit 3\n");
  const Resultado r = EjecutaAsistente(inst,
                                       "frmAviso marca LCBLeido\n"
                                       "frmAviso pulsa BtnLeido\n"
                                       "fV pulsa BtnAceptar\n"
                                       "frmDialogo pulsa BtnOK\n"
                                       "fV pulsa-durante BtnSalir\n"
                                       "frmDialogo pulsa BtnOK\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const auto eventos = LeeTranscripcion(inst.transcripcion);
  bool pulsado = false;
  for (const Json& a : Eventos(eventos, "accion", "fV"))
    pulsado = pulsado || (a.Texto("control") == "BtnSalir" && a.Texto("resultado") == "hecha");
  ASSERT_TRUE(pulsado) << "el clic en Salir no llegó durante la reposición";
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 2u) << Textos(dialogos);
  EXPECT_EQ(dialogos[1].Texto("texto"),
            "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización");
  // Both messages stayed up until the technician answered them.
  int respondidos = 0;
  for (const Json& a : Eventos(eventos, "accion", "frmDialogo"))
    respondidos += a.Texto("control") == "BtnOK" && a.Texto("resultado") == "hecha";
  EXPECT_EQ(respondidos, 2);
  EXPECT_TRUE(Eventos(eventos, "abandono").empty());
  EXPECT_TRUE(LeeFichero(inst.aplicacion / "Pindal.dll") == pindalAntes);
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
}

}  // namespace
