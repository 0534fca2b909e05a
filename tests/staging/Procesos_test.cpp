// The extraction command line, the archive writer and the two process
// operations, with real processes.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "staging/Procesos.h"
#include "tests/staging/Entorno.h"
#include "tests/staging/Ventana.h"

namespace prueba {
namespace {

Texto T(const std::string& s) { return texto::DeUtf8(s); }

TEST(LineaExtraccion, CaracterACaracter) {
  struct Caso {
    const char* carpeta;
    const char* linea;
  };
  const std::vector<Caso> casos = {
      {"C:\\Programa\\", "\"C:\\Programa\\rar.exe\" x \"C:\\Programa\\Datos_Nuevos.rar\" -o+ \"C:\\Programa\\"},
      {"C:\\Archivos de programa\\Zelvano\\",
       "\"C:\\Archivos de programa\\Zelvano\\rar.exe\" x \"C:\\Archivos de programa\\Zelvano\\Datos_Nuevos.rar\" "
       "-o+ \"C:\\Archivos de programa\\Zelvano\\"},
      {"D:\\Caña\\", "\"D:\\Caña\\rar.exe\" x \"D:\\Caña\\Datos_Nuevos.rar\" -o+ \"D:\\Caña\\"},
  };
  for (const Caso& c : casos) EXPECT_EQ(texto::AUtf8(staging::LineaExtraccion(T(c.carpeta))), c.linea);
}

TEST(MayusculasAscii, SoloLasLetrasAsciiCambian) {
  EXPECT_EQ(staging::MayusculasAscii(u"zelvano.EXE"), u"ZELVANO.EXE");
  EXPECT_EQ(staging::MayusculasAscii(u"año_ÁéZz09.exe"), u"AñO_ÁéZZ09.EXE");
  EXPECT_EQ(staging::MayusculasAscii(u""), u"");
}

TEST(EscribeArchivoNuevo, EscribeElRecursoOLanzaLaExcepcionDeSuFallo) {
  CarpetaTemporal tmp;
  std::string recurso;
  const bool hayRecurso = plataforma::LeeRecurso(10, u"DATOS_NUEVOS", 3082, recurso);
  const Texto destino = T((tmp.Ruta() / "Datos_Nuevos.rar").string());
  if (!hayRecurso) {
    EXPECT_THROW(staging::EscribeArchivoNuevo(destino), EResNotFound);
    return;
  }
  // Replaces whatever was there, byte for byte.
  Escribe(tmp.Ruta() / "Datos_Nuevos.rar", "contenido anterior mas largo que nada");
  staging::EscribeArchivoNuevo(destino);
  EXPECT_EQ(Lee(tmp.Ruta() / "Datos_Nuevos.rar"), recurso);
  EXPECT_EQ(recurso.compare(0, 7, std::string("Rar!\x1A\x07\x00", 7)), 0);

  fs::create_directories(tmp.Ruta() / "carpeta.rar");
  for (const fs::path& imposible : {tmp.Ruta() / "no_existe" / "Datos_Nuevos.rar", tmp.Ruta() / "carpeta.rar"}) {
    SCOPED_TRACE(imposible.string());
    EXPECT_THROW(staging::EscribeArchivoNuevo(T(imposible.string())), EFCreateError);
  }
}

TEST(EjecutaYEspera, EsperaAQueTermineYFallaSiNoArranca) {
  TfV& v = Ventana();
  CarpetaTemporal tmp;
  const std::string marca = (tmp.Ruta() / "marca").string();
  EXPECT_TRUE(v.EjecutaYEspera(T("/bin/sh -c \"sleep 0.3; echo hecho > '" + marca + "'\"")));
  EXPECT_EQ(Lee(marca), "hecho\n");
  EXPECT_FALSE(v.EjecutaYEspera(T("\"" + (tmp.Ruta() / "no_existe" / "rar.exe").string() + "\" x")));
}

// Processes with a name of their own (a copy of sleep), so that nothing else
// on the machine matches.
class Procesos {
 public:
  explicit Procesos(const std::string& nombre) {
    ejecutable_ = carpeta_.Ruta() / nombre;
    fs::copy_file("/bin/sleep", ejecutable_);
  }
  ~Procesos() {
    for (pid_t p : pids_) {
      kill(p, SIGKILL);
      waitpid(p, nullptr, 0);
    }
  }
  pid_t Lanza() {
    const pid_t p = fork();
    if (p == 0) {
      execl(ejecutable_.c_str(), ejecutable_.filename().c_str(), "1000", static_cast<char*>(nullptr));
      _exit(127);
    }
    pids_.push_back(p);
    return p;
  }
  // Waits for whichever of our processes ends first.
  pid_t EsperaUno() {
    int estado = 0;
    const pid_t p = wait(&estado);
    pids_.erase(std::remove(pids_.begin(), pids_.end(), p), pids_.end());
    return p;
  }
  bool Vivo(pid_t p) const { return waitpid(p, nullptr, WNOHANG) == 0; }

 private:
  CarpetaTemporal carpeta_;
  fs::path ejecutable_;
  std::vector<pid_t> pids_;
};

// The snapshot lists a freshly started process once it has become the new
// program; wait until that is so.
void EsperaEnInstantanea(const Texto& nombre, size_t cuantos) {
  for (;;) {
    std::vector<plataforma::EntradaProceso> lista;
    size_t n = 0;
    if (plataforma::InstantaneaProcesos(lista)) {
      for (const auto& e : lista) {
        const size_t corte = e.ejecutable.find_last_of(u"\\/");
        if ((corte == Texto::npos ? e.ejecutable : e.ejecutable.substr(corte + 1)) == nombre) ++n;
      }
    }
    if (n >= cuantos) return;
    usleep(10000);
  }
}

TEST(CierraProceso, TerminaSoloElPrimeroQueCoincideSinDistinguirMayusculasAscii) {
  TfV& v = Ventana();
  const std::string nombre = "zs" + std::to_string(getpid()) + ".EXE";
  Procesos procesos(nombre);
  const pid_t a = procesos.Lanza();
  const pid_t b = procesos.Lanza();
  EsperaEnInstantanea(T(nombre), 2);

  std::string buscado = nombre;
  buscado[0] = 'Z';
  buscado.replace(buscado.size() - 3, 3, "exe");
  EXPECT_TRUE(v.CierraProceso(T(buscado)));
  const pid_t terminado = procesos.EsperaUno();
  EXPECT_TRUE(terminado == a || terminado == b);
  EXPECT_TRUE(procesos.Vivo(terminado == a ? b : a));
}

TEST(CierraProceso, SinCoincidenciaDevuelveFalsoYNoTocaNada) {
  TfV& v = Ventana();
  const std::string nombre = "zá" + std::to_string(getpid()) + ".exe";
  Procesos procesos(nombre);
  const pid_t p = procesos.Lanza();
  EsperaEnInstantanea(T(nombre), 1);

  std::string acentoMayuscula = nombre;
  acentoMayuscula.replace(1, 2, "Á");
  for (const std::string& buscado : {acentoMayuscula, std::string("ninguno_") + nombre, std::string("")}) {
    SCOPED_TRACE(buscado);
    EXPECT_FALSE(v.CierraProceso(T(buscado)));
  }
  EXPECT_TRUE(procesos.Vivo(p));
}

}  // namespace
}  // namespace prueba
