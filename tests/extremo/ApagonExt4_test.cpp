// A real power cut on a real file system: the installation lives on an ext4
// volume (a loop-mounted image); the moment the wizard stops, the image file
// is copied at once, without a sync, so the copy holds only what the volume
// had written to its device: the dirty pages still in the page cache are not
// in it, exactly as a power cut loses them. The copy is mounted (the journal
// is replayed), the wizard is started there and the technician accepts what
// it offers: no file may be lost or left broken, and no success or "todos
// restaurados" may be said over one.
//
// Needs root, loop devices, mkfs.ext4 and mount: where one is missing the
// test is skipped and says why.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "tests/extremo/Arnes.h"

namespace {

using namespace prueba;

using Foto = std::map<std::string, std::string>;

Foto Fotografia(const fs::path& raiz) {
  Foto foto;
  for (auto it = fs::recursive_directory_iterator(raiz); it != fs::recursive_directory_iterator(); ++it)
    if (!it->is_symlink() && it->is_regular_file())
      foto[fs::relative(it->path(), raiz).generic_string()] = LeeFichero(it->path());
  return foto;
}

// Files of `esperado` (the log aside, rewritten by every start) missing from
// `ahora` ("-") or with other bytes ("*", with the size found).
std::string Perdidos(const Foto& esperado, const Foto& ahora) {
  std::string r;
  for (const auto& [ruta, bytes] : esperado) {
    if (ruta == "Excepciones_Act_202128.log") continue;
    const auto it = ahora.find(ruta);
    if (it == ahora.end()) r += "-" + ruta + "\n";
    else if (it->second != bytes) r += "*" + ruta + " (" + std::to_string(it->second.size()) + " bytes)\n";
  }
  return r;
}

bool Contiene(const std::string& t, const std::string& p) { return t.find(p) != std::string::npos; }

// Why this machine cannot run the test; empty when it can.
std::string Falta() {
  if (::geteuid() != 0) return "hace falta ser root para montar un volumen";
  if (!fs::exists("/dev/loop-control")) return "no hay dispositivos loop (/dev/loop-control)";
  for (const char* p : {"/usr/sbin/mkfs.ext4", "/usr/sbin/losetup"})
    if (!fs::exists(p)) return std::string("falta ") + p;
  return "";
}

int Orden(const std::string& orden) { return std::system(orden.c_str()); }

// The loop device mounted on `punto` for as long as this lives.
class Montaje {
 public:
  Montaje(const fs::path& imagen, const fs::path& punto) : punto_(punto) {
    fs::create_directories(punto);
    montado_ = Orden("mount -o loop '" + imagen.string() + "' '" + punto.string() + "'") == 0;
  }
  ~Montaje() { Desmonta(); }
  void Desmonta() {
    if (montado_) Orden("umount '" + punto_.string() + "'");
    montado_ = false;
  }
  bool Montado() const { return montado_; }

 private:
  fs::path punto_;
  bool montado_ = false;
};

enum class Momento { GuardadoAnotado, TrasElExito, TrasLaReposicion };
struct Caso {
  const char* nombre;
  Momento momento;
};
void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

class ApagonEnExt4 : public ::testing::TestWithParam<Caso> {};

std::vector<std::string> Lineas(const std::string& s) {
  std::vector<std::string> r;
  std::istringstream e(s);
  for (std::string l; std::getline(e, l);)
    if (!l.empty()) r.push_back(l);
  return r;
}

// The number of the operation that a traced run of the same installation
// makes at the moment asked for (0 when not found): the one after the
// journal says the save is complete, or the writing of the archive (made to
// fail: the run then rolls back).
size_t Operacion(Momento momento) {
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.nombrePC = "CAJA1";
  opciones.baseDatos = false;
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const fs::path traza = carpeta.Ruta() / "operaciones.txt";
  EXPECT_EQ(EjecutaAsistente(inst, kGuionCompleto, {{"ZELVANO_TRAZA_OPERACIONES", traza.string()}}).estado, 0);
  const std::vector<std::string> ops = Lineas(LeeFichero(traza));
  int diario = 0;
  for (size_t i = 0; i < ops.size(); ++i) {
    if (momento == Momento::GuardadoAnotado && Contiene(ops[i], " escribe_seguro ") &&
        Contiene(ops[i], "Diario_202128.ini") && ++diario == 2)
      return i + 2;
    if (momento == Momento::TrasLaReposicion && Contiene(ops[i], "Datos_Nuevos.rar") && !Contiene(ops[i], " borra "))
      return i + 1;
  }
  return 0;
}

TEST_P(ApagonEnExt4, LaCopiaDelVolumenAlPararseNoPierdeNadaNiDiceExitoEnFalso) {
  const std::string falta = Falta();
  if (!falta.empty()) GTEST_SKIP() << "sin volumen ext4 de prueba: " << falta;
  const Caso& caso = GetParam();
  const size_t n = caso.momento == Momento::TrasElExito ? 0 : Operacion(caso.momento);
  ASSERT_TRUE(caso.momento == Momento::TrasElExito || n > 0);

  CarpetaTemporal carpeta;
  const fs::path imagen = carpeta.Ruta() / "volumen.ext4", copia = carpeta.Ruta() / "copia.ext4";
  const fs::path punto = carpeta.Ruta() / "volumen";
  ASSERT_EQ(Orden("truncate -s 96M '" + imagen.string() + "' && mkfs.ext4 -q -F '" + imagen.string() + "'"), 0);
  Foto antes, logico;
  std::string registroLogico;
  Instalacion inst;
  {
    Montaje montaje(imagen, punto);
    if (!montaje.Montado()) GTEST_SKIP() << "sin volumen ext4 de prueba: no se ha podido montar la imagen";
    OpcionesInstalacion opciones;
    opciones.nombrePC = "CAJA1";
    opciones.baseDatos = false;
    inst = GeneraInstalacion(punto, opciones);
    ::sync();  // the installation at rest is on the disk
    antes = Fotografia(inst.aplicacion);

    std::map<std::string, std::string> entorno;
    if (caso.momento == Momento::GuardadoAnotado) entorno["ZELVANO_MATA_EN"] = std::to_string(n);
    if (caso.momento == Momento::TrasLaReposicion) entorno["ZELVANO_FALLO_EN"] = std::to_string(n);
    fs::remove(inst.transcripcion);
    const Resultado r = EjecutaAsistente(inst, kGuionCompleto, entorno);
    // The power goes now: what the volume had not written is lost.
    ASSERT_EQ(Orden("cp --sparse=always '" + imagen.string() + "' '" + copia.string() + "'"), 0);
    ASSERT_EQ(r.estado, caso.momento == Momento::GuardadoAnotado ? -1 : 0) << r.salida;
    if (caso.momento == Momento::GuardadoAnotado) {
      ASSERT_TRUE(Contiene(LeeFichero(inst.aplicacion / "Temp" / "Diario_202128.ini"), "Etapa=GuardadoCompleto"));
    }
    // What the run left, as it saw it.
    logico = Fotografia(inst.aplicacion);
    registroLogico = LeeFichero(inst.registro);
    if (caso.momento == Momento::TrasLaReposicion) {
      const std::vector<Json> d = Dialogos(inst);
      ASSERT_FALSE(d.empty());
      ASSERT_EQ(d.back().Texto("texto"),
                "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización");
    }
  }

  // Power back: the copy's journal is replayed on mounting.
  Montaje montaje(copia, punto);
  ASSERT_TRUE(montaje.Montado());
  fs::remove(inst.transcripcion);
  // An offer is accepted; a start with nothing to put right shows the main
  // window, which the technician leaves.
  const Resultado r = EjecutaAsistente(
      inst, caso.momento == Momento::GuardadoAnotado ? "frmDialogo pulsa BtnOK\n" : "fV pulsa BtnSalir\n");
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<Json> dialogos = Dialogos(inst);
  const Foto ahora = Fotografia(inst.aplicacion);
  switch (caso.momento) {
    case Momento::GuardadoAnotado:
      // The interrupted run is offered and undone: every file as before.
      ASSERT_FALSE(dialogos.empty());
      EXPECT_TRUE(Contiene(dialogos[0].Texto("texto"), "Se ha encontrado una actualización que no terminó."))
          << Textos(dialogos);
      EXPECT_EQ(dialogos.back().Texto("texto"),
                "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización")
          << Textos(dialogos);
      EXPECT_EQ(Perdidos(antes, ahora), "") << Textos(dialogos);
      break;
    case Momento::TrasElExito:
      // Every new file, the copy of the old ones and the registry survived:
      // the next start offers nothing and finds the new version, which it
      // does not update again.
      EXPECT_EQ(Perdidos(logico, ahora), "") << Textos(dialogos);
      EXPECT_EQ(LeeFichero(inst.registro), registroLogico);
      ASSERT_EQ(dialogos.size(), 1u) << Textos(dialogos);
      EXPECT_EQ(dialogos[0].Texto("texto").rfind("Solo las Versiones entre 20.21.0.3 y 20.21.1.8", 0), 0u);
      break;
    case Momento::TrasLaReposicion:
      // What the rollback put back is there, and nothing is offered again.
      EXPECT_EQ(Perdidos(antes, ahora), "") << Textos(dialogos);
      EXPECT_EQ(Perdidos(logico, ahora), "") << Textos(dialogos);
      EXPECT_TRUE(dialogos.empty()) << Textos(dialogos);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Apagon, ApagonEnExt4,
                         ::testing::Values(Caso{"GuardadoAnotado", Momento::GuardadoAnotado},
                                           Caso{"TrasElExito", Momento::TrasElExito},
                                           Caso{"TrasLaReposicion", Momento::TrasLaReposicion}),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

}  // namespace
