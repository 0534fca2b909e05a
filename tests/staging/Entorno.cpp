#include "tests/staging/Entorno.h"

#include "tests/extremo/Json.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace prueba {

CarpetaTemporal::CarpetaTemporal() {
  std::string plantilla = (fs::temp_directory_path() / "zelvano_staging_XXXXXX").string();
  if (!mkdtemp(plantilla.data())) throw std::runtime_error("mkdtemp");
  ruta_ = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(ruta_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  fs::permissions(ruta_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(ruta_, ec);
}

void Escribe(const fs::path& fichero, const std::string& contenido) {
  fs::create_directories(fichero.parent_path());
  std::ofstream f(fichero, std::ios::binary | std::ios::trunc);
  f << contenido;
  if (!f) throw std::runtime_error("no se puede escribir " + fichero.string());
}

std::string Lee(const fs::path& fichero) {
  std::ifstream f(fichero, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

namespace {

// Long contents are kept as size and FNV-1a digest, so that a failed
// comparison stays readable.
std::string Resumen(std::string contenido) {
  if (contenido.size() <= 200) return contenido;
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : contenido) h = (h ^ c) * 1099511628211ull;
  char texto[64];
  std::snprintf(texto, sizeof texto, "<%zu bytes %016llx>", contenido.size(), static_cast<unsigned long long>(h));
  return texto;
}

}  // namespace

Arbol LeeArbol(const fs::path& raiz) {
  Arbol arbol;
  if (!fs::is_directory(raiz)) return arbol;
  for (const auto& e : fs::recursive_directory_iterator(raiz)) {
    const std::string relativa = fs::relative(e.path(), raiz).generic_string();
    arbol[relativa] = e.is_directory() ? std::string(kCarpeta) : Resumen(Lee(e.path()));
  }
  return arbol;
}

std::string Diferencias(const Arbol& real, const Arbol& esperado) {
  std::string d;
  for (const auto& [ruta, contenido] : real) {
    auto it = esperado.find(ruta);
    if (it == esperado.end()) d += "+" + ruta + "\n";
    else if (it->second != contenido) d += "*" + ruta + " (" + contenido + " en lugar de " + it->second + ")\n";
  }
  for (const auto& [ruta, contenido] : esperado) {
    if (!real.count(ruta)) d += "-" + ruta + "\n";
  }
  return d;
}

void CreaArbol(const fs::path& raiz, const Arbol& arbol) {
  for (const auto& [ruta, contenido] : arbol) {
    if (contenido == kCarpeta) {
      fs::create_directories(raiz / ruta);
    } else {
      Escribe(raiz / ruta, contenido);
    }
  }
}

Arbol SubArbol(const Arbol& arbol, const std::string& prefijo) {
  Arbol sub;
  for (const auto& [ruta, contenido] : arbol) {
    if (ruta.size() > prefijo.size() && ruta.compare(0, prefijo.size(), prefijo) == 0) {
      sub[ruta.substr(prefijo.size())] = contenido;
    }
  }
  return sub;
}

std::vector<Dialogo> LeeDialogos(const fs::path& transcripcion) {
  std::vector<Dialogo> dialogos;
  std::ifstream f(transcripcion);
  std::string linea;
  while (std::getline(f, linea)) {
    const prueba::Json evento = prueba::LeeJson(linea);
    if (evento.Texto("evento") != "dialogo") continue;
    Dialogo d;
    const prueba::Json& tipo = evento["tipo"];
    if (tipo.tipo == prueba::Json::Tipo::Numero) {
      d.tipo = static_cast<int>(tipo.numero);
    } else if (tipo.tipo == prueba::Json::Tipo::Cadena) {
      // The kind is the character code; a one-letter text means the same.
      const std::string& t = tipo.cadena;
      d.tipo = t.size() == 1 && !std::isdigit(static_cast<unsigned char>(t[0])) ? t[0] : std::atoi(t.c_str());
    }
    d.texto = evento.Texto("texto");
    dialogos.push_back(d);
  }
  return dialogos;
}

namespace {

std::vector<std::string> LeeLineas(const fs::path& fichero) {
  std::vector<std::string> lineas;
  std::ifstream f(fichero, std::ios::binary);
  std::string linea;
  while (std::getline(f, linea)) lineas.push_back(linea);
  return lineas;
}

}  // namespace

Resultado Ejecuta(const Escenario& e) {
  fs::create_directories(e.trabajo);
  const fs::path lineas = e.trabajo / "lineas.txt";
  const fs::path excepcion = e.trabajo / "excepcion.txt";
  const fs::path transcripcion = e.trabajo / "transcripcion.jsonl";
  const fs::path salida = e.trabajo / "salida.txt";
  for (const fs::path& p : {lineas, excepcion, transcripcion}) fs::remove(p);
  fs::create_directories(e.trabajo / "mutex");

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    const int fd = open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
    }
    unsetenv("ZELVANO_GUION");
    unsetenv("ZELVANO_PRUEBA_EXCEPCION");
    unsetenv("ZELVANO_RUTA_EJECUTABLE");
    setenv("ZELVANO_FACTOR_PAUSAS", "0", 1);
    setenv("ZELVANO_UNIDAD_C", e.unidadC.c_str(), 1);
    setenv("ZELVANO_TRANSCRIPCION", transcripcion.c_str(), 1);
    setenv("ZELVANO_REGISTRO", (e.trabajo / "registro.txt").c_str(), 1);
    setenv("ZELVANO_DIR_MUTEX", (e.trabajo / "mutex").c_str(), 1);
    setenv("ZELVANO_NOMBRE_EQUIPO", e.nombrePC.c_str(), 1);
    setenv("ZELVANO_STAGING_MODO", e.modo.c_str(), 1);
    setenv("ZELVANO_STAGING_APLICACION", e.aplicacion.c_str(), 1);
    setenv("ZELVANO_STAGING_PC", e.nombrePC.c_str(), 1);
    setenv("ZELVANO_STAGING_SERVIDOR", e.servidor.c_str(), 1);
    setenv("ZELVANO_STAGING_BASE", e.baseDatos.c_str(), 1);
    setenv("ZELVANO_STAGING_LINEAS", lineas.c_str(), 1);
    setenv("ZELVANO_STAGING_EXCEPCION", excepcion.c_str(), 1);
    execl("/proc/self/exe", "pruebas_staging", static_cast<char*>(nullptr));
    _exit(127);
  }
  int estado = 0;
  while (waitpid(pid, &estado, 0) < 0 && errno == EINTR) {
  }
  Resultado r;
  r.normal = WIFEXITED(estado);
  r.estado = r.normal ? WEXITSTATUS(estado) : -WTERMSIG(estado);
  r.lineas = LeeLineas(lineas);
  r.dialogos = LeeDialogos(transcripcion);
  r.excepcion = Lee(excepcion);
  r.salida = Lee(salida);
  return r;
}

Bloqueo::Bloqueo(const fs::path& fichero) {
  int tubo[2];
  if (pipe(tubo) != 0) throw std::runtime_error("pipe");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    close(tubo[0]);
    const int fd = open(fichero.c_str(), O_RDWR);
    struct flock cerrojo {};
    cerrojo.l_type = F_WRLCK;
    cerrojo.l_whence = SEEK_SET;
    const bool ok = fd >= 0 && flock(fd, LOCK_EX) == 0 && fcntl(fd, F_SETLK, &cerrojo) == 0;
    const char c = ok ? '1' : '0';
    if (write(tubo[1], &c, 1) != 1) _exit(1);
    close(tubo[1]);
    for (;;) pause();
  }
  close(tubo[1]);
  char c = '0';
  const bool leido = read(tubo[0], &c, 1) == 1;
  close(tubo[0]);
  if (!leido || c != '1') throw std::runtime_error("no se pudo bloquear " + fichero.string());
}

Bloqueo::~Bloqueo() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    int estado = 0;
    waitpid(pid_, &estado, 0);
  }
}

fs::path DirBuild() { return ZELVANO_DIR_BUILD; }
fs::path DirFuentes() { return ZELVANO_DIR_FUENTES; }

}  // namespace prueba
