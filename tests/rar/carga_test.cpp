// The payload archive of the new version, as built for the wizard.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/rar/comun.h"
#include "staging/rar/cabeceras.h"
#include "resources/datos_nuevos.h"
#include "tools/rar/lector.h"

namespace pruebas_rar {
namespace {

const fs::path kCarga = fs::u8path(DATOS_NUEVOS_RAR);

const std::set<std::string> kCarpetas = {
    "Galeria", "Galeria\\Familias", "Documentos", "Update", "BDD Predefinidas",
    "BDD Predefinidas\\Vacia", "BDD Predefinidas\\Tex-Mex", "BDD Predefinidas\\Pub Discoteca",
    "BDD Predefinidas\\Taberna Meson", "BDD Predefinidas\\Marisqueria", "BDD Predefinidas\\Bar Restaurante",
    "BDD Predefinidas\\Pizzeria"};

TEST(Carga, EstructuraDeLaNuevaVersion) {
  zelvano::rar::LectorRar l(kCarga);
  EXPECT_TRUE(l.solido());
  const auto& es = l.entradas();
  ASSERT_EQ(es.size(), 51u);
  std::set<std::string> carpetas, ficheros;
  for (const auto& e : es) {
    (e.carpeta ? carpetas : ficheros).insert(e.nombre);
    EXPECT_EQ(e.metodo, e.carpeta ? zelvano::rar::kMetodoAlmacenado : zelvano::rar::kMetodoMejor) << e.nombre;
    EXPECT_EQ(e.version, 29) << e.nombre;
    if (e.carpeta) {
      EXPECT_EQ(e.atributos, e.nombre == "Update" ? 0x11u : 0x10u) << e.nombre;
    }
  }
  EXPECT_EQ(carpetas, kCarpetas);
  EXPECT_EQ(ficheros.size(), 39u);
  for (const char* f : {"Zelvano_Start.exe", "Zelvano.dll", "Corvisto.exe", "Galeria\\porciones.jpg",
                        "Galeria\\Familias\\Domicilio.jpg", "Galeria\\Familias\\para_llevar.jpg", "Update\\nzw.dll",
                        "Update\\notificaciones.dat", "Update\\update.dat"})
    EXPECT_EQ(ficheros.count(f), 1u) << f;
  EXPECT_EQ(ficheros.count("Zelvano.exe"), 0u);
  int pdf = 0, rtf = 0, txt = 0, qvd = 0;
  for (const auto& f : ficheros) {
    if (f.rfind("Documentos\\", 0) == 0) {
      auto ext = f.substr(f.rfind('.'));
      pdf += ext == ".pdf";
      rtf += ext == ".rtf";
      txt += ext == ".txt";
    }
    if (f.rfind("BDD Predefinidas\\", 0) == 0) {
      EXPECT_EQ(f.substr(f.rfind('\\') + 1), "QVD.FBK");
      ++qvd;
    }
  }
  EXPECT_EQ(pdf, 20);
  EXPECT_EQ(rtf, 2);
  EXPECT_EQ(txt, 1);
  EXPECT_EQ(qvd, 7);
}

TEST(Carga, ListadoDeBsdtarYUnar) {
  if (!disponible("bsdtar") || !disponible("lsar")) GTEST_SKIP() << "faltan bsdtar o lsar";
  auto r = ejecuta({"bsdtar", "-tvf", kCarga.string()});
  ASSERT_EQ(r.codigo, 0) << r.salida;
  EXPECT_EQ(std::count(r.salida.begin(), r.salida.end(), '\n'), 51);
  size_t carpetas = 0;
  for (size_t p = 0; p < r.salida.size(); p = r.salida.find('\n', p) + 1)
    if (r.salida[p] == 'd') ++carpetas;
  EXPECT_EQ(carpetas, 12u);
  auto t = ejecuta({"lsar", "-t", kCarga.string()});
  EXPECT_EQ(t.codigo, 0) << t.salida;
}

TEST(Carga, ExtraidaIgualPorTodosLosLectores) {
  if (!disponible("bsdtar") || !disponible("unar")) GTEST_SKIP() << "faltan bsdtar o unar";
  CarpetaTemporal tmp;
  zelvano::rar::LectorRar l(kCarga);
  l.extrae(tmp / "propio");
  fs::create_directories(tmp / "bsdtar");
  ASSERT_EQ(ejecuta({"bsdtar", "-xf", kCarga.string()}, tmp / "bsdtar").codigo, 0);
  ASSERT_EQ(ejecuta({"unar", "-q", "-D", "-o", (tmp / "unar").string(), kCarga.string()}).codigo, 0);
  auto propio = contenido_arbol(tmp / "propio");
  EXPECT_EQ(propio.size(), 51u);
  EXPECT_EQ(contenido_arbol(tmp / "bsdtar"), propio);
  EXPECT_EQ(contenido_arbol(tmp / "unar"), propio);
  // Stored dates come back as libarchive restores them, folders included.
  for (const auto& e : fs::recursive_directory_iterator(tmp / "propio")) {
    auto rel = fs::relative(e.path(), tmp / "propio");
    EXPECT_EQ(fs::last_write_time(e.path()), fs::last_write_time(tmp / "bsdtar" / rel)) << rel;
  }

  // The start program is a PE whose version strings name the new version.
  auto exe = lee_fichero(tmp / "propio/Zelvano_Start.exe");
  ASSERT_GT(exe.size(), 0x200u);
  EXPECT_EQ(exe[0], 'M');
  EXPECT_EQ(exe[1], 'Z');
  std::string version;
  for (char c : std::string("20.21.2.8")) {
    version.push_back(c);
    version.push_back('\0');
  }
  EXPECT_NE(std::search(exe.begin(), exe.end(), version.begin(), version.end()), exe.end());
  if (disponible("i686-w64-mingw32-objdump")) {
    auto o = ejecuta({"i686-w64-mingw32-objdump", "-p", (tmp / "propio/Zelvano_Start.exe").string()});
    EXPECT_EQ(o.codigo, 0) << o.salida;
    EXPECT_NE(o.salida.find("pei-i386"), std::string::npos) << o.salida;
    EXPECT_NE(o.salida.find("Resource Directory"), std::string::npos) << o.salida;
  }
  if (disponible("identify")) {
    auto i = ejecuta({"identify", (tmp / "propio/Galeria/porciones.jpg").string()});
    EXPECT_EQ(i.codigo, 0) << i.salida;
    EXPECT_NE(i.salida.find("JPEG 64x48"), std::string::npos) << i.salida;
  }
  auto pdf = lee_fichero(tmp / "propio/Documentos/Guía rápida.pdf");
  EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 8), "%PDF-1.4");
}

// The Linux build links the archive as data: the bytes must be the file's.
TEST(Carga, DatosEnlazadosSonElArchivo) {
  auto archivo = lee_fichero(kCarga);
  ASSERT_EQ(datos_nuevos_tam, archivo.size());
  EXPECT_TRUE(std::equal(archivo.begin(), archivo.end(), datos_nuevos));
}

}  // namespace
}  // namespace pruebas_rar
