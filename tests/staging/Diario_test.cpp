// The run's journal on real folders: each boundary rewrites it whole, a
// finished run closes it, and a journal that cannot be written never breaks
// the run nor spoils the earlier one. Also how start-up gives a copy back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/plataforma.h"
#include "staging/Apartado.h"
#include "staging/Diario.h"
#include "tests/staging/Entorno.h"
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
