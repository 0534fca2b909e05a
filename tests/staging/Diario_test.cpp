// The run's journal on real folders: each boundary rewrites it whole, a
// finished run closes it, and a journal that cannot be written never breaks
// the run nor spoils the earlier one. Also how start-up gives a copy back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/plataforma.h"
#include "staging/Apartado.h"
#include "staging/Diario.h"
#include "tests/staging/Entorno.h"
#include "tests/staging/Instalacion.h"
#include "tests/staging/Ventana.h"

namespace prueba {
namespace {

using staging::diario::Contenido;
using staging::diario::Estado;
using staging::diario::Etapa;

Texto T(const fs::path& p) { return texto::DeUtf8(p.string()); }

Texto Carpeta(const fs::path& p) { return T(p) + u"/"; }

// The window of an installation of version 20.21.1.0 on a server machine.
TfV& VentanaEn(const fs::path& aplicacion) {
  TfV& v = Ventana();
  v.RutaTPV->SetText(Carpeta(aplicacion));
  v.Version->SetText(u"20.21.1.0");
  v.NombrePC->SetText(u"SERVIDOR");
  v.NombreServidor->SetText(u"SERVIDOR");
  return v;
}

TEST(Diario, CadaEtapaLoReescribeYElFinLoCierra) {
  CarpetaTemporal tmp;
  TfV& v = VentanaEn(tmp.Ruta());
  Contenido c;
  EXPECT_EQ(staging::diario::Lee(Carpeta(tmp.Ruta()), c), Estado::Ausente);

  // The Temp folder does not exist yet: the first stage creates it.
  Texto inicio;
  for (Etapa e : {Etapa::Iniciada, Etapa::GuardadoCompleto, Etapa::InstalacionCambiada, Etapa::BaseDatosIniciada,
                  Etapa::BaseDatosTerminada, Etapa::RegistroEscrito}) {
    ASSERT_TRUE(staging::diario::Anota(v, e));
    ASSERT_EQ(staging::diario::Lee(Carpeta(tmp.Ruta()), c), Estado::Abierto);
    EXPECT_EQ(c.etapa, e);
    EXPECT_EQ(c.version, u"20.21.1.0");
    EXPECT_TRUE(c.servidor);
    EXPECT_FALSE(c.hora.empty());
    if (inicio.empty()) inicio = c.inicio;
    EXPECT_EQ(c.inicio, inicio);
  }
  EXPECT_FALSE(inicio.empty());
  // Only the journal is there: no temporary name left behind.
  size_t entradas = 0;
  for (const auto& e : fs::directory_iterator(tmp.Ruta() / "Temp")) {
    EXPECT_EQ(e.path().filename(), "Diario_202128.ini");
    ++entradas;
  }
  EXPECT_EQ(entradas, 1u);

  ASSERT_TRUE(staging::diario::Cierra(v));
  EXPECT_EQ(staging::diario::Lee(Carpeta(tmp.Ruta()), c), Estado::Cerrado);
  EXPECT_EQ(c.etapa, Etapa::RegistroEscrito);

  // A new run starts a new journal.
  ASSERT_TRUE(staging::diario::Anota(v, Etapa::Iniciada));
  EXPECT_EQ(staging::diario::Lee(Carpeta(tmp.Ruta()), c), Estado::Abierto);
  EXPECT_EQ(c.etapa, Etapa::Iniciada);
}

TEST(Diario, UnDiarioQueNoSePuedeEscribirNoRompeNadaYDejaElAnterior) {
  CarpetaTemporal tmp;
  TfV& v = VentanaEn(tmp.Ruta());
  ASSERT_TRUE(staging::diario::Anota(v, Etapa::Iniciada));
  // The temporary name is taken by a folder that holds something.
  Escribe(tmp.Ruta() / "Temp" / "Diario_202128.ini.nuevo" / "algo", "x");
  EXPECT_FALSE(staging::diario::Anota(v, Etapa::GuardadoCompleto));
  Contenido c;
  ASSERT_EQ(staging::diario::Lee(Carpeta(tmp.Ruta()), c), Estado::Abierto);
  EXPECT_EQ(c.etapa, Etapa::Iniciada);

  // No folder to put it in at all: a file stands where Temp should be.
  CarpetaTemporal otra;
  Escribe(otra.Ruta() / "Temp", "no es una carpeta");
  TfV& w = VentanaEn(otra.Ruta());
  EXPECT_FALSE(staging::diario::Anota(w, Etapa::Iniciada));
  EXPECT_FALSE(staging::diario::Cierra(w));
  EXPECT_EQ(Lee(otra.Ruta() / "Temp"), "no es una carpeta");
}

TEST(Diario, UnDiarioIlegibleNoSeTomaPorUnaEjecucionInacabada) {
  const struct {
    const char* contenido;
    Estado estado;
  } casos[] = {
      {"", Estado::Ilegible},
      {"basura\r\n", Estado::Ilegible},
      {"[Diario]\r\nEtapa=Desconocida\r\nVersionAnterior=20.21.1.0\r\n", Estado::Ilegible},
      {"[Diario]\r\nEtapa=GuardadoCompleto\r\n", Estado::Ilegible},
      {"[Diario]\r\nEtapa=GuardadoCompleto\r\nVersionAnterior=20.21.1.0\r\n", Estado::Abierto},
      {"[Diario]\r\nCerrado=1\r\n", Estado::Cerrado},
  };
  for (const auto& caso : casos) {
    CarpetaTemporal tmp;
    Escribe(tmp.Ruta() / "Temp" / "Diario_202128.ini", caso.contenido);
    Contenido c;
    EXPECT_EQ(staging::diario::Lee(Carpeta(tmp.Ruta()), c), caso.estado) << caso.contenido;
  }
}

// ---- Each boundary written only once it is true --------------------------

// The stage the journal of the installation names, "" when there is none.
std::string EtapaEnDisco(const Instalacion& inst) {
  const std::string s = Lee(inst.App() / "Temp" / "Diario_202128.ini");
  const auto e = s.find("Etapa=");
  return e == std::string::npos ? "" : s.substr(e + 6, s.find('\r', e) - e - 6);
}

// The number of the `k`-th operation of kind `tipo` on a path ending with
// `final` that a save of a fresh installation makes (the installations are
// all alike, so the count holds for the next one).
unsigned long Operacion(const std::string& tipo, const std::string& final, int k) {
  static const std::string kTraza = [] {
    Instalacion inst;
    inst.PonHerramienta();
    const fs::path traza = inst.Raiz() / "traza.txt";
    setenv("ZELVANO_TRAZA_OPERACIONES", traza.c_str(), 1);
    Ejecuta(inst.Prepara("guarda"));
    unsetenv("ZELVANO_TRAZA_OPERACIONES");
    return Lee(traza);
  }();
  std::istringstream lineas(kTraza);
  for (std::string l; std::getline(lineas, l);) {
    std::istringstream campos(l);
    unsigned long n = 0;
    std::string t, ruta;
    campos >> n >> t;
    std::getline(campos, ruta);
    if (t == tipo && ruta.size() >= final.size() && ruta.compare(ruta.size() - final.size(), final.size(), final) == 0 &&
        --k == 0)
      return n;
  }
  ADD_FAILURE() << "ninguna operación " << tipo << " en " << final;
  return 0;
}

// A save that stops leaves the journal at the last boundary that was true:
// never "saved" over a copy with a hole in it. A journal that cannot be
// written stops the save where it is and is named for what it is.
TEST(Diario, CadaEtapaSeAnotaSoloCuandoEsCierta) {
  const std::string kDiarioWin = std::string(kApp) + "Temp\\Diario_202128.ini";
  const std::string kSinDiario =
      "EGuardadoIncompleto: No se ha podido escribir el diario de la actualización, el fichero en el que el "
      "asistente anota por dónde va para poder deshacerla si se interrumpe: " +
      kDiarioWin + "\nNo se ha borrado ni cambiado nada de la instalación.\n";
  const struct {
    const char* nombre;
    const char* tipo;
    const char* ruta;
    int cual;
    std::string excepcion;  // how it starts
    const char* etapa;      // left on the disk
  } casos[] = {
      {"un fichero de Datos sin copiar", "copia", "Datos\\Informes\\Ventas.txt", 1,
       "EGuardadoIncompleto: No se ha podido guardar 1 fichero de la instalación: " + std::string(kApp) +
           "Datos\\Informes\\Ventas.txt",
       "Iniciada"},
      {"el diario al empezar", "escribe_seguro", "Diario_202128.ini", 1, kSinDiario, ""},
      {"el diario con el guardado ya comprobado", "escribe_seguro", "Diario_202128.ini", 2, kSinDiario, "Iniciada"},
      {"el diario antes de borrar", "escribe_seguro", "Diario_202128.ini", 3, kSinDiario, "GuardadoCompleto"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const unsigned long n = Operacion(caso.tipo, caso.ruta, caso.cual);
    ASSERT_NE(n, 0u);
    Instalacion inst;
    inst.PonHerramienta();
    const Arbol antes = LeeArbol(inst.App());
    setenv("ZELVANO_FALLO_EN", std::to_string(n).c_str(), 1);
    const Resultado r = Ejecuta(inst.Prepara("guarda"));
    unsetenv("ZELVANO_FALLO_EN");
    ASSERT_EQ(r.estado, kLanzoExcepcion) << r.salida;
    EXPECT_EQ(r.excepcion.rfind(caso.excepcion, 0), 0u) << r.excepcion;
    EXPECT_EQ(EtapaEnDisco(inst), caso.etapa);
    // Nothing of the installation was deleted or changed.
    Arbol despues = LeeArbol(inst.App());
    for (auto it = despues.begin(); it != despues.end();)
      it = it->first.rfind("Temp", 0) == 0 ? despues.erase(it) : std::next(it);
    EXPECT_EQ(Diferencias(despues, antes), "");
  }
}

// A copy goes back only where nothing is; it is dropped only where the file
// at home holds every byte of it; anything else stays in the copy.
TEST(Reintegra, DevuelveLoQueFaltaYNoPisaNadaDistinto) {
  CarpetaTemporal tmp;
  const fs::path copia = tmp.Ruta() / "copia";
  const fs::path casa = tmp.Ruta() / "casa";
  CreaArbol(copia, {{"falta.txt", "solo en la copia"},
                    {"igual.txt", "mismo"},
                    {"cortada.txt", "empie"},
                    {"distinta.txt", "otra cosa"},
                    {"larga.txt", "mas largo que en casa"},
                    {"sub", kCarpeta},
                    {"sub/falta.txt", "dentro"},
                    {"nueva", kCarpeta},
                    {"nueva/a.txt", "a"}});
  CreaArbol(casa, {{"igual.txt", "mismo"},
                   {"cortada.txt", "empieza aqui"},
                   {"distinta.txt", "la de casa"},
                   {"larga.txt", "corto"},
                   {"sub", kCarpeta}});
  EXPECT_FALSE(staging::apartado::Reintegra(T(copia), T(casa)));
  EXPECT_EQ(Diferencias(LeeArbol(copia), {{"distinta.txt", "otra cosa"}, {"larga.txt", "mas largo que en casa"}}),
            "");
  EXPECT_EQ(Diferencias(LeeArbol(casa), {{"falta.txt", "solo en la copia"},
                                         {"igual.txt", "mismo"},
                                         {"cortada.txt", "empieza aqui"},
                                         {"distinta.txt", "la de casa"},
                                         {"larga.txt", "corto"},
                                         {"sub", kCarpeta},
                                         {"sub/falta.txt", "dentro"},
                                         {"nueva", kCarpeta},
                                         {"nueva/a.txt", "a"}}),
            "");

  // Once nothing is left, the copy itself goes.
  fs::remove(copia / "distinta.txt");
  fs::remove(copia / "larga.txt");
  EXPECT_TRUE(staging::apartado::Reintegra(T(copia), T(casa)));
  EXPECT_FALSE(fs::exists(copia));
}

TEST(Conservada, ApartaSinTocarYNuncaReemplaza) {
  CarpetaTemporal tmp;
  CreaArbol(tmp.Ruta() / "Temp_V_Ant", {{"a.txt", "uno"}});
  CreaArbol(tmp.Ruta() / "otra", {{"b.txt", "dos"}});
  staging::apartado::Conservada conservada(Carpeta(tmp.Ruta()));
  EXPECT_TRUE(conservada.Carpeta().empty());
  ASSERT_TRUE(conservada.Aparta(T(tmp.Ruta() / "Temp_V_Ant"), u"Temp_V_Ant"));
  std::string enPosix = texto::AUtf8(conservada.Carpeta());
  std::replace(enPosix.begin(), enPosix.end(), '\\', '/');
  const fs::path carpeta = enPosix;
  EXPECT_EQ(carpeta.parent_path(), tmp.Ruta() / "Temp");
  EXPECT_EQ(carpeta.filename().string().rfind("Conservada_", 0), 0u);
  EXPECT_EQ(Diferencias(LeeArbol(carpeta), {{"Temp_V_Ant", kCarpeta}, {"Temp_V_Ant/a.txt", "uno"}}), "");
  // A second folder by the same name is refused, and stays where it was.
  EXPECT_FALSE(conservada.Aparta(T(tmp.Ruta() / "otra"), u"Temp_V_Ant"));
  EXPECT_EQ(Lee(tmp.Ruta() / "otra" / "b.txt"), "dos");
  EXPECT_EQ(Lee(carpeta / "Temp_V_Ant" / "a.txt"), "uno");
}

}  // namespace
}  // namespace prueba
