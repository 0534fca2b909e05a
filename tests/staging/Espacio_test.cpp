// The costing of a run: what it will write, weighed on real folders, and the
// unpacked size read from archive headers, damaged ones included.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/plataforma.h"
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

  const staging::Escritura cliente = staging::EstimaEscritura(carpeta, u"");
  EXPECT_EQ(cliente.tempAnterior, 400u);
  EXPECT_EQ(cliente.copia, 10u + 20 + 30 + 100 + 200 + 300);
  EXPECT_EQ(cliente.archivo, archivo.size());
  EXPECT_EQ(cliente.desempaquetado, staging::TamanoDesempaquetado(archivo));
  if (hayArchivo) {
    EXPECT_GT(cliente.desempaquetado, cliente.archivo) << "el archivo lleva ficheros comprimidos";
  }
  EXPECT_EQ(cliente.copiaBaseDatos, 0u);

  const staging::Escritura servidor = staging::EstimaEscritura(carpeta, carpeta + u"otra\\QVD.FB");
  EXPECT_EQ(servidor.copiaBaseDatos, 777u);
  EXPECT_EQ(servidor.Total(), cliente.Total() + 777u);
  // The margin: a tenth more and 50 MB for the log and the tools.
  EXPECT_EQ(staging::ConMargen(1000), 1000u + 100 + (50u << 20));
}

}  // namespace
}  // namespace prueba
