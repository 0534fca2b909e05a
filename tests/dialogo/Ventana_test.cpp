// The main window in-process: its initial state, the progress bar and the
// change counter, the clock, the size panel, the log file and the machine
// role.
#include <gtest/gtest.h>

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "system/Constantes.h"
#include "tests/dialogo/ConVentana.h"
#include "tools/generador/Generador.h"

namespace prueba_dialogo {
namespace {

using Ventana = ConVentana;

TEST_F(Ventana, EstadoInicial) {
  const TfV::TEstr_Valores& v = *V().Valores;
  EXPECT_EQ(v.BotonPulsado, u"0");
  EXPECT_EQ(v.FormularioActivo, u"0");
  EXPECT_EQ(v.UsuarioBaseDatos, u"SYSDBA");
  EXPECT_EQ(v.ClaveBaseDatos, u"Zv2128");  // the password the test server is set to
  EXPECT_EQ(v.SeccionInstalacion, constantes::SeccionInstalacion);
  EXPECT_EQ(v.IdentNombrePC, constantes::IdentNombrePC);
  EXPECT_EQ(v.IdentRutaAplicacion, constantes::IdentRutaAplicacion);
  EXPECT_EQ(v.IdentNombreServidor, constantes::IdentNombreServidor);
  EXPECT_EQ(v.IdentRutaDatos, constantes::IdentRutaDatos);
  EXPECT_EQ(v.NombreServidor, u"PC1");
  EXPECT_TRUE(v.ClaveRegistro.empty());
  EXPECT_TRUE(v.RutaIni.empty());
  EXPECT_TRUE(v.RutaLog.empty());
  EXPECT_TRUE(v.ValorVacio.empty());
  EXPECT_EQ(V().ContadorInicio, 0);
  EXPECT_EQ(V().ContadorFin, 0);
  EXPECT_EQ(V().FrecuenciaContador, 0);
  EXPECT_FALSE(V().Timer1->Enabled());
  EXPECT_EQ(V().Timer1->Interval(), 1000u);
  EXPECT_EQ(V().PB7->Min(), 0);
  EXPECT_EQ(V().PB7->Max(), 20000);
  EXPECT_EQ(V().PB7->Position(), 0);
  EXPECT_EQ(V().ST_R->Caption(), u"0");
  EXPECT_EQ(V().ST_Tiempo->Caption(), u"0");
  EXPECT_EQ(V().Width(), 794);
  EXPECT_EQ(V().Height(), 552);
  EXPECT_EQ(texto::AUtf8(V().Caption()),
            "Asistente de actualizaci\xC3\xB3n. \xC2\xAEZelvano & Corvisto desde 2021.03 a 2021.28");
  EXPECT_TRUE(V().SinBotonesSistema());
  EXPECT_EQ(ui::aplicacion::FormularioPrincipal(), &V());
}

TEST_F(Ventana, ComponentesEnSuSitio) {
  struct Sitio {
    const char* nombre;
    int l, t, w, h;
    const char* padre;
  };
  for (const Sitio& s : {Sitio{"Panel_Mens", 0, 0, 794, 90, "fV"}, Sitio{"LProcesando", 1, 1, 792, 90, "Panel_Mens"},
                         Sitio{"PB7", 10, 200, 773, 25, "fV"}, Sitio{"MemoBackup", 10, 255, 775, 235, "fV"},
                         Sitio{"RutaTPV", 5, 110, 390, 26, "fV"}, Sitio{"RutaDatos", 400, 110, 390, 26, "fV"},
                         Sitio{"NombrePC", 5, 155, 250, 26, "fV"}, Sitio{"NombreServidor", 270, 155, 250, 26, "fV"},
                         Sitio{"Version", 535, 155, 255, 26, "fV"}, Sitio{"P_Copia", 10, 496, 260, 50, "fV"},
                         Sitio{"ST_F", 140, 5, 110, 20, "P_Copia"}, Sitio{"ST_T", 140, 30, 110, 20, "P_Copia"},
                         Sitio{"ST_R", 370, 233, 110, 22, "fV"}, Sitio{"ST_Tiempo", 530, 231, 235, 22, "fV"},
                         Sitio{"BtnAceptar", 575, 496, 210, 50, "fV"}, Sitio{"BtnSalir", 450, 496, 100, 50, "fV"}}) {
    SCOPED_TRACE(s.nombre);
    ui::Control* c = V().BuscaControl(s.nombre);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Left(), s.l);
    EXPECT_EQ(c->Top(), s.t);
    EXPECT_EQ(c->Width(), s.w);
    EXPECT_EQ(c->Height(), s.h);
    EXPECT_EQ(c->Padre()->Nombre(), s.padre);
  }
  for (ui::Edicion* e : {V().RutaTPV, V().RutaDatos, V().NombrePC, V().NombreServidor, V().Version})
    EXPECT_TRUE(e->SoloLectura()) << e->Nombre();
  EXPECT_TRUE(V().MemoBackup->SoloLectura());
  EXPECT_FALSE(V().MemoBackup->TabStop());
}

TEST_F(Ventana, CadaCambioDelRegistroAvanzaLaBarraYElContador) {
  struct Caso {
    int cambios;
    int posicion;
    const char* contador;
  };
  for (const Caso& c : {Caso{3, 3, "3"}, Caso{1234, 1234, "1.234"}, Caso{20000, 20000, "20.000"},
                        Caso{20001, 20000, "20.000"}}) {
    SCOPED_TRACE(c.cambios);
    TearDown();
    SetUp();
    for (int i = 0; i < c.cambios; ++i) V().AnadeLinea(u"l\u00EDnea");
    EXPECT_EQ(V().PB7->Position(), c.posicion);
    EXPECT_EQ(texto::AUtf8(V().ST_R->Caption()), c.contador);
    EXPECT_EQ(V().MemoBackup->Lines().size(), static_cast<size_t>(c.cambios));
  }
}

TEST_F(Ventana, RegistraBombeaMensajesYAnadeLineaNo) {
  // A timer that is due fires only from a pump.
  int disparos = 0;
  ui::Temporizador t(&V(), "Prueba");
  t.SetInterval(1);
  t.OnTimer = [&] { ++disparos; };
  t.SetEnabled(true);
  ::setenv("ZELVANO_FACTOR_PAUSAS", "1", 1);
  plataforma::Duerme(5);
  V().AnadeLinea(u"sin bombear");
  EXPECT_EQ(disparos, 0);
  V().Registra(u"bombeando");
  EXPECT_EQ(disparos, 1);
  EXPECT_EQ(V().MemoBackup->Lines(), (std::vector<Texto>{u"sin bombear", u"bombeando"}));
}

TEST_F(Ventana, RelojDelProceso) {
  struct Caso {
    double segundos;
    const char* texto;
  };
  for (const Caso& c : {Caso{3725.9, "Tiempo: 01:02:05"}, Caso{59.99, "Tiempo: 00:00:59"},
                        Caso{0.5, "Tiempo: 00:00:00"}, Caso{86400.0, "Tiempo: 24:00:00"},
                        Caso{360000.0, "Tiempo: 100:00:00"}}) {
    SCOPED_TRACE(c.texto);
    // A counter that runs a thousand times slower than the real one, started
    // `segundos` ago: the tick's own delay cannot change the second shown.
    V().FrecuenciaContador = plataforma::FrecuenciaRendimiento() * 1000;
    V().ContadorInicio = plataforma::ContadorRendimiento() -
                         static_cast<int64_t>(c.segundos * static_cast<double>(V().FrecuenciaContador));
    V().Timer1Timer();
    EXPECT_EQ(texto::AUtf8(V().ST_Tiempo->Caption()), c.texto);
    EXPECT_NEAR(V().SegundosTranscurridos, c.segundos, 0.05);
    EXPECT_GE(V().ContadorFin, V().ContadorInicio);
  }
}

TEST_F(Ventana, TamanoDeFichero) {
  struct Caso {
    uintmax_t bytes;
    const char* actual;
    const char* total;
  };
  for (const Caso& c : {Caso{0, "0,00 KB", "0,00 KB"}, Caso{500, "0,49 KB", "0,49 KB"},
                        Caso{1023, "1,00 KB", "1,00 KB"}, Caso{1024, "1,00 KB", "0,00 MB"},
                        Caso{2048, "2,00 KB", "0,00 MB"}, Caso{3u << 20, "3.072,00 KB", "3,00 MB"},
                        Caso{5ull << 30, "5.242.880,00 KB", "5.120,00 MB"}}) {
    SCOPED_TRACE(c.bytes);
    const fs::path f = Carpeta() / "fichero.bin";
    prueba::EscribeFichero(f, "");
    fs::resize_file(f, c.bytes);  // sparse: no disk is used
    V().MuestraTamanoFichero(texto::DeUtf8(f.string()));
    EXPECT_EQ(texto::AUtf8(V().ST_F->Caption()), c.actual);
    EXPECT_EQ(texto::AUtf8(V().ST_T->Caption()), c.total);
  }
}

TEST_F(Ventana, TamanoDeUnFicheroQueNoEstaNoCambiaNada) {
  V().ST_F->SetCaption(u"antes");
  V().MuestraTamanoFichero(texto::DeUtf8((Carpeta() / "no_existe").string()));
  EXPECT_EQ(V().ST_F->Caption(), u"antes");
}

TEST_F(Ventana, FicheroDeRegistroEnAnsiConCrLf) {
  const fs::path log = Carpeta() / "Excepciones_Act_202128.log";
  prueba::EscribeFichero(log, std::string(4096, 'x'));  // the old content goes
  V().Valores->RutaLog = texto::DeUtf8(log.string());
  for (const Texto& l : {Texto(u"ACTUALIZACI\u00D3N FINALIZADA CORRECTAMENTE."), Texto(u""),
                         Texto(u"dos\nl\u00EDneas"), Texto(u"Tama\u00F1o \u20AC")})
    V().AnadeLinea(l);
  ASSERT_TRUE(V().GuardaLog());
  EXPECT_EQ(prueba::LeeFichero(log),
            "ACTUALIZACI\xD3N FINALIZADA CORRECTAMENTE.\r\n\r\ndos\r\nl\xEDneas\r\nTama\xF1o \x80\r\n");
}

TEST_F(Ventana, FicheroDeRegistroImposibleDeEscribir) {
  V().Valores->RutaLog = texto::DeUtf8((Carpeta() / "no_existe" / "x.log").string());
  V().AnadeLinea(u"l\u00EDnea");
  EXPECT_FALSE(V().GuardaLog());
}

// Machine names match as Windows matches them: without regard to case, in
// every script a computer may be named in, and nothing else is forgiven.
// The computer itself is PC1 (ConVentana).
TEST_F(Ventana, EsServidorConNombresQueWindowsTomaPorIguales) {
  struct Caso {
    const char16_t* pc;
    const char16_t* servidor;
    bool esServidor;
    bool servidorEsEste;
  };
  for (const Caso& c : {Caso{u"SRV", u"SRV", true, false}, Caso{u"servidor", u"SERVIDOR", true, false},
                        Caso{u"Caja-ñá", u"CAJA-ÑÁ", true, false},
                        Caso{u"κασα", u"ΚΑΣΑ", true, false},
                        Caso{u"касса", u"КАССА", true, false},
                        Caso{u"PC1", u"SRV", false, false}, Caso{u"SRV ", u"SRV", false, false},
                        Caso{u"SRV", u"SRV.local", false, false}, Caso{u"", u"", true, false},
                        Caso{u"CAJA1", u"pc1", false, true}, Caso{u"pc1", u"PC1", true, true},
                        Caso{u"", u"Pc1", false, true}}) {
    V().NombrePC->SetText(c.pc);
    V().NombreServidor->SetText(c.servidor);
    EXPECT_EQ(V().EsServidor(), c.esServidor) << texto::AUtf8(c.pc) << " / " << texto::AUtf8(c.servidor);
    EXPECT_EQ(V().ServidorEsEsteEquipo(), c.servidorEsEste) << texto::AUtf8(c.servidor);
  }
}


// FormShow reads the configuration file named by RutaIni and points the
// database connection at the file on the server.
class Configuracion : public ConVentana {
 protected:
  void SetUp() override {
    ConVentana::SetUp();
    datos_ = std::make_unique<TMDatos>();
    MDatos = datos_.get();
  }
  void TearDown() override {
    MDatos = nullptr;
    datos_.reset();
    ConVentana::TearDown();
  }
  void Muestra(const fs::path& configuracion) {
    V().RutaTPV->SetText(u"C:\\Registro\\");
    V().Valores->RutaIni = texto::DeUtf8(configuracion.string());
    V().FormShow();
  }
  std::unique_ptr<TMDatos> datos_;
};

TEST_F(Configuracion, LosAjustesDelFicheroMandanYApuntanLaBaseDeDatos) {
  generador::Opciones o;
  o.destino = Carpeta() / "Zelvano";
  o.programas = o.start = o.rar = false;
  o.nombreServidor = "SRV";
  o.nombrePC = "CAJA2";
  o.rutaAplicacion = "C:\\Zelvano\\";
  o.rutaDatos = "C:\\Datos\\";
  generador::GeneraInstalacion(o);
  Muestra(o.destino / "Pindal.dll");
  EXPECT_EQ(V().RutaTPV->Text(), u"C:\\Zelvano\\");
  EXPECT_EQ(V().Valores->RutaAplicacion, u"C:\\Zelvano\\");
  EXPECT_EQ(V().RutaDatos->Text(), u"C:\\Datos\\");
  EXPECT_EQ(V().Valores->RutaDatos, u"C:\\Datos\\");
  EXPECT_EQ(V().NombreServidor->Text(), u"SRV");
  EXPECT_EQ(V().Valores->NombreServidor, u"SRV");
  EXPECT_EQ(V().NombrePC->Text(), u"CAJA2");
  EXPECT_EQ(MDatos->NombreBaseDatos(), u"SRV:C:\\Datos\\QVD.FB");
  EXPECT_TRUE(V().BtnAceptar->Enabled());
}

TEST_F(Configuracion, SinFicheroTodoQuedaVacio) {
  Muestra(Carpeta() / "no_existe" / "Pindal.dll");
  for (ui::Edicion* e : {V().RutaTPV, V().RutaDatos, V().NombrePC, V().NombreServidor})
    EXPECT_EQ(e->Text(), u"") << e->Nombre();
  EXPECT_EQ(V().Valores->NombreServidor, u"");
  EXPECT_EQ(MDatos->NombreBaseDatos(), u":QVD.FB");
  EXPECT_FALSE(V().BtnAceptar->Enabled()) << "sin carpeta de aplicación no hay actualización posible";
}

TEST_F(Configuracion, LosValoresSeLeenHasta2047Caracteres) {
  generador::Opciones o;
  o.destino = Carpeta() / "Zelvano";
  o.programas = o.start = o.rar = false;
  o.rutaAplicacion = std::string(3000, 'a') + "\\";
  generador::GeneraInstalacion(o);
  Muestra(o.destino / "Pindal.dll");
  EXPECT_EQ(V().RutaTPV->Text(), Texto(2047, u'a'));
}

}  // namespace
}  // namespace prueba_dialogo
