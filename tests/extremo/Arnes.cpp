#include "tests/extremo/Arnes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/texto.h"

extern char** environ;

namespace prueba {

CarpetaTemporal::CarpetaTemporal() {
  std::string plantilla = (fs::temp_directory_path() / "zelvano-extremo-XXXXXX").string();
  ruta_ = ::mkdtemp(plantilla.data());
  fs::permissions(ruta_, fs::perms::all);
}

CarpetaTemporal::~CarpetaTemporal() {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(ruta_, ec); it != fs::recursive_directory_iterator();
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ec);
  fs::remove_all(ruta_, ec);
}

std::string LeeFichero(const fs::path& fichero) {
  std::ifstream f(fichero, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void EscribeFichero(const fs::path& fichero, const std::string& contenido) {
  fs::create_directories(fichero.parent_path());
  std::ofstream f(fichero, std::ios::binary | std::ios::trunc);
  f << contenido;
}

Proceso Inicia(const std::string& programa, const std::vector<std::string>& argumentos,
               const std::map<std::string, std::string>& entorno) {
  std::map<std::string, std::string> variables;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    const auto igual = v.find('=');
    if (igual != std::string::npos) variables[v.substr(0, igual)] = v.substr(igual + 1);
  }
  for (const auto& [nombre, valor] : entorno) {
    if (valor.empty())
      variables.erase(nombre);
    else
      variables[nombre] = valor;
  }
  std::vector<std::string> textosEntorno;
  for (const auto& [nombre, valor] : variables) textosEntorno.push_back(nombre + "=" + valor);
  std::vector<char*> env, argv;
  for (auto& t : textosEntorno) env.push_back(t.data());
  env.push_back(nullptr);
  std::string prog = programa;
  std::vector<std::string> args = argumentos;
  argv.push_back(prog.data());
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  char plantilla[] = "/tmp/zelvano-salida-XXXXXX";
  const int fd = ::mkstemp(plantilla);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::execve(prog.c_str(), argv.data(), env.data());
    std::fprintf(stderr, "no se puede ejecutar %s: %s\n", prog.c_str(), std::strerror(errno));
    ::_exit(127);
  }
  ::close(fd);
  return Proceso{pid, plantilla};
}

Resultado Espera(const Proceso& proceso) {
  int estado = 0;
  while (::waitpid(proceso.pid, &estado, 0) < 0 && errno == EINTR) {
  }
  Resultado r;
  r.salida = LeeFichero(proceso.salida);
  ::unlink(proceso.salida.c_str());
  r.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  return r;
}

Resultado Ejecuta(const std::string& programa, const std::vector<std::string>& argumentos,
                  const std::map<std::string, std::string>& entorno) {
  return Espera(Inicia(programa, argumentos, entorno));
}

std::vector<std::string> LeeLog(const fs::path& fichero) {
  const std::string bytes = LeeFichero(fichero);
  std::vector<std::string> lineas;
  size_t inicio = 0;
  while (inicio < bytes.size()) {
    const size_t fin = bytes.find("\r\n", inicio);
    if (fin == std::string::npos) {
      ADD_FAILURE() << "el fichero de registro no acaba en CR LF: " << fichero;
      lineas.push_back(texto::AUtf8(texto::DeCp1252(bytes.substr(inicio))));
      break;
    }
    const std::string linea = bytes.substr(inicio, fin - inicio);
    EXPECT_EQ(linea.find_first_of("\r\n"), std::string::npos) << "salto suelto en: " << linea;
    lineas.push_back(texto::AUtf8(texto::DeCp1252(linea)));
    inicio = fin + 2;
  }
  return lineas;
}

std::vector<Json> LeeTranscripcion(const fs::path& fichero) {
  std::vector<Json> eventos;
  std::istringstream s(LeeFichero(fichero));
  std::string linea;
  while (std::getline(s, linea))
    if (!linea.empty()) eventos.push_back(LeeJson(linea));
  return eventos;
}

std::vector<Json> Eventos(const std::vector<Json>& todos, const std::string& evento,
                          const std::string& formulario) {
  std::vector<Json> r;
  for (const Json& e : todos)
    if (e.Texto("evento") == evento && (formulario.empty() || e.Texto("formulario") == formulario))
      r.push_back(e);
  return r;
}

std::string ConsultaSql(const std::string& baseDatos, const std::string& sql) {
  char plantilla[] = "/tmp/zelvano-sql-XXXXXX";
  const int fd = ::mkstemp(plantilla);
  ::close(fd);
  EscribeFichero(plantilla, sql + "\n");
  const Resultado r = Ejecuta("/usr/bin/isql-fb",
                              {"-q", "-user", "SYSDBA", "-password", "Zv2128", "-ch", "ISO8859_1",
                               baseDatos, "-i", plantilla});
  ::unlink(plantilla);
  return r.salida;
}

void LlenaRelleno(const std::string& baseDatos) {
  ConsultaSql(baseDatos,
              "CREATE TABLE RELLENO (ID INTEGER NOT NULL PRIMARY KEY, DATO VARCHAR(220));\nCOMMIT;\n"
              "SET TERM ^ ;\nEXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 150000) DO BEGIN "
              "INSERT INTO RELLENO VALUES (:i, UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()) || "
              "UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID()) || UUID_TO_CHAR(GEN_UUID())); i = i + 1; "
              "END END^\nSET TERM ; ^\nCOMMIT;");
}

std::vector<Json> Dialogos(const Instalacion& inst) {
  return Eventos(LeeTranscripcion(inst.transcripcion), "dialogo");
}

std::string Tipo(const Json& dialogo) {
  const Json& t = dialogo["tipo"];
  return t.tipo == Json::Tipo::Numero ? std::to_string(static_cast<int>(t.numero)) : t.cadena;
}

std::string Textos(const std::vector<Json>& dialogos) {
  std::string s;
  for (const Json& d : dialogos) s += Tipo(d) + ": " + d.Texto("texto") + "\n";
  return s;
}

ConexionAbierta::ConexionAbierta(const std::string& baseDatos, const fs::path& salida) : salida_(salida) {
  const std::string orden = "/usr/bin/isql-fb -q -user SYSDBA -password Zv2128 -ch ISO8859_1 " + baseDatos + " >'" +
                            salida.string() + "' 2>&1";
  isql_ = ::popen(orden.c_str(), "w");
  if (isql_) Ejecuta("");
}

ConexionAbierta::~ConexionAbierta() {
  if (!isql_) return;
  // What the session left uncommitted goes, as when a till is closed.
  std::fputs("ROLLBACK;\nQUIT;\n", isql_);
  ::pclose(isql_);
}

bool ConexionAbierta::Conectada() const { return LeeFichero(salida_).find("MARCA1 ") != std::string::npos; }

bool ConexionAbierta::Ejecuta(const std::string& sql) {
  if (!isql_) return false;
  const std::string marca = "MARCA" + std::to_string(++marcas_) + " ";
  std::fputs((sql + "\nSELECT '" + marca + "' FROM RDB$DATABASE;\n").c_str(), isql_);
  std::fflush(isql_);
  for (int i = 0; i < 400; ++i) {
    if (LeeFichero(salida_).find(marca) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

const std::string kGuionCompleto =
    "frmAviso marca LCBLeido\n"
    "frmAviso pulsa BtnLeido\n"
    "fV pulsa BtnAceptar\n"
    "frm_Final marca LCBLeido\n"
    "frm_Final pulsa BtnSalir\n";
const std::string kLineaFinal = "ACTUALIZACIÓN FINALIZADA CORRECTAMENTE.";

fs::path DirBuild() { return ZELVANO_DIR_BUILD; }
fs::path DirFuentes() { return ZELVANO_DIR_FUENTES; }

}  // namespace prueba

namespace prueba {

Proceso IniciaAsistente(const Instalacion& inst, const std::string& guion,
                        const std::map<std::string, std::string>& entorno) {
  EscribeFichero(inst.guion, guion);
  const fs::path raiz = inst.guion.parent_path();
  fs::create_directories(raiz / "mutex");
  fs::create_directories(raiz / "c");
  std::map<std::string, std::string> variables = {
      {"ZELVANO_REGISTRO", inst.registro.string()},
      {"ZELVANO_GUION", inst.guion.string()},
      {"ZELVANO_TRANSCRIPCION", inst.transcripcion.string()},
      {"ZELVANO_TRAZA_SHELL", inst.traza.string()},
      {"ZELVANO_RUTA_EJECUTABLE", (inst.aplicacion / "Update" / "Act_202103_a_202128.exe").string()},
      {"ZELVANO_FACTOR_PAUSAS", "0"},
      {"ZELVANO_DIR_MUTEX", (raiz / "mutex").string()},
      {"ZELVANO_UNIDAD_C", (raiz / "c").string()},
      {"ZELVANO_PRUEBA_EXCEPCION", ""},
      {"ZELVANO_NOMBRE_EQUIPO", inst.nombreEquipo},
  };
  for (const auto& [nombre, valor] : entorno) variables[nombre] = valor;
  return Inicia((DirBuild() / "Act_202103_a_202128").string(), {}, variables);
}

Resultado EjecutaAsistente(const Instalacion& inst, const std::string& guion,
                           const std::map<std::string, std::string>& entorno) {
  return Espera(IniciaAsistente(inst, guion, entorno));
}

}  // namespace prueba

namespace prueba {

Instalacion GeneraInstalacion(const fs::path& carpeta, const OpcionesInstalacion& opciones) {
  Instalacion inst;
  inst.aplicacion = carpeta / "Zelvano";
  inst.registro = carpeta / "registro";
  inst.transcripcion = carpeta / "transcripcion.jsonl";
  inst.guion = carpeta / "guion";
  inst.traza = carpeta / "shell.txt";
  std::vector<std::string> argumentos = {"--destino", inst.aplicacion.string(), "--version", opciones.version,
                                         "--servidor", opciones.servidor, "--nombre-pc", opciones.nombrePC,
                                         "--registro", inst.registro.string()};
  if (opciones.baseDatos) argumentos.push_back("--base-datos");
  if (!opciones.carpetaDatos.empty()) {
    argumentos.push_back("--ruta-datos");
    argumentos.push_back(opciones.carpetaDatos.string() + "/");
  }
  argumentos.insert(argumentos.end(), opciones.extra.begin(), opciones.extra.end());
  const Resultado r =
      Ejecuta((DirBuild() / "tools" / "generador" / "genera_instalacion").string(), argumentos);
  EXPECT_EQ(r.estado, 0) << "genera_instalacion: " << r.salida;
  inst.ficheroBaseDatos = inst.aplicacion / "Datos" / "QVD.FB";
  if (!opciones.carpetaDatos.empty()) {
    fs::create_directories(opciones.carpetaDatos);
    // The Firebird server (another user) writes the backup and the restore there.
    fs::permissions(opciones.carpetaDatos, fs::perms::all, fs::perm_options::add);
    if (fs::exists(inst.ficheroBaseDatos)) fs::rename(inst.ficheroBaseDatos, opciones.carpetaDatos / "QVD.FB");
    inst.ficheroBaseDatos = opciones.carpetaDatos / "QVD.FB";
  }
  inst.baseDatos = "localhost:" + inst.FicheroBaseDatos().string();
  inst.nombreEquipo = opciones.nombreEquipo.empty() ? opciones.nombrePC : opciones.nombreEquipo;
  return inst;
}

}  // namespace prueba
