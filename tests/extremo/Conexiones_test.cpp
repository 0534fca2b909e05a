// A till left connected to the database while the server is updated, on
// whole runs with the real server: the run refuses before it changes
// anything, and a rollback never swaps the database file under a live
// connection. In each case nothing is lost and the user is told the truth.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include "tests/extremo/Arnes.h"

namespace prueba {
namespace {

bool Contiene(const std::string& texto, const std::string& parte) { return texto.find(parte) != std::string::npos; }

// One value of the database, read by a fresh connection.
std::string Valor(const Instalacion& inst, const std::string& expresion, const std::string& resto) {
  const std::string salida = ConsultaSql(inst.baseDatos, "SELECT '#' || " + expresion + " || '#' " + resto + ";");
  const auto a = salida.find('#');
  const auto b = salida.find('#', a + 1);
  return a == std::string::npos || b == std::string::npos ? "<" + salida + ">" : salida.substr(a + 1, b - a - 1);
}
std::string Version(const Instalacion& inst) { return Valor(inst, "VERSION_ZELVANO", "FROM EMPRESA"); }
std::string FormaPago(const Instalacion& inst, const std::string& codigo) {
  return Valor(inst, "NOMBRE", "FROM FORMAS_PAGO WHERE CODIGO = '" + codigo + "'");
}

const std::string kRehusado = "Cierre Zelvano y Corvisto en todos los terminales y vuelva a intentarlo.\n"
                              "No se ha borrado ni cambiado nada de la instalación.";

// Nothing of the installation or the database changed, and a run without
// the till connected then updates it.
void SinCambiosYLuegoActualiza(const Instalacion& inst, const std::string& programaAntes) {
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp"));
  EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
  EXPECT_EQ(LeeFichero(inst.aplicacion / "Zelvano_Start.exe"), programaAntes);
  EXPECT_EQ(Version(inst), "20.21.1.8");
}

void ActualizaSinElTerminal(const Instalacion& inst) {
  fs::remove(inst.transcripcion);
  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u);
  EXPECT_EQ(lineas[lineas.size() - 3], kLineaFinal);
  EXPECT_EQ(Version(inst), "20.21.2.8");
}

Instalacion Genera(const CarpetaTemporal& carpeta) {
  OpcionesInstalacion opciones;
  opciones.version = "20.21.1.8";
  return GeneraInstalacion(carpeta.Ruta(), opciones);
}

// An idle till: the run is refused with the main window left as it was; the
// technician tries again from it, and is refused again while the till stays.
TEST(TerminalConectado, OciosoRehusaAntesDeCambiarNadaYDejaReintentar) {
  CarpetaTemporal carpeta;
  const Instalacion inst = Genera(carpeta);
  const std::string programa = LeeFichero(inst.aplicacion / "Zelvano_Start.exe");
  {
    ConexionAbierta caja(inst.baseDatos, carpeta.Ruta() / "isql.txt");
    ASSERT_TRUE(caja.Conectada()) << LeeFichero(carpeta.Ruta() / "isql.txt");
    const Resultado r = EjecutaAsistente(inst,
                                         "frmAviso marca LCBLeido\nfrmAviso pulsa BtnLeido\n"
                                         "fV pulsa BtnAceptar\nfrmDialogo pulsa BtnOK\n"
                                         "fV pulsa BtnAceptar\nfrmDialogo pulsa BtnOK\nfV pulsa BtnSalir\n");
    ASSERT_EQ(r.estado, 0) << r.salida;
    const std::vector<Json> todos = LeeTranscripcion(inst.transcripcion);
    const std::vector<Json> dialogos = Eventos(todos, "dialogo");
    ASSERT_EQ(dialogos.size(), 2u) << Textos(dialogos);
    for (const Json& d : dialogos) {
      EXPECT_EQ(Tipo(d), "33");
      EXPECT_EQ(d.Texto("texto"),
                "La base de datos está abierta en otros equipos o programas: queda 1 conexión.\n" + kRehusado);
    }
    int pulsados = 0;
    for (const Json& a : Eventos(todos, "accion"))
      if (a.Texto("control") == "BtnAceptar" && a.Texto("resultado") == "hecha") ++pulsados;
    EXPECT_EQ(pulsados, 2);
    SinCambiosYLuegoActualiza(inst, programa);
  }
  ActualizaSinElTerminal(inst);
}

// A till editing a payment method the batch renames: refused before the
// batch can stumble on its lock; the till's edit commits afterwards and is
// there for everyone.
TEST(TerminalConectado, EditandoUnaFormaDePagoNoPierdeSuCambio) {
  CarpetaTemporal carpeta;
  const Instalacion inst = Genera(carpeta);
  const std::string programa = LeeFichero(inst.aplicacion / "Zelvano_Start.exe");
  {
    ConexionAbierta caja(inst.baseDatos, carpeta.Ruta() / "isql.txt");
    ASSERT_TRUE(caja.Ejecuta("UPDATE FORMAS_PAGO SET NOMBRE = 'Vales editado' WHERE CODIGO = 'B';"));
    const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
    ASSERT_EQ(r.estado, 0) << r.salida;
    const std::vector<Json> dialogos = Dialogos(inst);
    ASSERT_EQ(dialogos.size(), 1u) << Textos(dialogos);
    EXPECT_EQ(Tipo(dialogos[0]), "33");
    EXPECT_TRUE(Contiene(dialogos[0].Texto("texto"), "queda 1 conexión.\n" + kRehusado)) << Textos(dialogos);
    SinCambiosYLuegoActualiza(inst, programa);
    ASSERT_TRUE(caja.Ejecuta("COMMIT;"));
    EXPECT_EQ(FormaPago(inst, "B"), "Vales editado");
  }
  ActualizaSinElTerminal(inst);
  EXPECT_EQ(FormaPago(inst, "B"), "Vales/Tarjetas Empresa");
}

// A run killed in its database phase, and a till that connects before the
// next start puts the installation back: the database file stays (the till
// keeps working in the one everybody sees), its saved copy is kept, and the
// message says where it is and what to do.
TEST(TerminalConectado, LaVueltaAtrasNoCambiaLaBaseDatosBajoElTerminal) {
  CarpetaTemporal carpeta;
  const Instalacion inst = Genera(carpeta);
  const fs::path diario = inst.aplicacion / "Temp" / "Diario_202128.ini";
  fs::remove(inst.transcripcion);
  const Proceso proceso = IniciaAsistente(inst, kGuionCompleto, {{"ZELVANO_FACTOR_PAUSAS", "0.5"}});
  bool enFase = false;
  for (int i = 0; i < 60000 && !enFase; ++i) {
    enFase = Contiene(LeeFichero(diario), "Etapa=BaseDatosIniciada");
    if (!enFase) ::usleep(2000);
  }
  ::kill(proceso.pid, SIGKILL);
  const Resultado muerto = Espera(proceso);
  ASSERT_TRUE(enFase) << muerto.salida;

  ConexionAbierta caja(inst.baseDatos, carpeta.Ruta() / "isql.txt");
  ASSERT_TRUE(caja.Ejecuta("UPDATE FORMAS_PAGO SET NOMBRE = 'Venta 1' WHERE CODIGO = 'E'; COMMIT;"));
  fs::remove(inst.transcripcion);
  const Resultado r = EjecutaAsistente(inst, "frmDialogo pulsa BtnOK\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_GE(dialogos.size(), 2u) << Textos(dialogos);
  const Json& final = dialogos.back();
  EXPECT_EQ(Tipo(final), "69") << Textos(dialogos);
  const std::string aviso = final.Texto("texto");
  EXPECT_TRUE(Contiene(aviso, "El servidor seguía usando la base de datos, así que no se ha repuesto")) << aviso;
  EXPECT_TRUE(Contiene(aviso, "202128\\Datos\\QVD.FB\nCierre Zelvano y Corvisto en todos los terminales")) << aviso;
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Temp" / "202103_202128" / "Datos" / "QVD.FB"));
  // The till goes on in the file a fresh connection reads.
  ASSERT_TRUE(caja.Ejecuta("UPDATE FORMAS_PAGO SET NOMBRE = 'Venta 2' WHERE CODIGO = 'E'; COMMIT;"));
  EXPECT_EQ(FormaPago(inst, "E"), "Venta 2");
  // Everything else came back.
  EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano_Start.exe"));
}

}  // namespace
}  // namespace prueba
