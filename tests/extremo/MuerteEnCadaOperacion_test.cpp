// A kill (or a power cut) at every operation of a whole run, client and
// server, and the next start: nothing of the installation may be lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/extremo/Recuperacion.h"

namespace {

using namespace prueba;

// ---- A kill at every operation of a run ------------------------------------------------

// The installation is made once and put back before every kill, at the same
// path (its registry key and configuration name it). The platform layer
// kills the wizard just before its Nth operation; the next start accepts
// whatever it offers, and the installation must then hold every file it
// held before the first run; the update then runs to success. A server run
// is walked with a stride: every one of its kills costs a database
// migration, backup and restore.
struct CasoRecorrido {
  const char* nombre;
  const char* nombrePC;
  int paso;
  // A power cut instead of a kill: what was not flushed is lost too
  // (ZELVANO_CORTE_EN). Then no file of the installation may be left
  // different from both its version before the run and after a good run.
  bool corte = false;
};
void PrintTo(const CasoRecorrido& c, std::ostream* os) { *os << c.nombre; }

class MuerteEnCadaOperacion : public ::testing::TestWithParam<CasoRecorrido> {};

std::vector<std::string> LineasDe(const fs::path& fichero) {
  std::vector<std::string> lineas;
  std::istringstream s(LeeFichero(fichero));
  for (std::string l; std::getline(s, l);)
    if (!l.empty()) lineas.push_back(l);
  return lineas;
}

TEST_P(MuerteEnCadaOperacion, ElSiguienteArranqueLoDejaTodoComoEstabaYLaActualizacionTerminaBien) {
  const CasoRecorrido& caso = GetParam();
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = caso.nombrePC;
  const bool servidor = opciones.nombrePC == opciones.servidor;
  opciones.baseDatos = servidor;
  opciones.extra = {"--temp-anterior", "--pindal-dat"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const fs::path plantilla = carpeta.Ruta() / "plantilla";
  fs::copy(inst.aplicacion, plantilla, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const std::string registro = LeeFichero(inst.registro);
  const fs::path fuera = carpeta.Ruta() / "fuera" / "ajeno.txt";
  EscribeFichero(fuera, "nada que ver con Zelvano");
  const auto repone = [&] {
    fs::remove_all(inst.aplicacion);
    fs::copy(plantilla, inst.aplicacion, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    EscribeFichero(inst.registro, registro);
  };
  const Foto antes = Fotografia(inst.aplicacion);
  const std::string versionAntes = servidor ? Version(inst) : "";
  const fs::path traza = carpeta.Ruta() / "operaciones.txt";

  // How many operations a whole run makes.
  const Resultado contada = EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}});
  ASSERT_EQ(contada.estado, 0) << contada.salida;
  const std::vector<std::string> referencia = LineasDe(traza);
  const size_t total = referencia.size();
  const Foto bueno = Fotografia(inst.aplicacion);
  // Outside these checks: the saved copies, the log (rewritten by every
  // start) and the database file (compared by its version).
  const auto Comparable = [&](const std::string& ruta) {
    // The database backup a server run makes holds the time it was made: no
    // two runs write the same bytes.
    return ruta.rfind("Temp", 0) != 0 && ruta != "Excepciones_Act_202128.log" && ruta != "Datos/QVD.FB" &&
           ruta != "Datos/QVD.FBK";
  };
  // Files left different from both their version before the run and after
  // a good one ("-" for one cut short).
  const auto Estropeados = [&](const Foto& ahora) {
    std::string r;
    for (const auto& [ruta, bytes] : ahora) {
      if (!Comparable(ruta)) continue;
      const auto a = antes.find(ruta), b = bueno.find(ruta);
      if (a == antes.end() && b == bueno.end()) continue;
      if ((a != antes.end() && a->second == bytes) || (b != bueno.end() && b->second == bytes)) continue;
      r += ruta + " (" + std::to_string(bytes.size()) + " bytes)\n";
    }
    return r;
  };
  ASSERT_GT(total, 50u);
  // The server's backup and restore are polled for as long as they last: one
  // kill among each run of those polls stands for all of them (and their
  // number differs from run to run).
  std::vector<size_t> puntos;
  for (size_t i = 0; i < total; ++i) {
    const bool sondeo = Contiene(referencia[i], " bd_servicio_consulta");
    if (!sondeo || i == 0 || !Contiene(referencia[i - 1], " bd_servicio_consulta")) puntos.push_back(i + 1);
  }

  // The sanitizer build walks every ZELVANO_RECORRIDO_PASO-th point of these.
  size_t paso = static_cast<size_t>(caso.paso);
  if (const char* e = std::getenv("ZELVANO_RECORRIDO_PASO")) paso *= std::max(1ul, std::strtoul(e, nullptr, 10));
  size_t muertes = 0, repuestas = 0, acabadas = 0, limpiandoTemp = 0, conservadas = 0;
  for (size_t p = 0; p < puntos.size(); p += paso) {
    const size_t n = puntos[p];
    repone();
    fs::remove(traza);
    std::map<std::string, std::string> entorno = {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}};
    if (caso.corte) {
      entorno["ZELVANO_CORTE_EN"] = std::to_string(n);
      entorno["ZELVANO_CORTE_RAIZ"] = inst.aplicacion.string();
    } else {
      entorno["ZELVANO_MATA_EN"] = std::to_string(n);
    }
    const Resultado muerto = Arranca(inst, kGuionCompleto, entorno);
    const std::vector<std::string> hechas = LineasDe(traza);
    const std::string operacion = hechas.empty() ? "?" : hechas.back();
    SCOPED_TRACE("muerto antes de la operación " + operacion);
    // The polls of a server run are as many as its backup and restore take:
    // a run may end with fewer operations than the counted one.
    if (servidor && muerto.estado == 0 && n > total - 60) break;
    ASSERT_EQ(muerto.estado, -1) << "corte en " << n << "\n" << muerto.salida << Textos(Dialogos(inst));
    ++muertes;
    // Killed while the end of a good run was throwing away the copies of
    // the earlier update: those are gone as a good run would leave them.
    const bool limpiando = std::any_of(hechas.begin(), hechas.end(), [](const std::string& l) {
      return Contiene(l, "Temp_V_Ant") && (Contiene(l, " borra ") || Contiene(l, " elimina_carpeta "));
    });
    const Diario d = LeeDiario(inst);
    const bool acabada = d.etapa == "RegistroEscrito" || d.cerrado;

    const Resultado r = Arranca(inst, "frmDialogo pulsa BtnOK\n");
    ASSERT_EQ(r.estado, 0) << r.salida;
    EXPECT_EQ(LeeFichero(fuera), "nada que ver con Zelvano");
    if (caso.corte) {
      // Whatever the start said, nothing is left half-written.
      EXPECT_EQ(Estropeados(Fotografia(inst.aplicacion)), "") << Textos(Dialogos(inst));
    }
    EXPECT_FALSE(LeeDiario(inst).existe && !LeeDiario(inst).cerrado);
    if (acabada) {
      ++acabadas;
      EXPECT_TRUE(fs::exists(inst.aplicacion / "Zelvano_Start.exe"));
      continue;
    }
    // The database server may still hold its file (a backup or restore
    // it was running for the killed wizard goes on): the rollback then
    // keeps its copies and says so, and every file must be findable there.
    const std::vector<Json> dialogos = Dialogos(inst);
    if (std::any_of(dialogos.begin(), dialogos.end(), [](const Json& j) { return Tipo(j) == "69"; })) {
      ++conservadas;
      EXPECT_TRUE(servidor) << Textos(dialogos);
      const Foto ahora = Fotografia(inst.aplicacion);
      for (const auto& [ruta, bytes] : antes) {
        if (ruta == "Datos/QVD.FB") continue;
        const auto aqui = ahora.find(ruta);
        const auto copia = ahora.find("Temp/202103_202128/" + ruta);
        const auto temp = ruta.rfind("Temp/", 0) == 0 ? ahora.find("Temp_V_Ant/" + ruta.substr(5)) : ahora.end();
        const bool hallado = (aqui != ahora.end() && aqui->second == bytes) ||
                             (copia != ahora.end() && copia->second == bytes) ||
                             (temp != ahora.end() && temp->second == bytes);
        EXPECT_TRUE(hallado) << ruta;
      }
      ActualizaConExito(inst, true);
      if (HasFailure()) break;
      continue;
    }
    ++repuestas;
    Foto esperado = antes;
    if (servidor) esperado.erase("Datos/QVD.FB");
    if (limpiando) {
      ++limpiandoTemp;
      for (auto it = esperado.begin(); it != esperado.end();)
        it = it->first.rfind("Temp/", 0) == 0 ? esperado.erase(it) : std::next(it);
    }
    EXPECT_EQ(Perdidos(esperado, Fotografia(inst.aplicacion)), "");
    EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp_V_Ant"));
    EXPECT_FALSE(fs::exists(inst.aplicacion / "Temp" / "202103_202128"));
    if (servidor) {
      EXPECT_EQ(Version(inst), versionAntes);
    }
    ActualizaConExito(inst);
    if (HasFailure()) break;
  }
  std::printf(
      "[ cifras ] %s: %zu operaciones, %zu muertes (o apagones), %zu instalaciones repuestas (%zu mientras se borraba "
      "Temp_V_Ant), %zu con las copias conservadas, %zu ya actualizadas\n",
      caso.nombre, total, muertes, repuestas, limpiandoTemp, conservadas, acabadas);
}

INSTANTIATE_TEST_SUITE_P(Recuperacion, MuerteEnCadaOperacion,
                         ::testing::Values(CasoRecorrido{"Cliente", "CAJA1", 1},
                                           CasoRecorrido{"Servidor", "localhost", 7},
                                           CasoRecorrido{"ClienteApagon", "CAJA1", 1, true},
                                           CasoRecorrido{"ServidorApagon", "localhost", 7, true}),
                         [](const ::testing::TestParamInfo<CasoRecorrido>& i) { return std::string(i.param.nombre); });

}  // namespace

// ---- A power cut just after a save that could not be completed was undone --------------

// The save rotated Temp (its earlier content copied into Temp_V_Ant, flushed,
// and Temp emptied), then could not copy a program file: the run stops
// unchanged, copying Temp_V_Ant back into Temp and deleting Temp_V_Ant. A
// power cut right after that must not cost the earlier content of Temp.
TEST(ApagonTrasDeshacerElGuardado, ElContenidoAnteriorDeTempNoSePierde) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.baseDatos = false;
  opciones.extra = {"--temp-anterior"};
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const fs::path plantilla = carpeta.Ruta() / "plantilla";
  fs::copy(inst.aplicacion, plantilla, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  const std::string registro = LeeFichero(inst.registro);
  const auto repone = [&] {
    fs::remove_all(inst.aplicacion);
    fs::copy(plantilla, inst.aplicacion, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    EscribeFichero(inst.registro, registro);
  };
  const Foto tempAntes = SinPrefijo(Fotografia(inst.aplicacion), "Temp/");
  ASSERT_FALSE(tempAntes.empty());
  const fs::path traza = carpeta.Ruta() / "operaciones.txt";
  const auto Numero = [](const std::string& linea) { return std::stoul(linea.substr(0, linea.find(' '))); };

  // Where the save copies Zelvano.exe.
  ASSERT_EQ(EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}}).estado, 0);
  unsigned long copiaPrograma = 0;
  for (const std::string& l : LineasDe(traza))
    if (!copiaPrograma && Contiene(l, " copia ") && Contiene(l, "202103_202128\\Zelvano.exe")) copiaPrograma = Numero(l);
  ASSERT_NE(copiaPrograma, 0u) << LeeFichero(traza).substr(0, 3000);

  // That copy fails: where the undone save deletes Temp_V_Ant.
  repone();
  fs::remove(traza);
  const std::string fallo = std::to_string(copiaPrograma);
  EjecutaAsistente(inst, kGuionCompleto + "frmDialogo pulsa BtnOK\n",
                   {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}, {"ZELVANO_FALLO_EN", fallo}});
  unsigned long borrada = 0;
  for (const std::string& l : LineasDe(traza))
    if (Contiene(l, " elimina_carpeta ") && Contiene(l, "Temp_V_Ant")) borrada = Numero(l);
  ASSERT_NE(borrada, 0u);

  // The power goes just after.
  repone();
  const Resultado cortado =
      Arranca(inst, kGuionCompleto + "frmDialogo pulsa BtnOK\n",
              {{"ZELVANO_FALLO_EN", fallo}, {"ZELVANO_CORTE_EN", std::to_string(borrada + 1)},
               {"ZELVANO_CORTE_RAIZ", inst.aplicacion.string()}});
  ASSERT_EQ(cortado.estado, -1) << cortado.salida;
  ASSERT_EQ(Arranca(inst, "frmDialogo pulsa BtnOK\n").estado, 0);

  // Every earlier file of Temp is whole somewhere: in Temp, in Temp_V_Ant or
  // in a folder set aside.
  const Foto ahora = Fotografia(inst.aplicacion);
  std::string perdidos;
  for (const auto& [ruta, bytes] : tempAntes) {
    bool hallado = false;
    for (const auto& [donde, tiene] : ahora)
      hallado = hallado || (tiene == bytes && donde.size() >= ruta.size() &&
                            donde.compare(donde.size() - ruta.size(), ruta.size(), ruta) == 0 &&
                            !Contiene(donde, "202103_202128"));
    if (!hallado) perdidos += ruta + " (" + std::to_string(bytes.size()) + " bytes)\n";
  }
  EXPECT_EQ(perdidos, "");
}
