// Writes the seed corpus of every fuzz target into <carpeta>/<objetivo>/,
// from the same fixtures the tests build: a version-stamped executable, a
// configuration file with scrambled values, a registry store, archives
// stored and compressed, the migration statements, texts and numbers.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "database/migrations/Lotes.h"
#include "platform/plataforma.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "tools/rar/escritor.h"
#include "tools/rar/pe_version.h"

namespace fs = std::filesystem;
using texto::Texto;

namespace {

fs::path g_raiz;

void Escribe(const char* objetivo, const std::string& nombre, const std::string& bytes) {
  fs::create_directories(g_raiz / objetivo);
  std::ofstream(g_raiz / objetivo / nombre, std::ios::binary) << bytes;
}
void Escribe(const char* objetivo, const std::string& nombre, const std::vector<uint8_t>& v) {
  Escribe(objetivo, nombre, std::string(v.begin(), v.end()));
}
std::string Lee(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}
std::string Utf16(const Texto& t) {
  std::string r;
  for (char16_t c : t) r += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return r;
}

void Version() {
  zelvano::rar::DatosVersion d;
  d.partes[2] = 1;
  Escribe("version", "start.exe", zelvano::rar::pe_con_version(d));
  d.dll = true;
  const std::vector<uint8_t> dll = zelvano::rar::pe_con_version(d);
  Escribe("version", "zelvano.dll", dll);
  // The version block alone, for the walk of the block.
  const fs::path tmp = g_raiz / "version" / "zelvano.dll";
  std::vector<uint8_t> bloque;
  if (plataforma::LeeInfoVersion(texto::DeUtf8(tmp.string()), bloque)) Escribe("version", "bloque", bloque);
}

void Perfil(const fs::path& tmp) {
  using namespace constantes;
  const Texto ruta = texto::DeUtf8((tmp / "Pindal.dll").string());
  const std::pair<const Texto*, Texto> valores[] = {{&IdentNombreServidor, u"SERVIDOR"},
                                                    {&IdentRutaAplicacion, u"C:\\Zelvano\\"},
                                                    {&IdentRutaDatos, u"C:\\Zelvano\\Datos\\"},
                                                    {&IdentNombrePC, u"CAJA-1"}};
  for (const auto& [clave, valor] : valores) plataforma::EscribePerfil(ruta, SeccionInstalacion, *clave, CifraBytes(valor));
  plataforma::EscribePerfil(ruta, u"Ticket", u"Cabecera", u"\"Bar Pepe\"");
  const std::string ansi = Lee(tmp / "Pindal.dll");
  Escribe("perfil", "ansi.ini", ansi);
  Escribe("perfil", "utf16.ini", "\xFF\xFE" + Utf16(texto::DeCp1252(ansi)));
  Escribe("perfil", "utf8.ini", "\xEF\xBB\xBF" + texto::AUtf8(texto::DeCp1252(ansi)));
}

void Registro(const fs::path& tmp) {
  const std::string fichero = (tmp / "registro").string();
  setenv("ZELVANO_REGISTRO", fichero.c_str(), 1);
  plataforma::Clave clave;
  if (clave.AbreOCrea(plataforma::Raiz::UsuarioActual, u"SOFTWARE\\Pelmora Soft\\Zelvano Nova")) {
    clave.EscribeTexto(u"Application Install Patch", u"C:\\Zelvano\\");
    clave.EscribeEntero(u"Ejecuciones", 7);
    clave.EscribeTexto(u"Nota", u"l\u00EDnea\tcon\\tabulador\n");
  }
  plataforma::Clave otra;
  if (otra.AbreOCrea(plataforma::Raiz::ClasesRaiz, u".pdf")) otra.EscribeTexto(u"", u"AcroExch.Document");
  Escribe("registro", "almacen", Lee(fichero));
  unsetenv("ZELVANO_REGISTRO");
}

void Rar() {
  for (bool comprimir : {false, true}) {
    std::ostringstream s;
    zelvano::rar::OpcionesEscritor op;
    op.comprimir = comprimir;
    {
      zelvano::rar::EscritorRar e(s, op);
      e.agrega_carpeta("Update", 0x11);
      std::vector<uint8_t> texto;
      for (int i = 0; i < 3000; ++i) texto.push_back(static_cast<uint8_t>("Zelvano Corvisto \xE1\xE9\n"[i % 20]));
      e.agrega_fichero("Zelvano.dll", texto);
      e.agrega_fichero("Update\\notificaciones.dat", std::vector<uint8_t>{1, 2, 3, 4, 5, 250, 251});
      e.agrega_fichero("Documentos\\Gu\xC3\xAD" "a.txt", std::vector<uint8_t>(texto.begin(), texto.begin() + 700));
      e.termina();
    }
    // The first byte chooses whether the target mends header checksums.
    Escribe("rar", comprimir ? "comprimido" : "almacenado", std::string(1, '\0') + s.str());
    Escribe("rar", comprimir ? "comprimido_cabeceras" : "almacenado_cabeceras", std::string(1, '\1') + s.str());
  }
}

void Parametros() {
  int i = 0;
  for (const auto id : {migracion::IdLote::Lote_20_21_0_3, migracion::IdLote::Lote_Anterior_20_21_1_0,
                        migracion::IdLote::Lote_Precios_Compra, migracion::IdLote::Lote_Formas_Pago_CH,
                        migracion::IdLote::Lote_Formas_Pago_BW})
    for (const migracion::Paso& p : migracion::PasosDe(id))
      if (i < 200) Escribe("parametros", "paso" + std::to_string(i++), Utf16(p.sentencia));
  Escribe("parametros", "marcas", Utf16(u"SELECT 'a:b' /* :c? */ FROM T WHERE X = :P_X AND Y = ? AND Z = \"q\"\"?\""));
}

void Textos() {
  Escribe("texto", "utf8", std::string("Actualizaci\xC3\xB3n \xE2\x82\xAC \xF0\x9F\x98\x80 \xED\xA0\x80"));
  Escribe("texto", "ansi", std::string("Espa\xF1" "a \x80\x81\x9F\r\nfin\r"));
  Escribe("texto", "utf16", Utf16(u"C:\\Programa\\\u00D1and\u00FA\\\xD83D\xDE00\xD800x"));
}

void Formatos() {
  const double v[] = {0, 500, 3145728, 1234567890, 3725.9, 999.995, -0.125, 1e30, 9.2e18,
                      std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min()};
  std::string bytes;
  for (double d : v) {
    std::string uno(reinterpret_cast<const char*>(&d), sizeof d);
    Escribe("formatos", "valor" + std::to_string(bytes.size() / sizeof d), uno);
    bytes += uno;
  }
  Escribe("formatos", "todos", bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: semillas CARPETA\n");
    return 2;
  }
  g_raiz = argv[1];
  std::string plantilla = (fs::temp_directory_path() / "zelvano-semillas-XXXXXX").string();
  const fs::path tmp = ::mkdtemp(plantilla.data());
  Version();
  Perfil(tmp);
  Registro(tmp);
  Rar();
  Parametros();
  Textos();
  Formatos();
  fs::remove_all(tmp);
  return 0;
}
