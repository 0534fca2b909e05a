// The database's own volume short of what a rollback needs, on a whole run
// with the real server: the run is refused before it changes anything.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "tests/extremo/Arnes.h"

namespace prueba {
namespace {

// A small tmpfs mounted over `carpeta`, with what the folder held copied
// onto it; unmounted (and the folder's content put back) when it goes.
class VolumenPequeno {
 public:
  VolumenPequeno(const fs::path& carpeta, uint64_t bytes) : carpeta_(carpeta), aparte_(carpeta.string() + ".aparte") {
    fs::rename(carpeta_, aparte_);
    fs::create_directory(carpeta_);
    montado_ = ::mount("tmpfs", carpeta_.c_str(), "tmpfs", 0,
                       ("size=" + std::to_string(bytes) + ",mode=0777").c_str()) == 0;
    if (montado_) fs::copy(aparte_, carpeta_, fs::copy_options::recursive);
  }
  ~VolumenPequeno() {
    if (montado_) ::umount2(carpeta_.c_str(), MNT_DETACH);
    std::error_code ec;
    fs::remove_all(carpeta_, ec);
    fs::rename(aparte_, carpeta_, ec);
  }
  bool Montado() const { return montado_; }
  // What statvfs grants there, as the wizard asks it.
  uint64_t Libres() const {
    struct statvfs v {};
    return ::statvfs(carpeta_.c_str(), &v) == 0 ? uint64_t(v.f_bavail) * v.f_frsize : 0;
  }
  uint64_t Unidad() const {
    struct statvfs v {};
    return ::statvfs(carpeta_.c_str(), &v) == 0 ? uint64_t(v.f_frsize) : 0;
  }

 private:
  fs::path carpeta_, aparte_;
  bool montado_ = false;
};

// Every file and folder below `raiz`, by relative path, with its bytes.
void Toma(const fs::path& raiz, const std::string& prefijo, std::map<std::string, std::string>& foto) {
  if (fs::is_regular_file(raiz)) {
    foto[prefijo] = LeeFichero(raiz);
    return;
  }
  for (const auto& e : fs::recursive_directory_iterator(raiz))
    foto[prefijo + "/" + fs::relative(e.path(), raiz).string()] =
        e.is_directory() ? "<carpeta>" : LeeFichero(e.path());
}

// "55,36 MB" as the wizard writes an amount of bytes.
std::string Mb(uint64_t bytes) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "%.2f", static_cast<double>(bytes) / (1024.0 * 1024.0));
  std::string s = texto;
  s[s.find('.')] = ',';
  return s + " MB";
}

uint64_t EnUnidades(uint64_t bytes, uint64_t unidad) { return (bytes + unidad - 1) / unidad * unidad; }
// What a run asks to be free over what it will write: a tenth more and 50 MB.
uint64_t ConMargen(uint64_t bytes) { return bytes + bytes / 10 + (50ull << 20); }

std::string Version(const Instalacion& inst) {
  const std::string s = ConsultaSql(inst.baseDatos, "SELECT '#' || VERSION_ZELVANO || '#' FROM EMPRESA;");
  const auto a = s.find('#'), b = s.find('#', a + 1);
  return a == std::string::npos || b == std::string::npos ? "<" + s + ">" : s.substr(a + 1, b - a - 1);
}

// The data folder, outside the installation, on a volume of its own with
// room for the backup (and its margin) but not for the rollback's copy of
// the database besides: "Iniciar" says how much that volume needs and how
// much it has, and the wizard ends with every file of the installation and
// of the data folder, the registry store and the database's stamp as they
// were; the database is not even attached.
TEST(EspacioEnElDiscoDeDatos, SinSitioParaReponerLaBaseDatosRehusaAntesDeCambiarNada) {
  if (::geteuid() != 0) GTEST_SKIP() << "montar un tmpfs para la prueba requiere ser root";
  CarpetaTemporal carpeta;
  OpcionesInstalacion opciones;
  opciones.version = "20.21.1.8";
  opciones.carpetaDatos = carpeta.Ruta() / "Datos Zelvano";
  const Instalacion inst = GeneraInstalacion(carpeta.Ruta(), opciones);
  const uint64_t base = fs::file_size(inst.FicheroBaseDatos());
  const uint64_t ocupado = base + 64 * 1024;  // the folder's own entries, generously

  // Half-way between what the backup needs and what it and the rollback need.
  const uint64_t unidad = 4096;
  const uint64_t sinReposicion = ConMargen(EnUnidades(base, unidad));
  const uint64_t conReposicion = ConMargen(2 * EnUnidades(base, unidad));
  VolumenPequeno volumen(opciones.carpetaDatos, EnUnidades(ocupado + (sinReposicion + conReposicion) / 2, unidad));
  if (!volumen.Montado()) GTEST_SKIP() << "no se pudo montar un tmpfs (¿contenedor sin CAP_SYS_ADMIN?)";
  ASSERT_EQ(volumen.Unidad(), unidad);
  const uint64_t libres = volumen.Libres();
  ASSERT_GT(libres, sinReposicion) << "sin contar la reposición la ejecución cabría";
  ASSERT_LT(libres, conReposicion);
  ASSERT_EQ(Version(inst), "20.21.1.8");

  std::map<std::string, std::string> antes;
  Toma(inst.aplicacion, "aplicacion", antes);
  Toma(opciones.carpetaDatos, "datos", antes);
  Toma(inst.registro, "registro", antes);

  const Resultado r = EjecutaAsistente(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;

  const std::vector<Json> dialogos = Dialogos(inst);
  ASSERT_EQ(dialogos.size(), 1u) << Textos(dialogos);
  EXPECT_EQ(Tipo(dialogos[0]), "33");
  EXPECT_EQ(dialogos[0].Texto("texto"), "No hay espacio suficiente en el disco de la base de datos (" +
                                            opciones.carpetaDatos.string() + "/).\nLa actualización necesita " +
                                            Mb(conReposicion) + " libres y solo hay " + Mb(libres) +
                                            ".\nLibere espacio en el disco y vuelva a intentarlo.");
  EXPECT_TRUE(Eventos(LeeTranscripcion(inst.transcripcion), "formulario", "frm_Final").empty());

  std::map<std::string, std::string> despues;
  Toma(inst.aplicacion, "aplicacion", despues);
  Toma(opciones.carpetaDatos, "datos", despues);
  Toma(inst.registro, "registro", despues);
  EXPECT_TRUE(despues == antes) << "con el disco de datos corto no debe tocarse nada";
  for (const auto& [ruta, bytes] : despues)
    if (!antes.count(ruta) || antes.at(ruta) != bytes) ADD_FAILURE() << "cambiado: " << ruta;
  for (const auto& [ruta, bytes] : antes)
    if (!despues.count(ruta)) ADD_FAILURE() << "desaparecido: " << ruta;
  EXPECT_EQ(Version(inst), "20.21.1.8");
}

}  // namespace
}  // namespace prueba
