// Bad input to start-up: every file start-up reads but did not write (the
// configuration file, the registry store, "Zelvano_Start.exe"), damaged in
// the ways such files come damaged. Each row either works as documented or
// stops with its Spanish message, and in every row nothing on disk changes.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "platform/plataforma.h"
#include "platform/texto.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "tests/arranque/Entorno.h"

namespace prueba_arranque {
namespace {

using texto::Texto;

const std::string kVersionNoActualizable =
    "Solo las Versiones entre 20.21.0.3 y 20.21.1.8\nde Zelvano son actualizables.";
// Without the application folder the window says that a run cannot start.
const std::string kSinCarpeta =
    "Sin esa carpeta no se puede actualizar: el bot\xC3\xB3n Iniciar Actualizaci\xC3\xB3n queda desactivado.";
const std::string kGuionSalir = "frmAviso marca LCBLeido\nfrmAviso pulsa BtnLeido\nfV pulsa BtnSalir\n";
const std::string kGuionIniciar = "frmAviso marca LCBLeido\nfrmAviso pulsa BtnLeido\nfV pulsa BtnAceptar\n";

// ---- Files as other programs leave them -----------------------------------

std::string Utf16le(const Texto& t) {
  std::string r;
  for (char16_t c : t) r += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return r;
}

// Deterministic bytes with no '[' (so no line can pass for a section).
std::string Basura(size_t n) {
  std::string r;
  uint32_t x = 2463534242u;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    const char c = static_cast<char>(x & 0xFF);
    r += c == '[' ? '\0' : c;
  }
  return r;
}

// The configuration file's lines: section, then name=scrambled value.
struct Ajustes {
  Texto servidor = u"SERVIDOR", aplicacion, datos, pc = u"PC1";
};

Texto Seccion(const Texto& nombre) { return u"[" + nombre + u"]\r\n"; }
Texto Lineas(const Ajustes& a, bool conIgual = true) {
  using namespace constantes;
  const std::pair<const Texto*, Texto> pares[] = {
      {&IdentNombreServidor, a.servidor}, {&IdentRutaAplicacion, a.aplicacion}, {&IdentRutaDatos, a.datos},
      {&IdentNombrePC, a.pc}};
  Texto r;
  for (const auto& [clave, valor] : pares) r += *clave + (conIgual ? u"=" + CifraBytes(valor) : Texto()) + u"\r\n";
  return r;
}

Ajustes Normales(const fs::path& app) {
  Ajustes a;
  a.aplicacion = texto::DeUtf8(app.string() + "/");
  a.datos = texto::DeUtf8(app.string() + "/Datos/");
  return a;
}

// ---- Windows executables with their resources damaged ---------------------

uint32_t U16(const std::string& b, size_t p) {
  return static_cast<unsigned char>(b.at(p)) | (static_cast<unsigned char>(b.at(p + 1)) << 8);
}
uint32_t U32(const std::string& b, size_t p) { return U16(b, p) | (U16(b, p + 2) << 16); }
void Pon16(std::string& b, size_t p, uint32_t v) {
  b.at(p) = static_cast<char>(v & 0xFF);
  b.at(p + 1) = static_cast<char>((v >> 8) & 0xFF);
}
void Pon32(std::string& b, size_t p, uint32_t v) {
  Pon16(b, p, v & 0xFFFF);
  Pon16(b, p + 2, v >> 16);
}

// Where the version resource of a PE32 file lies: the entry of type
// RT_VERSION in the root directory, the data entry, and the block itself.
struct RecursoVersion {
  size_t entradaTipo = 0, entradaDatos = 0, bloque = 0;
};

RecursoVersion Localiza(const std::string& pe) {
  const size_t cabecera = U32(pe, 0x3C), opcional = cabecera + 24;
  const uint32_t secciones = U16(pe, cabecera + 6), tamOpcional = U16(pe, cabecera + 20);
  auto desplazamiento = [&](uint32_t rva) -> size_t {
    for (uint32_t i = 0; i < secciones; ++i) {
      const size_t s = opcional + tamOpcional + 40 * i;
      const uint32_t va = U32(pe, s + 12), tam = std::max(U32(pe, s + 8), U32(pe, s + 16));
      if (rva >= va && rva < va + tam) return U32(pe, s + 20) + (rva - va);
    }
    throw std::runtime_error("RVA fuera de las secciones");
  };
  const size_t base = desplazamiento(U32(pe, opcional + 96 + 16));
  RecursoVersion r;
  auto primera = [&](size_t directorio, uint32_t id) -> size_t {
    const uint32_t n = U16(pe, directorio + 12) + U16(pe, directorio + 14);
    for (uint32_t i = 0; i < n; ++i) {
      const size_t e = directorio + 16 + 8 * i;
      if (id == 0 || U32(pe, e) == id) return e;
    }
    throw std::runtime_error("sin entrada");
  };
  r.entradaTipo = primera(base, 16);
  const size_t nombre = primera(base + (U32(pe, r.entradaTipo + 4) & 0x7FFFFFFF), 0);
  const size_t idioma = primera(base + (U32(pe, nombre + 4) & 0x7FFFFFFF), 0);
  r.entradaDatos = base + U32(pe, idioma + 4);
  r.bloque = desplazamiento(U32(pe, r.entradaDatos));
  return r;
}

// ---- The table ------------------------------------------------------------

struct Caso {
  const char* nombre;
  // Damages the generated installation (application folder, registry store).
  std::function<void(const fs::path& app, const fs::path& registro)> dana;
  std::string mensaje;                        // refusal (kind 33), or "" when start-up goes on
  std::map<std::string, std::string> campos;  // window fields when it goes on; "{app}" = application folder
  // A notice (kind 33) shown over the window when it goes on, by a part of
  // its text; "" for none.
  std::string aviso = "";
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

void Configuracion(const fs::path& app, const std::string& bytes) { prueba::EscribeFichero(app / "Pindal.dll", bytes); }
void Programa(const fs::path& app, const std::function<void(std::string&)>& cambio) {
  std::string pe = prueba::LeeFichero(app / "Zelvano_Start.exe");
  cambio(pe);
  prueba::EscribeFichero(app / "Zelvano_Start.exe", pe);
}

const std::map<std::string, std::string> kNormal = {
    {"RutaTPV", "{app}/"}, {"RutaDatos", "{app}/Datos/"}, {"NombrePC", "PC1"}, {"NombreServidor", "SERVIDOR"},
    {"Version", "20.21.1.0"}};
const std::map<std::string, std::string> kVacios = {
    {"RutaTPV", ""}, {"RutaDatos", ""}, {"NombrePC", ""}, {"NombreServidor", ""}, {"Version", "20.21.1.0"}};

std::map<std::string, std::string> Con(std::map<std::string, std::string> base,
                                       const std::map<std::string, std::string>& cambios) {
  for (const auto& [k, v] : cambios) base[k] = v;
  return base;
}

const Caso kCasos[] = {
    // The configuration file: whatever it holds, a setting it does not give
    // reads empty, and a value is read up to 2,047 characters.
    {"Configuracion_Vacia", [](auto& app, auto&) { Configuracion(app, ""); }, "", kVacios, kSinCarpeta},
    {"Configuracion_BasuraBinaria", [](auto& app, auto&) { Configuracion(app, Basura(8192)); }, "", kVacios, kSinCarpeta},
    {"Configuracion_Utf16ConBom",
     [](auto& app, auto&) {
       Configuracion(app, "\xFF\xFE" + Utf16le(Seccion(constantes::SeccionInstalacion) + Lineas(Normales(app))));
     },
     "", kNormal},
    {"Configuracion_LineasSinIgual",
     [](auto& app, auto&) {
       Configuracion(app, texto::ACp1252(Seccion(constantes::SeccionInstalacion) + Lineas(Normales(app), false)));
     },
     "", kVacios, kSinCarpeta},
    // The first of two equal sections is the one read.
    {"Configuracion_SeccionDosVeces",
     [](auto& app, auto&) {
       Ajustes otros = Normales(app);
       otros.pc = u"OTRO";
       otros.servidor = u"OTRO";
       Configuracion(app, texto::ACp1252(Seccion(constantes::SeccionInstalacion) + Lineas(Normales(app)) +
                                         Seccion(constantes::SeccionInstalacion) + Lineas(otros)));
     },
     "", kNormal},
    {"Configuracion_ValorDe5000Caracteres",
     [](auto& app, auto&) {
       Ajustes a = Normales(app);
       a.pc = Texto(5000, u'X');
       Configuracion(app, texto::ACp1252(Seccion(constantes::SeccionInstalacion) + Lineas(a)));
     },
     "", Con(kNormal, {{"NombrePC", std::string(2047, 'X')}})},
    {"Configuracion_ClavesEnOtraSeccion",
     [](auto& app, auto&) { Configuracion(app, texto::ACp1252(Seccion(u"Zelvano") + Lineas(Normales(app)))); }, "",
     kVacios, kSinCarpeta},
    // A value stored without its scrambling (or damaged) is still passed
    // through the byte transform: the window shows what that gives, the
    // same on every machine, and nothing is touched.
    {"Configuracion_ValoresCifradosDanados",
     [](auto& app, auto&) {
       // The damaged pairs come first: of two equal names the first is read.
       using namespace constantes;
       Configuracion(app, texto::ACp1252(Seccion(constantes::SeccionInstalacion) + IdentNombrePC + u"=PC1\r\n" +
                                         IdentNombreServidor + u"=\x01\x7F\xFF\r\n" + Lineas(Normales(app))));
     },
     "",
     Con(kNormal, {{"NombrePC", texto::AUtf8(CifraBytes(u"PC1"))},
                   {"NombreServidor", texto::AUtf8(CifraBytes(u"\x01\x7F\xFF"))}})},

    // The registry store: unreadable, or a folder too long for any path.
    // No key then gives the folder, and the wizard's own location does.
    {"Registro_AlmacenIlegible", [](auto&, auto& registro) { prueba::EscribeFichero(registro, Basura(4096)); }, "",
     Con(kNormal, {{"ClaveRegistro", ""}})},
    {"Registro_RutaDe5000Caracteres",
     [](auto&, auto& registro) {
       ::setenv("ZELVANO_REGISTRO", registro.c_str(), 1);
       plataforma::Clave k;
       if (k.AbreOCrea(plataforma::Raiz::UsuarioActual, texto::DeUtf8(generador::ClavesProducto()[0])))
         k.EscribeTexto(u"Application Install Patch", u"/" + Texto(5000, u'a') + u"/");
       ::unsetenv("ZELVANO_REGISTRO");
     },
     "", Con(kNormal, {{"ClaveRegistro", generador::ClavesProducto()[0]}})},

    // "Zelvano_Start.exe": any damage to its version resource reads as no
    // version ("(null)"), which no accepted version equals.
    {"Programa_NoEsPE", [](auto& app, auto&) { prueba::EscribeFichero(app / "Zelvano_Start.exe", "MZ no\r\n"); },
     kVersionNoActualizable, {}},
    {"Programa_PETruncado", [](auto& app, auto&) { Programa(app, [](std::string& pe) { pe.resize(0x200); }); },
     kVersionNoActualizable, {}},
    {"Programa_PETruncadoEnElRecurso",
     [](auto& app, auto&) { Programa(app, [](std::string& pe) { pe.resize(Localiza(pe).bloque + 40); }); },
     kVersionNoActualizable, {}},
    {"Programa_DirectorioDeRecursosEnBucle",
     [](auto& app, auto&) {
       Programa(app, [](std::string& pe) { Pon32(pe, Localiza(pe).entradaTipo + 4, 0x80000000u); });
     },
     kVersionNoActualizable, {}},
    {"Programa_DirectorioFueraDelFichero",
     [](auto& app, auto&) {
       Programa(app, [](std::string& pe) { Pon32(pe, Localiza(pe).entradaTipo + 4, 0xFFFFFFF0u); });
     },
     kVersionNoActualizable, {}},
    {"Programa_DatosFueraDelFichero",
     [](auto& app, auto&) {
       Programa(app, [](std::string& pe) { Pon32(pe, Localiza(pe).entradaDatos, 0x7FFFFFF0u); });
     },
     kVersionNoActualizable, {}},
    {"Programa_LongitudDeBloqueQueMiente",
     [](auto& app, auto&) { Programa(app, [](std::string& pe) { Pon16(pe, Localiza(pe).bloque, 0xFFFF); }); },
     kVersionNoActualizable, {}},
    // A value length beyond its node is cut at the node: the text up to its
    // terminating zero is still the version.
    {"Programa_LongitudDeValorQueMiente",
     [](auto& app, auto&) {
       Programa(app, [](std::string& pe) {
         const size_t clave = pe.find(Utf16le(u"FileVersion"), Localiza(pe).bloque);
         Pon16(pe, clave - 4, 0x7FFF);
       });
     },
     "", kNormal},
    {"Programa_DatosDeVersionMasLargosQueElFichero",
     [](auto& app, auto&) {
       Programa(app, [](std::string& pe) {
         const RecursoVersion r = Localiza(pe);
         Pon32(pe, r.entradaDatos + 4, static_cast<uint32_t>(pe.size()));
       });
     },
     kVersionNoActualizable, {}},

    // The version text as the last node of its block, typed binary and
    // without a terminating zero (the translation block moved before the
    // strings, the strings after it cut): read as text it must stop at the
    // block's end; it once read as far again past it.
    {"Programa_VersionBinariaSinCeroAlFinalDelBloque",
     [](auto& app, auto&) {
       Programa(app, [](std::string& pe) {
         const RecursoVersion r = Localiza(pe);
         auto alinea = [](size_t x) { return (x + 3) & ~size_t{3}; };
         const size_t clave = pe.find(Utf16le(u"FileVersion"), r.bloque);
         const size_t nodo = clave - 6, fin = nodo + U16(pe, nodo), valor = alinea(clave + 2 * 12);
         for (size_t p = valor; p < fin; ++p) pe[p] = '1';
         Pon16(pe, nodo + 2, static_cast<uint32_t>(fin - valor));
         Pon16(pe, nodo + 4, 0);
         const size_t sfi = pe.find(Utf16le(u"StringFileInfo"), r.bloque) - 6;
         const size_t tabla = alinea(sfi + 6 + 2 * 15);
         const size_t vfi = pe.find(Utf16le(u"VarFileInfo"), r.bloque) - 6;
         std::string traduccion = pe.substr(vfi, U16(pe, vfi));
         traduccion.resize(alinea(traduccion.size()), '\0');
         std::string nuevo = pe.substr(r.bloque, sfi - r.bloque) + traduccion + pe.substr(sfi, fin - sfi);
         const size_t sfiNuevo = sfi - r.bloque + traduccion.size();
         Pon16(nuevo, 0, static_cast<uint32_t>(nuevo.size()));
         Pon16(nuevo, sfiNuevo, static_cast<uint32_t>(fin - sfi));
         Pon16(nuevo, sfiNuevo + (tabla - sfi), static_cast<uint32_t>(fin - tabla));
         pe.replace(r.bloque, nuevo.size(), nuevo);
         Pon32(pe, r.entradaDatos + 4, static_cast<uint32_t>(nuevo.size()));
       });
     },
     kVersionNoActualizable, {}},

    // Read-only files everywhere: start-up only reads.
    {"TodoDeSoloLectura",
     [](auto& app, auto& registro) {
       for (const auto& e : fs::recursive_directory_iterator(app))
         if (e.is_regular_file()) fs::permissions(e.path(), fs::perms::owner_write | fs::perms::group_write |
                                                             fs::perms::others_write, fs::perm_options::remove);
       fs::permissions(registro, fs::perms::owner_write, fs::perm_options::remove);
     },
     "", kNormal},
};

class EntradasMalas : public ::testing::TestWithParam<Caso> {};

TEST_P(EntradasMalas, FuncionaODaSuMensajeSinTocarNada) {
  const Caso& caso = GetParam();
  Escenario e;
  e.Genera(e.Opciones());
  caso.dana(e.Aplicacion(), e.Registro());
  const auto antes = e.Instantanea();

  ASSERT_EQ(e.Ejecuta(e.Aplicacion() / "Update" / "Act_202103_a_202128.exe", kGuionSalir), 0) << e.Salida();

  EXPECT_EQ(e.Instantanea(), antes) << "el arranque ha cambiado la instalación o el registro";
  EXPECT_TRUE(e.Eventos("excepcion").empty()) << e.Salida();
  const auto dialogos = e.Eventos("dialogo");
  if (!caso.mensaje.empty()) {
    ASSERT_EQ(dialogos.size(), 1u) << e.Salida();
    EXPECT_EQ(dialogos[0].Texto("tipo"), "33");
    EXPECT_EQ(dialogos[0].Texto("texto"), caso.mensaje);
    EXPECT_TRUE(e.Eventos("ventana").empty());
    return;
  }
  if (caso.aviso.empty()) {
    EXPECT_TRUE(dialogos.empty()) << dialogos[0].Texto("texto");
  } else {
    ASSERT_EQ(dialogos.size(), 1u) << e.Salida();
    EXPECT_EQ(dialogos[0].Texto("tipo"), "33");
    EXPECT_NE(dialogos[0].Texto("texto").find(caso.aviso), std::string::npos) << dialogos[0].Texto("texto");
  }
  const auto ventanas = e.Eventos("ventana");
  ASSERT_EQ(ventanas.size(), 1u) << e.Salida();
  for (const auto& [campo, valor] : caso.campos) {
    std::string esperado = valor;
    if (esperado.rfind("{app}", 0) == 0) esperado.replace(0, 5, e.Aplicacion().string());
    EXPECT_EQ(ventanas[0].Texto(campo), esperado) << campo;
  }
}

INSTANTIATE_TEST_SUITE_P(Filas, EntradasMalas, ::testing::ValuesIn(kCasos),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

// ---- A disk too small for the run -----------------------------------------

// A tmpfs of its own under the scenario, unmounted when the test ends.
class Montaje {
 public:
  Montaje(const fs::path& carpeta, const std::string& tamano) : carpeta_(carpeta) {
    fs::create_directories(carpeta);
    montado_ = ::mount("tmpfs", carpeta.c_str(), "tmpfs", 0, ("size=" + tamano).c_str()) == 0;
  }
  ~Montaje() {
    if (montado_) ::umount2(carpeta_.c_str(), MNT_DETACH);
  }
  bool Montado() const { return montado_; }

 private:
  fs::path carpeta_;
  bool montado_ = false;
};

// The installation on a 4 MB volume: the run needs more than that (its
// margin alone is larger), so "Iniciar" says how much it needs and how much
// is free, in MB, and the wizard ends before the save touches anything.
TEST(EspacioEnDisco, DiscoPequenoParaAntesDeEmpezarSinTocarNada) {
  if (::geteuid() != 0) GTEST_SKIP() << "montar un tmpfs para la prueba requiere ser root";
  Escenario e;
  Montaje montaje(e.Aplicacion(), "4m");
  if (!montaje.Montado()) GTEST_SKIP() << "no se pudo montar un tmpfs (¿contenedor sin CAP_SYS_ADMIN?)";
  e.Genera(e.Opciones());
  const auto antes = e.Instantanea();

  ASSERT_EQ(e.Ejecuta(e.Aplicacion() / "Update" / "Act_202103_a_202128.exe", kGuionIniciar), 0) << e.Salida();

  EXPECT_EQ(e.Instantanea(), antes) << "con el disco lleno no debe tocarse nada";
  const auto dialogos = e.Eventos("dialogo");
  ASSERT_EQ(dialogos.size(), 1u) << e.Salida();
  EXPECT_EQ(dialogos[0].Texto("tipo"), "33");
  const std::string texto = dialogos[0].Texto("texto");
  const std::regex forma("No hay espacio suficiente en el disco de la instalaci\xC3\xB3n \\((.*)\\)\\.\n"
                         "La actualizaci\xC3\xB3n necesita ([0-9.]+,[0-9]{2}) MB libres y solo hay "
                         "([0-9.]+,[0-9]{2}) MB\\.\n"
                         "Libere espacio en el disco y vuelva a intentarlo\\.");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(texto, m, forma)) << texto;
  EXPECT_EQ(m[1].str(), e.Aplicacion().string() + "/");
  auto mb = [](std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '.'), s.end());
    s[s.find(',')] = '.';
    return std::stod(s);
  };
  EXPECT_GT(mb(m[2].str()), 50.0) << "la estimación lleva al menos su margen";
  EXPECT_LE(mb(m[3].str()), 4.0);
  EXPECT_GT(mb(m[3].str()), 0.0);
}

// ---- A configuration that names this computer as the server -----------------

// The computer is PC1 (Escenario). A configuration whose server is this
// computer, under any spelling Windows takes for its name, but whose local
// name is another would have the run take the server for a client and
// delete its database: "Iniciar" says what to correct and ends the wizard
// before anything is touched, the database file in Datos included.
TEST(PapelDelEquipo, ConfiguracionContradictoriaParaAntesDeEmpezarSinTocarNada) {
  struct Caso {
    const char* servidor;
    const char* local;
    const char* localMostrado;
  };
  for (const Caso& c : {Caso{"pc1", "CAJA1", "CAJA1"}, Caso{"PC1", "", "(ninguno)"}}) {
    SCOPED_TRACE(c.servidor + std::string(" / ") + c.local);
    Escenario e;
    generador::Opciones o = e.Opciones();
    o.nombreServidor = c.servidor;
    o.nombrePC = c.local;
    e.Genera(o);
    // The data folder of the configuration is this installation's Datos: the
    // file is the server's live database.
    prueba::EscribeFichero(e.Aplicacion() / "Datos" / "QVD.FB", "base de datos en uso");
    const auto antes = e.Instantanea();

    ASSERT_EQ(e.Ejecuta(e.Aplicacion() / "Update" / "Act_202103_a_202128.exe", kGuionIniciar), 0) << e.Salida();

    EXPECT_EQ(e.Instantanea(), antes) << "con la configuración contradictoria no debe tocarse nada";
    const auto dialogos = e.Eventos("dialogo");
    ASSERT_EQ(dialogos.size(), 1u) << e.Salida();
    EXPECT_EQ(dialogos[0].Texto("tipo"), "33");
    EXPECT_EQ(dialogos[0].Texto("texto"),
              "La configuraci\xC3\xB3n de Zelvano se contradice: indica que este equipo es el servidor de la base "
              "de datos, pero le da otro nombre de equipo local. Actualizado as\xC3\xAD, este equipo se tomar\xC3\xAD"
              "a por un terminal y se borrar\xC3\xAD" "a su base de datos.\n"
              "Nombre de EQUIPO SERVIDOR: " + std::string(c.servidor) + "\n"
              "Nombre de EQUIPO LOCAL: " + c.localMostrado + "\n"
              "Nombre de este equipo en Windows: PC1\n"
              "No se ha borrado ni cambiado nada de la instalaci\xC3\xB3n.\n"
              "Si la base de datos est\xC3\xA1 en este equipo, corrija en la configuraci\xC3\xB3n de Zelvano el "
              "nombre de equipo local: debe ser PC1. Si est\xC3\xA1 en otro equipo, ponga el nombre de ese equipo "
              "como equipo servidor. Despu\xC3\xA9s vuelva a intentarlo.");
    EXPECT_TRUE(e.Eventos("formulario", "frm_Final").empty());
  }
}

}  // namespace
}  // namespace prueba_arranque
