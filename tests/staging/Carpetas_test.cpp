// Folder copy and delete on real folders.
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/plataforma.h"
#include "staging/Carpetas.h"
#include "tests/staging/Entorno.h"
#include "tests/staging/Instalacion.h"
#include "tests/staging/Ventana.h"

namespace prueba {
namespace {

Texto T(const fs::path& p) { return texto::DeUtf8(p.string()); }
std::string U(const Texto& t) { return texto::AUtf8(t); }

std::vector<std::string> LineasNuevas(TfV& v, size_t desde) {
  std::vector<std::string> r;
  const auto& lineas = v.MemoBackup->Lines();
  for (size_t i = desde; i < lineas.size(); ++i) r.push_back(U(lineas[i]));
  return r;
}

Texto Tamano(const char* entero, const char* unidad) {
  return texto::DeUtf8(entero) + plataforma::SeparadorDecimal() + texto::DeUtf8(unidad);
}

TEST(CopiaCarpeta, CopiaElArbolEnProfundidadConDosLineasPorFichero) {
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  const Arbol origen = {
      {"a.txt", "uno"},
      {".oculto", "dos"},
      {"sub", kCarpeta},
      {"sub/b.txt", "tres"},
      {"sub/hondo", kCarpeta},
      {"sub/hondo/c.bin", std::string("\0\1\2", 3)},
      {"vacia", kCarpeta},
  };
  CreaArbol(tmp.Ruta() / "origen", origen);
  // The destination keeps what has no counterpart and gets the rest overwritten.
  CreaArbol(tmp.Ruta() / "destino", {{"a.txt", "viejo"}, {"queda.txt", "se queda"}});

  const size_t antes = v.MemoBackup->Lines().size();
  double total = 0;
  v.CopiaCarpeta(T(tmp.Ruta() / "origen"), T(tmp.Ruta() / "destino"), total);

  Arbol esperado = origen;
  esperado["queda.txt"] = "se queda";
  EXPECT_EQ(Diferencias(LeeArbol(tmp.Ruta() / "destino"), esperado), "");
  EXPECT_EQ(total, 3 + 3 + 4 + 3);

  const std::vector<std::string> lineas = LineasNuevas(v, antes);
  const LogReducido log = Reduce(lineas);
  ASSERT_EQ(log.lineas, std::vector<std::string>{"<copias>"});
  EXPECT_EQ(lineas.size(), 8u);
  EXPECT_EQ(log.copias[0],
            CopiasEsperadas(origen, (tmp.Ruta() / "origen").string(), (tmp.Ruta() / "destino").string()));
}

TEST(CopiaCarpeta, OrigenVacioOAusenteSoloCreaElDestino) {
  TfV& v = Ventana();
  for (const bool existe : {true, false}) {
    SCOPED_TRACE(existe ? "origen vacio" : "origen ausente");
    CarpetaTemporal tmp;
    if (existe) fs::create_directories(tmp.Ruta() / "origen");
    const size_t antes = v.MemoBackup->Lines().size();
    double total = 7;
    v.CopiaCarpeta(T(tmp.Ruta() / "origen"), T(tmp.Ruta() / "destino"), total);
    EXPECT_TRUE(fs::is_directory(tmp.Ruta() / "destino"));
    EXPECT_TRUE(fs::is_empty(tmp.Ruta() / "destino"));
    EXPECT_EQ(v.MemoBackup->Lines().size(), antes);
    EXPECT_EQ(total, 7);
  }
}

TEST(CopiaCarpeta, PanelDeTamanos) {
  TfV& v = Ventana();
  struct Caso {
    double totalPrevio;
    size_t bytes;
    Texto fichero, acumulado;
  };
  const std::vector<Caso> casos = {
      {0, 500, Tamano("0", "49 KB"), Tamano("0", "49 KB")},
      {0, 1023, Tamano("1", "00 KB"), Tamano("1", "00 KB")},
      {0, 1024, Tamano("1", "00 KB"), Tamano("0", "00 MB")},
      {3145728 - 2048, 2048, Tamano("2", "00 KB"), Tamano("3", "00 MB")},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.bytes);
    CarpetaTemporal tmp;
    Escribe(tmp.Ruta() / "origen" / "f.bin", std::string(c.bytes, 'x'));
    double total = c.totalPrevio;
    v.CopiaCarpeta(T(tmp.Ruta() / "origen"), T(tmp.Ruta() / "destino"), total);
    EXPECT_EQ(total, c.totalPrevio + c.bytes);
    EXPECT_EQ(v.ST_F->Caption(), c.fichero);
    EXPECT_EQ(v.ST_T->Caption(), c.acumulado);
  }
}

TEST(CopiaCarpeta, CuentaLoQueNoLlegaAlDestino) {
  TfV& v = Ventana();
  struct Caso {
    const char* nombre;
    Arbol destinoPrevio;
    int fallos;
  };
  const std::vector<Caso> casos = {
      {"todo copiado", {}, 0},
      {"carpeta en lugar de un fichero", {{"a.txt", kCarpeta}}, 1},
      {"fichero en lugar de una carpeta", {{"sub", "fichero"}}, 2},  // the folder and its file
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    CarpetaTemporal tmp;
    CreaArbol(tmp.Ruta() / "origen", {{"a.txt", "a"}, {"sub/b.txt", "b"}});
    fs::create_directories(tmp.Ruta() / "destino");
    CreaArbol(tmp.Ruta() / "destino", c.destinoPrevio);
    double total = 0;
    EXPECT_EQ(staging::CopiaCarpetaContando(v, T(tmp.Ruta() / "origen"), T(tmp.Ruta() / "destino"), total).cuenta,
              c.fallos);
  }
}

// A destination the system refuses to overwrite (held open by a running
// program, or read-only): a failure only when it does not already hold the
// saved bytes.
TEST(CopiaCarpeta, UnDestinoQueNoSeDejaSobrescribirSoloFallaSiDifiere) {
  TfV& v = Ventana();
  struct Caso {
    const char* nombre;
    bool bloqueado;
    std::string contenidoDestino;
    int fallos;
  };
  const std::vector<Caso> casos = {
      {"bloqueado con lo mismo", true, "guardado", 0},
      {"bloqueado con otra cosa", true, "nuevo", 1},
      {"solo lectura con lo mismo", false, "guardado", 0},
      {"solo lectura con otra cosa", false, "nuevo", 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    CarpetaTemporal tmp;
    Escribe(tmp.Ruta() / "origen" / "Zelvano.exe", "guardado");
    const fs::path destino = tmp.Ruta() / "destino" / "Zelvano.exe";
    Escribe(destino, c.contenidoDestino);
    std::unique_ptr<Bloqueo> bloqueo;
    if (c.bloqueado) {
      bloqueo = std::make_unique<Bloqueo>(destino);
    } else {
      ASSERT_TRUE(plataforma::PonAtributos(T(destino), plataforma::ATR_SOLO_LECTURA));
    }
    double total = 0;
    EXPECT_EQ(staging::CopiaCarpetaContando(v, T(tmp.Ruta() / "origen"), T(tmp.Ruta() / "destino"), total).cuenta,
              c.fallos);
    EXPECT_EQ(Lee(destino), c.contenidoDestino);
  }
}

TEST(BorraCarpeta, BorraArbolesConSoloLecturaYRutasLargas) {
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  CreaArbol(tmp.Ruta() / "arbol", {{"a.txt", "a"}, {"sub/b.txt", "b"}, {"sub/solo.txt", "c"}, {"vacia", kCarpeta}});
  ASSERT_TRUE(plataforma::PonAtributos(T(tmp.Ruta() / "arbol" / "sub" / "solo.txt"), plataforma::ATR_SOLO_LECTURA));
  ASSERT_TRUE(plataforma::PonAtributos(T(tmp.Ruta() / "arbol" / "sub"), plataforma::ATR_SOLO_LECTURA |
                                                                          plataforma::ATR_DIRECTORIO));
  Escribe(tmp.Ruta() / "vecino.txt", "fuera");

  EXPECT_TRUE(v.BorraCarpeta(T(tmp.Ruta() / "arbol")));
  EXPECT_FALSE(fs::exists(tmp.Ruta() / "arbol"));
  EXPECT_EQ(Lee(tmp.Ruta() / "vecino.txt"), "fuera");

  // Paths far beyond 259 characters: the folder itself and the entries
  // inside it are deleted, its parent and sibling stay.
  fs::path largo = tmp.Ruta() / "largo";
  while (largo.string().size() < 300) largo /= std::string(40, 'n');
  Escribe(largo / std::string(60, 'f'), "hondo");
  Escribe(largo.parent_path() / "hermano.txt", "hermano");
  ASSERT_GT(largo.string().size(), 259u);
  EXPECT_TRUE(v.BorraCarpeta(T(largo)));
  EXPECT_FALSE(fs::exists(largo));
  EXPECT_EQ(Lee(largo.parent_path() / "hermano.txt"), "hermano");
  EXPECT_TRUE(v.BorraCarpeta(T(tmp.Ruta() / "largo")));
  EXPECT_FALSE(fs::exists(tmp.Ruta() / "largo"));
}

TEST(BorraCarpeta, CarpetaAusenteDevuelveFalsoSinTocarNada) {
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  Escribe(tmp.Ruta() / "otro.txt", "sigue");
  const Arbol antes = LeeArbol(tmp.Ruta());
  EXPECT_FALSE(v.BorraCarpeta(T(tmp.Ruta() / "no_existe")));
  EXPECT_EQ(Diferencias(LeeArbol(tmp.Ruta()), antes), "");
}

TEST(BorraCarpeta, LosEnlacesSeQuitanSinEntrarEnSuDestino) {
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  const Arbol fuera = {{"importante.txt", "no se toca"}, {"sub", kCarpeta}, {"sub/mas.txt", "tampoco"}};
  CreaArbol(tmp.Ruta() / "fuera", fuera);
  Escribe(tmp.Ruta() / "suelto.txt", "fichero de fuera");
  CreaArbol(tmp.Ruta() / "arbol", {{"propio.txt", "propio"}, {"sub", kCarpeta}});
  fs::create_directory_symlink(tmp.Ruta() / "fuera", tmp.Ruta() / "arbol" / "enlace_carpeta");
  fs::create_directory_symlink(tmp.Ruta() / "fuera", tmp.Ruta() / "arbol" / "sub" / "otro_enlace");
  fs::create_symlink(tmp.Ruta() / "suelto.txt", tmp.Ruta() / "arbol" / "enlace_fichero");

  EXPECT_TRUE(v.BorraCarpeta(T(tmp.Ruta() / "arbol")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp.Ruta() / "arbol")));
  EXPECT_EQ(Diferencias(LeeArbol(tmp.Ruta() / "fuera"), fuera), "");
  EXPECT_EQ(Lee(tmp.Ruta() / "suelto.txt"), "fichero de fuera");
}

TEST(BorraCarpeta, UnFicheroBloqueadoDetieneElBorrado) {
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  CreaArbol(tmp.Ruta() / "arbol", {{"bloqueado.txt", "en uso"}, {"a.txt", "a"}, {"z.txt", "z"}});
  Bloqueo bloqueo(tmp.Ruta() / "arbol" / "bloqueado.txt");
  EXPECT_FALSE(v.BorraCarpeta(T(tmp.Ruta() / "arbol")));
  EXPECT_EQ(Lee(tmp.Ruta() / "arbol" / "bloqueado.txt"), "en uso");
}

}  // namespace
}  // namespace prueba
