// The costing of a run: what it will write, weighed on real folders, and the
// unpacked size read from archive headers, damaged ones included.
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/plataforma.h"
#include "staging/ContenidoArchivo.h"
#include "staging/Espacio.h"
#include "tests/staging/Entorno.h"

namespace prueba {
namespace {

// A RAR 4 block header: checksum (not looked at), type, flags, size, then
// the fields given.
std::string Bloque(uint8_t tipo, uint16_t banderas, const std::string& campos) {
  const size_t tam = 7 + campos.size();
  std::string b = {0, 0, static_cast<char>(tipo), static_cast<char>(banderas & 0xFF), static_cast<char>(banderas >> 8),
                   static_cast<char>(tam & 0xFF), static_cast<char>(tam >> 8)};
  return b + campos;
}
std::string Le32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}
// A file header with its packed data behind it; `altos` adds the high
// halves of both sizes (flag 0x100).
std::string Fichero(uint32_t empaquetado, uint32_t desempaquetado, const std::string& nombre, uint32_t altoDesemp = 0,
                    bool altos = false) {
  std::string campos = Le32(empaquetado) + Le32(desempaquetado) + std::string(1, 2) + Le32(0) + Le32(0) +
                       std::string(1, 29) + std::string(1, 0x30) +
                       std::string{static_cast<char>(nombre.size()), 0} + Le32(0x20);
  if (altos) campos += Le32(0) + Le32(altoDesemp);
  campos += nombre;
  return Bloque(0x74, static_cast<uint16_t>(0x8000 | (altos ? 0x100 : 0)), campos) + std::string(empaquetado, 'd');
}
const std::string kMarca("Rar!\x1A\x07\x00", 7);
const std::string kPrincipal = Bloque(0x73, 0x0008, std::string(6, '\0'));
const std::string kFin = Bloque(0x7B, 0x4000, "");

TEST(Espacio, TamanoDesempaquetadoDeLasCabeceras) {
  const std::string dos = kMarca + kPrincipal + Fichero(10, 1000, "a.txt") + Fichero(3, 250000, "b\\c.txt") + kFin;
  const std::string grande = kMarca + kPrincipal + Fichero(5, 7, "g.bin", 2, true) + kFin;
  const struct {
    const char* nombre;
    std::string archivo;
    uint64_t esperado;
  } casos[] = {
      {"dos ficheros", dos, 251000},
      {"tamano de mas de 4 GB", grande, (2ull << 32) + 7},
      // Damaged or cut headers: what was read up to there, never a crash.
      {"vacio", "", 0},
      {"solo la marca", kMarca, 0},
      {"cortado en la segunda cabecera", dos.substr(0, kMarca.size() + kPrincipal.size() + 32 + 5 + 10 + 20), 1000},
      {"datos que pasan del final", kMarca + kPrincipal + Fichero(10, 1000, "a.txt").substr(0, 44), 1000},
      {"tamano de cabecera menor que 7", kMarca + Bloque(0x74, 0x8000, "").substr(0, 5) + "\x03\x00", 0},
      {"nada tras el bloque final", kMarca + kPrincipal + kFin + Fichero(1, 99, "x"), 0},
  };
  for (const auto& c : casos) EXPECT_EQ(staging::TamanoDesempaquetado(c.archivo), c.esperado) << c.nombre;
}

// What each origin adds, on a real tree: links are not followed out of the
// installation, and what the Temp rotation keeps is not counted twice.
TEST(Espacio, EstimaLoQueLaEjecucionEscribe) {
  CarpetaTemporal tmp;
  const fs::path app = tmp.Ruta() / "Zelvano";
  CreaArbol(app, {{"Zelvano_Start.exe", std::string(10, 's')},
                  {"Zelvano.dll", std::string(20, 'l')},
                  {"Pindal.dll", std::string(30, 'p')},
                  {"Datos", kCarpeta},
                  {"Datos/Clientes.dat", std::string(100, 'c')},
                  {"Datos/Sub", kCarpeta},
                  {"Datos/Sub/x", std::string(200, 'x')},
                  {"BDD Predefinidas", kCarpeta},
                  {"BDD Predefinidas/Vacia", kCarpeta},
                  {"BDD Predefinidas/Vacia/QVD.FBK", std::string(300, 'v')},
                  {"Temp", kCarpeta},
                  {"Temp/202101_202103", kCarpeta},
                  {"Temp/202101_202103/Zelvano.exe", std::string(400, 'z')},
                  {"Temp/Conservada_1", kCarpeta},
                  {"Temp/Conservada_1/grande", std::string(5000, 'g')},
                  {"otra", kCarpeta},
                  {"otra/QVD.FB", std::string(777, 'b')}});
  Escribe(tmp.Ruta() / "fuera", std::string(9000, 'f'));
  fs::create_symlink(tmp.Ruta() / "fuera", app / "Datos" / "enlace");
  fs::create_directory_symlink(tmp.Ruta(), app / "Datos" / "carpeta_enlazada");

  const texto::Texto carpeta = texto::DeUtf8(app.string() + "/");
  std::string archivo;
  const bool hayArchivo = plataforma::LeeRecurso(10, u"DATOS_NUEVOS", 3082, archivo);
  std::vector<staging::EntradaArchivo> entradas;
  if (hayArchivo) {
    ASSERT_TRUE(staging::LeeContenidoArchivo(archivo, entradas));
  }

  // Every file takes whole units, and every folder one: with units of one
  // byte, the bytes (and one per folder).
  const struct {
    uint64_t unidad;
    uint64_t tempAnterior, copia, baseDatos;
  } casos[] = {
      {1, 1 + 400, 10 + 20 + 30 + (1 + 100 + 1 + 200) + (1 + 1 + 300), 777},
      {4096, 2 * 4096, (3 + 4 + 3) * 4096, 4096},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.unidad);
    uint64_t desempaquetado = 0;
    for (const staging::EntradaArchivo& e : entradas)
      desempaquetado += e.carpeta ? caso.unidad : staging::EnUnidades(e.tamano, caso.unidad);
    const staging::Escritura cliente = staging::EstimaEscritura(carpeta, caso.unidad, u"", caso.unidad);
    EXPECT_EQ(cliente.tempAnterior, caso.tempAnterior);
    EXPECT_EQ(cliente.copia, caso.copia);
    EXPECT_EQ(cliente.archivo, staging::EnUnidades(archivo.size(), caso.unidad));
    EXPECT_EQ(cliente.desempaquetado, desempaquetado);
    if (hayArchivo) {
      EXPECT_GT(cliente.desempaquetado, cliente.archivo) << "el archivo lleva ficheros comprimidos";
    }
    EXPECT_EQ(cliente.EnDatos(), 0u);

    // The database: its backup and, for a rollback, its size once more,
    // in the units of its own volume.
    const staging::Escritura servidor =
        staging::EstimaEscritura(carpeta, caso.unidad, carpeta + u"otra\\QVD.FB", caso.unidad);
    EXPECT_EQ(servidor.copiaBaseDatos, caso.baseDatos);
    EXPECT_EQ(servidor.reposicionBaseDatos, caso.baseDatos);
    EXPECT_EQ(servidor.EnAplicacion(), cliente.EnAplicacion());
    EXPECT_EQ(servidor.Total(), cliente.Total() + 2 * caso.baseDatos);
  }
  // The margin: a tenth more and 50 MB for the log and the tools.
  EXPECT_EQ(staging::ConMargen(1000), 1000u + 100 + (50u << 20));
}

// Many small files: what the disk gives them, not their bytes. 20,000 files
// of 45 bytes are 0.9 MB of bytes and 78 MB of 4 KB clusters.
TEST(Espacio, LosFicherosPequenosOcupanUnidadesEnteras) {
  EXPECT_EQ(staging::EnUnidades(0, 4096), 0u);
  EXPECT_EQ(staging::EnUnidades(1, 4096), 4096u);
  EXPECT_EQ(staging::EnUnidades(4096, 4096), 4096u);
  EXPECT_EQ(staging::EnUnidades(4097, 4096), 8192u);
  EXPECT_EQ(staging::EnUnidades((5ull << 32) + 1, 65536), (5ull << 32) + 65536);

  CarpetaTemporal tmp;
  const fs::path app = tmp.Ruta() / "Zelvano";
  constexpr int kFicheros = 300;
  for (int i = 0; i < kFicheros; ++i) Escribe(app / "Datos" / ("Ticket" + std::to_string(i) + ".dat"), std::string(45, 't'));
  const texto::Texto carpeta = texto::DeUtf8(app.string() + "/");
  // The volume answers for itself: a test folder's real allocation unit.
  uint64_t unidad = 0;
  texto::Texto volumen;
  ASSERT_TRUE(plataforma::DatosVolumen(carpeta, unidad, volumen));
  EXPECT_FALSE(volumen.empty());
  ASSERT_GE(unidad, 512u);
  const staging::Escritura e = staging::EstimaEscritura(carpeta, unidad, u"", unidad);
  // "Datos" and "BDD Predefinidas" (missing: an empty folder) and their files.
  EXPECT_EQ(e.copia, (kFicheros + 2) * unidad);
  EXPECT_GT(e.copia, 45u * kFicheros * 10);
}

}  // namespace
}  // namespace prueba
