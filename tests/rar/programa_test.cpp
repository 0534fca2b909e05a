// The "rar" stand-in run as a process with the argument vector the wizard's
// launcher produces from its command line.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/rar/comun.h"

namespace pruebas_rar {
namespace {

const std::string kRar = RAR_EJECUTABLE;

fs::path archivo_valido(const CarpetaTemporal& tmp) {
  escribe_fichero(tmp / "origen/Zelvano.dll", texto(30, 40000));
  escribe_fichero(tmp / "origen/Galeria/Familias/Domicilio.jpg", aleatorios(31, 3000));
  fs::create_directories(tmp / "origen/Update");
  fs::path archivo = tmp / "app/Datos_Nuevos.rar";
  fs::create_directories(archivo.parent_path());
  empaqueta_arbol(archivo, tmp / "origen", {});
  return archivo;
}

TEST(ProgramaRar, ExtraeConLaLineaDelAsistente) {
  CarpetaTemporal tmp;
  fs::path archivo = archivo_valido(tmp);
  // An older copy of a file is replaced without asking.
  escribe_fichero(tmp / "app/Zelvano.dll", {'v', 'i', 'e', 'j', 'o'});
  std::string destino = (tmp / "app").string() + "/";
  auto r = ejecuta({kRar, "x", archivo.string(), "-o+", destino});
  ASSERT_EQ(r.codigo, 0) << r.salida;
  EXPECT_EQ(lee_fichero(tmp / "app/Zelvano.dll"), lee_fichero(tmp / "origen/Zelvano.dll"));
  EXPECT_EQ(lee_fichero(tmp / "app/Galeria/Familias/Domicilio.jpg"),
            lee_fichero(tmp / "origen/Galeria/Familias/Domicilio.jpg"));
  EXPECT_TRUE(fs::is_directory(tmp / "app/Update"));
}

TEST(ProgramaRar, AceptaBarrasInvertidasYCarpetaConBlancos) {
  CarpetaTemporal tmp;
  fs::path archivo = archivo_valido(tmp);
  fs::create_directories(tmp / "Mi Programa");
  fs::copy_file(archivo, tmp / "Mi Programa/Datos_Nuevos.rar");
  // Relative paths with backslashes, run from the temp folder.
  auto r = ejecuta({kRar, "x", "Mi Programa\\Datos_Nuevos.rar", "-o+", "Mi Programa\\"}, tmp.ruta());
  ASSERT_EQ(r.codigo, 0) << r.salida;
  EXPECT_EQ(lee_fichero(tmp / "Mi Programa/Zelvano.dll"), lee_fichero(tmp / "origen/Zelvano.dll"));
}

// A link already in the destination (a folder or a file of the archive's
// paths) is never written through: the whole extraction is refused before
// anything is written, with a failure status, and the link's target stays
// as it was.
TEST(ProgramaRar, NoEscribeAtravesDeEnlacesDelDestino) {
  for (const char* enlace : {"Galeria", "Zelvano.dll"}) {
    SCOPED_TRACE(enlace);
    CarpetaTemporal tmp;
    fs::path archivo = archivo_valido(tmp);
    const fs::path fuera = tmp / "fuera";
    fs::create_directories(fuera);
    escribe_fichero(fuera / "intacto.txt", {'s', 'i'});
    fs::create_symlink(std::string(enlace) == "Galeria" ? fuera : fuera / "intacto.txt", tmp / "app" / enlace);
    auto r = ejecuta({kRar, "x", archivo.string(), "-o+", (tmp / "app").string() + "/"});
    EXPECT_EQ(r.codigo, 4) << r.salida;
    EXPECT_NE(r.salida.find("enlace en el destino"), std::string::npos) << r.salida;
    EXPECT_EQ(lee_fichero(fuera / "intacto.txt"), (std::vector<uint8_t>{'s', 'i'}));
    EXPECT_FALSE(fs::exists(fuera / "Familias"));
    EXPECT_FALSE(fs::exists(tmp / "app/Update"));
  }
}

struct CasoUso {
  const char* nombre;
  std::vector<std::string> argumentos;  // after the program name; "@" = archive, "#" = destination
  int codigo;
};

const CasoUso kCasosUso[] = {
    {"sin_argumentos", {}, 1},
    {"sin_sobrescritura", {"x", "@", "#"}, 1},
    {"orden_desconocida", {"e", "@", "-o+", "#"}, 1},
    {"argumento_de_mas", {"x", "@", "-o+", "#", "otro"}, 1},
    {"archivo_inexistente", {"x", "no_existe.rar", "-o+", "#"}, 2},
};

class UsoRar : public ::testing::TestWithParam<CasoUso> {};

TEST_P(UsoRar, CodigoDeSalidaYNadaEscrito) {
  CarpetaTemporal tmp;
  fs::path archivo = archivo_valido(tmp);
  fs::path destino = tmp / "destino";
  std::vector<std::string> argv{kRar};
  for (const auto& a : GetParam().argumentos)
    argv.push_back(a == "@" ? archivo.string() : a == "#" ? destino.string() + "/" : a);
  auto r = ejecuta(argv, tmp.ruta());
  EXPECT_EQ(r.codigo, GetParam().codigo) << r.salida;
  EXPECT_FALSE(r.salida.empty());
  EXPECT_FALSE(fs::exists(destino / "Zelvano.dll"));
}

INSTANTIATE_TEST_SUITE_P(Casos, UsoRar, ::testing::ValuesIn(kCasosUso),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST(ProgramaRar, ArchivoDanadoNoDaExito) {
  CarpetaTemporal tmp;
  fs::path archivo = archivo_valido(tmp);
  auto bytes = lee_fichero(archivo);
  bytes.resize(bytes.size() - 100);
  escribe_fichero(archivo, bytes);
  auto r = ejecuta({kRar, "x", archivo.string(), "-o+", (tmp / "d").string() + "/"});
  EXPECT_EQ(r.codigo, 3) << r.salida;
  EXPECT_EQ(r.salida.find("Todo correcto"), std::string::npos);
}

TEST(ProgramaRar, EntradaFueraDelDestinoNoEscribeNada) {
  CarpetaTemporal tmp;
  fs::path archivo = tmp / "p.rar";
  {
    std::ofstream f(archivo, std::ios::binary);
    zelvano::rar::OpcionesEscritor op;
    op.permite_nombres_peligrosos = true;
    zelvano::rar::EscritorRar w(f, op);
    w.agrega_fichero("bien.txt", std::vector<uint8_t>{'1'});
    w.agrega_fichero("..\\fuera.txt", std::vector<uint8_t>{'2'});
    w.termina();
  }
  fs::create_directories(tmp / "d");
  auto r = ejecuta({kRar, "x", archivo.string(), "-o+", (tmp / "d").string() + "/"});
  EXPECT_EQ(r.codigo, 4) << r.salida;
  EXPECT_FALSE(fs::exists(tmp / "fuera.txt"));
  EXPECT_TRUE(fs::is_empty(tmp / "d"));
}

}  // namespace
}  // namespace pruebas_rar
