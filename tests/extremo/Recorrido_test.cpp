// The whole run walked operation by operation: each operation of the
// platform layer (files, registry, processes) and each call of the Firebird
// client is made to fail in turn, and after every run what a shop owner
// needs is checked: no file of the installation lost, no database stamped
// half-migrated, no success reported over an incomplete update, nothing
// outside the installation touched, no run that does not end.
//
// ZELVANO_RECORRIDO_PASO=K walks every K-th operation only (the sanitizer
// build uses it); the server run's service queries (two per line of backup
// and restore output, thousands) are always sampled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "tests/extremo/Arnes.h"

namespace prueba {
namespace {

const std::string& kFinal = kLineaFinal;
const std::string kNuevoNombreW = "A Cliente, Vales/Tarjetas Empresa";

// Path (relative, '/') -> content digest; folders are not listed.
using Huellas = std::map<std::string, size_t>;

Huellas LeeHuellas(const fs::path& raiz) {
  Huellas h;
  if (!fs::exists(raiz)) return h;
  for (auto it = fs::recursive_directory_iterator(raiz); it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_symlink()) {
      h[it->path().lexically_relative(raiz).string()] = std::hash<std::string>()("->" + fs::read_symlink(it->path()).string());
      it.disable_recursion_pending();
    } else if (it->is_regular_file()) {
      h[it->path().lexically_relative(raiz).string()] = std::hash<std::string>()(LeeFichero(it->path()));
    }
  }
  return h;
}

// Where a file of the installation may be found after a run: in place, in
// the backup folder, in the copy of the earlier Temp, or set aside under
// Temp\Conservada_...; this gives the place it had before the run.
std::string Origen(const std::string& ruta) {
  auto sin = [](const std::string& r, const std::string& prefijo) { return r.substr(prefijo.size()); };
  std::string r = ruta;
  if (r.rfind("Temp/Conservada_", 0) == 0) {
    const auto barra = r.find('/', 5);
    if (barra == std::string::npos) return r;
    r = "Temp/" + r.substr(barra + 1);  // Temp/<what was set aside>
    if (r.rfind("Temp/Temp_V_Ant/", 0) == 0) return "Temp/" + sin(r, "Temp/Temp_V_Ant/");
  }
  if (r.rfind("Temp/202103_202128/", 0) == 0) return sin(r, "Temp/202103_202128/");
  if (r.rfind("Temp_V_Ant/", 0) == 0) return "Temp/" + sin(r, "Temp_V_Ant/");
  return r;
}

struct Caso {
  const char* nombre;
  bool servidor;
  const char* error;  // ZELVANO_FALLO_ERROR
  // The kinds of operation that fail with this error; empty: every kind.
  std::set<std::string> tipos;
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

struct Operacion {
  unsigned long n;
  std::string tipo;
};

std::vector<Operacion> LeeTraza(const fs::path& fichero) {
  std::vector<Operacion> ops;
  std::istringstream s(LeeFichero(fichero));
  std::string linea;
  while (std::getline(s, linea)) {
    std::istringstream l(linea);
    Operacion o;
    if (l >> o.n >> o.tipo) ops.push_back(o);
  }
  return ops;
}

// Every operation but the service queries, of which the first and last of
// each service and a sample in between; then every K-th of those.
std::vector<unsigned long> Elegidas(const std::vector<Operacion>& ops, const Caso& caso) {
  std::vector<unsigned long> r;
  unsigned long paso = 1;
  if (const char* p = std::getenv("ZELVANO_RECORRIDO_PASO")) paso = std::max(1ul, std::strtoul(p, nullptr, 10));
  for (size_t i = 0; i < ops.size(); ++i) {
    const Operacion& o = ops[i];
    if (!caso.tipos.empty() && !caso.tipos.count(o.tipo)) continue;
    if (o.tipo == "bd_servicio_consulta") {
      const bool borde = i == 0 || ops[i - 1].tipo != o.tipo || i + 1 == ops.size() || ops[i + 1].tipo != o.tipo;
      if (!borde && o.n % 401 != 0) continue;
    }
    r.push_back(o.n);
  }
  std::vector<unsigned long> cada;
  for (size_t i = 0; i < r.size(); i += paso) cada.push_back(r[i]);
  return cada;
}

class Recorrido : public ::testing::TestWithParam<Caso> {};

// A run with no fault, traced, gives the operations to walk; then each run
// starts from a fresh copy of the same installation.
TEST_P(Recorrido, NingunFalloPierdeDatosNiPasaPorExito) {
  const Caso& caso = GetParam();
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.version = "20.21.1.0";
  opciones.nombrePC = caso.servidor ? "localhost" : "CAJA1";
  opciones.baseDatos = caso.servidor;
  opciones.extra = {"--temp-anterior", "--pindal-dat"};
  // The installation is generated where every run will find it (its
  // configuration and registry name that folder), then kept aside as the
  // model that each run starts from.
  const fs::path modelo = carpeta.Ruta() / "modelo";
  const fs::path trabajo = carpeta.Ruta() / "trabajo";
  fs::create_directories(trabajo);
  const Instalacion plantilla = GeneraInstalacion(trabajo, opciones);
  // Links that lead out of the installation: one inside "Datos", one as an
  // obsolete folder. What they point to must never change.
  const fs::path fuera = carpeta.Ruta() / "fuera";
  EscribeFichero(fuera / "ajeno.txt", "no es de la instalación");
  EscribeFichero(fuera / "captura" / "otra.txt", "tampoco");
  fs::create_directory_symlink(fuera, plantilla.aplicacion / "Datos" / "EnlaceFuera");
  fs::remove_all(plantilla.aplicacion / "CapturaExcepciones");
  fs::create_directory_symlink(fuera / "captura", plantilla.aplicacion / "CapturaExcepciones");
  const Huellas fueraAntes = LeeHuellas(fuera);
  fs::rename(trabajo, modelo);
  auto Prepara = [&]() {
    fs::remove_all(trabajo);
    fs::copy(modelo, trabajo, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return plantilla;
  };

  Instalacion inst = Prepara();
  const Huellas antes = LeeHuellas(inst.aplicacion);
  // The links themselves are not the shop's data: one inside "Datos" stays
  // where it is, the obsolete folder that is a link goes as a link.
  std::set<std::string> enlaces;
  for (const auto& [ruta, h] : antes)
    if (fs::is_symlink(inst.aplicacion / ruta)) enlaces.insert(ruta);
  // The server's database file changes with every attach (and with the
  // product's level procedure, run before the save): it is compared by what
  // it holds, in (b), not by its bytes.
  auto PorContenido = [&](const std::string& ruta) {
    return enlaces.count(ruta) || (caso.servidor && ruta == "Datos/QVD.FB");
  };
  const std::string versionAntes = caso.servidor ? ConsultaSql(inst.baseDatos, "SELECT VERSION_ZELVANO FROM EMPRESA;") : "";
  const fs::path traza = carpeta.Ruta() / "traza.txt";
  const Resultado limpio = EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}});
  ASSERT_EQ(limpio.estado, 0) << limpio.salida;
  std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u);
  ASSERT_EQ(lineas[lineas.size() - 3], kFinal);
  // What the archive brings, as the clean run left it.
  Huellas archivo;
  for (const auto& [ruta, h] : LeeHuellas(inst.aplicacion))
    if (!antes.count(ruta) || antes.at(ruta) != h)
      if (ruta.rfind("Temp", 0) != 0 && ruta != "Excepciones_Act_202128.log" && ruta.rfind("Datos/", 0) != 0)
        archivo[ruta] = h;
  const std::vector<Operacion> ops = LeeTraza(traza);
  const std::vector<unsigned long> elegidas = Elegidas(ops, caso);
  ASSERT_FALSE(elegidas.empty());

  int exitos = 0, repuestos = 0, detenidos = 0, incompletos = 0;
  for (const unsigned long n : elegidas) {
    SCOPED_TRACE("operación " + std::to_string(n) + " (" + ops[n - 1].tipo + ")");
    inst = Prepara();
    const Resultado r = EjecutaAsistente(
        inst, kGuionCompleto, {{"ZELVANO_FALLO_EN", std::to_string(n)}, {"ZELVANO_FALLO_ERROR", caso.error}});
    // (e) every run ends, by itself, with status 0.
    ASSERT_EQ(r.estado, 0) << r.salida;
    // Success is the final screen (the log file itself may be what failed).
    const std::vector<Json> eventos = LeeTranscripcion(inst.transcripcion);
    const bool exito = !Eventos(eventos, "formulario", "frm_Final").empty();
    const Huellas despues = LeeHuellas(inst.aplicacion);

    // (a) every file of the installation is still somewhere, whole.
    std::set<std::pair<std::string, size_t>> hallados;
    for (const auto& [ruta, h] : despues) hallados.insert({Origen(ruta), h});
    for (const auto& [ruta, h] : antes) {
      // A successful run may drop the copies of an earlier update (Temp_V_Ant).
      if (PorContenido(ruta) || (exito && ruta.rfind("Temp/", 0) == 0)) continue;
      EXPECT_TRUE(hallados.count({ruta, h})) << "perdido: " << ruta;
    }
    // (d) nothing outside the installation changed.
    EXPECT_EQ(LeeHuellas(fuera), fueraAntes);

    const std::vector<Json> dialogos = Eventos(eventos, "dialogo");
    const std::string ultimo = dialogos.empty() ? "" : dialogos.back().Texto("texto");
    bool incompleto = false;
    if (exito) {
      ++exitos;
      // (c) success only with the saved copy whole and the archive in place.
      for (const auto& [ruta, h] : antes) {
        const bool guardado = ruta.rfind("Datos/", 0) == 0 || ruta.rfind("BDD Predefinidas/", 0) == 0 ||
                              ruta == "Zelvano_Start.exe" || ruta == "Zelvano.exe" || ruta == "Zelvano.dll" ||
                              ruta == "Corvisto.exe" || ruta == "Pindal.dat" || ruta == "Pindal.dll";
        if (guardado && !PorContenido(ruta)) {
          const auto it = despues.find("Temp/202103_202128/" + ruta);
          EXPECT_TRUE(it != despues.end() && it->second == h) << "copia incompleta: " << ruta;
        }
      }
      for (const auto& [ruta, h] : archivo) {
        const auto it = despues.find(ruta);
        EXPECT_TRUE(it != despues.end() && it->second == h) << "no extraído: " << ruta;
      }
    } else if (ultimo.rfind("Se han restaurado todos sus Datos Anteriores.", 0) == 0) {
      ++repuestos;
      // A complete rollback: the installation's own files are back in place.
      for (const auto& [ruta, h] : antes) {
        if (ruta.rfind("Temp", 0) == 0 || PorContenido(ruta)) continue;
        const auto it = despues.find(ruta);
        EXPECT_TRUE(it != despues.end() && it->second == h) << "no repuesto: " << ruta;
      }
    } else if (ultimo.find("No se han podido restaurar todos sus Datos Anteriores.") == std::string::npos) {
      // Stopped before anything was changed: by the save (what could not be
      // saved, and what to do) or at start-up (the installation refused).
      ++detenidos;
      for (const auto& [ruta, h] : antes) {
        if (PorContenido(ruta)) continue;
        const auto it = despues.find(ruta);
        EXPECT_TRUE(it != despues.end() && it->second == h) << "cambiado: " << ruta;
      }
    } else {
      // A rollback that could not put everything back says so, and where
      // the copies are; (a) above shows that they are.
      ++incompletos;
      incompleto = true;
    }

    // (b) the database is stamped only with all its batches, and comes back
    // with "Datos" after a failure.
    if (caso.servidor) {
      EXPECT_TRUE(fs::exists(inst.FicheroBaseDatos()));
      const std::string version = ConsultaSql(inst.baseDatos, "SELECT VERSION_ZELVANO FROM EMPRESA;");
      if (version.find("20.21.2.8") != std::string::npos) {
        const std::string w = ConsultaSql(inst.baseDatos, "SELECT NOMBRE FROM FORMAS_PAGO WHERE CODIGO = 'W';");
        EXPECT_NE(w.find(kNuevoNombreW), std::string::npos) << w;
      }
      if (!exito && !incompleto) {
        EXPECT_EQ(version, versionAntes);
      }
    }
  }
  std::printf("[ recorrido ] %s: %zu operaciones en la ejecución, %zu fallos inyectados: %d terminaron bien, %d "
              "se repusieron, %d se detuvieron sin cambios, %d avisaron de una reposición incompleta\n",
              caso.nombre, ops.size(), elegidas.size(), exitos, repuestos, detenidos, incompletos);
}

const std::set<std::string> kEscrituras = {"copia", "escribe", "crea_carpeta", "mueve", "flujo", "perfil",
                                           "registro_escribe", "registro_crea"};

INSTANTIATE_TEST_SUITE_P(
    Extremo, Recorrido,
    ::testing::Values(Caso{"ClienteDenegado", false, "denegado", {}},
                      Caso{"ClienteDiscoLleno", false, "disco_lleno", kEscrituras},
                      Caso{"ClienteRutaLarga", false, "ruta_larga", kEscrituras},
                      Caso{"ServidorDenegado", true, "denegado", {}}),
    [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

}  // namespace
}  // namespace prueba
