#include "tests/rar/comun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "tools/rar/arbol.h"

extern char** environ;

namespace pruebas_rar {

CarpetaTemporal::CarpetaTemporal() {
  std::string plantilla = (fs::temp_directory_path() / "pruebas_rar_XXXXXX").string();
  if (!mkdtemp(plantilla.data())) throw std::runtime_error("mkdtemp");
  ruta_ = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
  std::error_code ec;
  fs::remove_all(ruta_, ec);
}

void escribe_fichero(const fs::path& ruta, const std::vector<uint8_t>& datos) {
  fs::create_directories(ruta.parent_path());
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(datos.data()), static_cast<std::streamsize>(datos.size()));
  if (!f) throw std::runtime_error("no se puede escribir " + ruta.string());
}

std::vector<uint8_t> lee_fichero(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) throw std::runtime_error("no se puede leer " + ruta.string());
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> contenido_arbol(const fs::path& raiz) {
  std::map<std::string, std::vector<uint8_t>> m;
  for (const auto& e : fs::recursive_directory_iterator(raiz)) {
    std::string rel = fs::relative(e.path(), raiz).u8string();
    if (e.is_directory()) m[rel + "/"] = {};
    else m[rel] = lee_fichero(e.path());
  }
  return {m.begin(), m.end()};
}

Resultado ejecuta(const std::vector<std::string>& argv, const fs::path& directorio) {
  CarpetaTemporal tmp;
  fs::path registro = tmp.ruta() / "salida.txt";
  posix_spawn_file_actions_t acciones;
  posix_spawn_file_actions_init(&acciones);
  posix_spawn_file_actions_addopen(&acciones, 1, registro.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&acciones, 1, 2);
  posix_spawn_file_actions_addchdir_np(&acciones, directorio.c_str());
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  Resultado r;
  if (posix_spawnp(&pid, args[0], &acciones, nullptr, args.data(), environ) != 0) {
    posix_spawn_file_actions_destroy(&acciones);
    return r;
  }
  posix_spawn_file_actions_destroy(&acciones);
  int estado = 0;
  waitpid(pid, &estado, 0);
  r.codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  auto bytes = lee_fichero(registro);
  r.salida.assign(bytes.begin(), bytes.end());
  return r;
}

bool disponible(const std::string& programa) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string p = path;
  size_t inicio = 0;
  while (inicio <= p.size()) {
    size_t fin = p.find(':', inicio);
    if (fin == std::string::npos) fin = p.size();
    fs::path candidato = fs::path(p.substr(inicio, fin - inicio)) / programa;
    if (access(candidato.c_str(), X_OK) == 0) return true;
    inicio = fin + 1;
  }
  return false;
}

std::vector<uint8_t> aleatorios(uint32_t semilla, size_t tam) {
  std::vector<uint8_t> v(tam);
  uint64_t x = semilla * 0x9E3779B97F4A7C15ull + 1;
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<uint8_t>(x >> 32);
  }
  return v;
}

std::vector<uint8_t> texto(uint32_t semilla, size_t tam) {
  static const char* const palabras[] = {"mesa", "caja", "comanda", "cocina", "terminal", "ticket", "cliente",
                                         "familia", "artículo", "precio", "tarifa", "camarero", "cierre",
                                         "impresora", "barra", "terraza", "reserva", "factura", "descuento"};
  auto r = aleatorios(semilla, tam / 3 + 16);
  std::string s;
  size_t i = 0;
  while (s.size() < tam) {
    s += palabras[r[i % r.size()] % 19];
    s += (r[(i + 1) % r.size()] % 11 == 0) ? ".\n" : " ";
    ++i;
  }
  s.resize(tam);
  return std::vector<uint8_t>(s.begin(), s.end());
}

void empaqueta_arbol(const fs::path& archivo, const fs::path& origen, const zelvano::rar::OpcionesEscritor& op) {
  std::ofstream salida(archivo, std::ios::binary | std::ios::trunc);
  zelvano::rar::EscritorRar w(salida, op);
  zelvano::rar::empaqueta_arbol(w, origen);
  w.termina();
}

}  // namespace pruebas_rar
