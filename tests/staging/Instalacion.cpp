#include "tests/staging/Instalacion.h"

#include <stdexcept>

namespace prueba {

Arbol InstalacionAntigua() {
  return {
      {"Zelvano_Start.exe", "viejo Zelvano_Start"},
      {"Zelvano.exe", "viejo Zelvano"},
      {"Zelvano.dll", "viejo Zelvano.dll"},
      {"Corvisto.exe", "viejo Corvisto"},
      {"Pindal.dat", "[configuracion dat]"},
      {"Pindal.dll", "[configuracion dll]"},
      {"Otro.txt", "fichero ajeno"},
      {"DesencriptarFichero.exe", "desencriptar"},
      {"DesencriptarFichero_2016.exe", "desencriptar 2016"},
      {"Excepciones.log", "log viejo"},
      {"Excepciones_Act_202103.log", "log 202103"},
      {"Excepciones_Act_202109.log", "log 202109"},
      {"Excepciones_Act_202118.log", "log 202118"},
      {"Datos", kCarpeta},
      {"Datos/Version.txt", "20.21.1.8"},
      {"Datos/QVD.FB", "base local"},
      {"Datos/QVD.FBK", "copia local"},
      {"Datos/3.NBK", "punto 3"},
      {"Datos/75.NBK", "punto 75"},
      {"Datos/CierresZ", kCarpeta},
      {"Datos/CierresZ/Z0001.txt", "cierre 1"},
      {"Datos/Informes", kCarpeta},
      {"Datos/Informes/Ventas.txt", std::string(1500, 'v')},
      {"BDD Predefinidas", kCarpeta},
      {"BDD Predefinidas/Vacia", kCarpeta},
      {"BDD Predefinidas/Vacia/QVD.FBK", "vacia vieja"},
      {"BDD Predefinidas/Propia", kCarpeta},
      {"BDD Predefinidas/Propia/QVD.FBK", "propia"},
      {"CapturaExcepciones", kCarpeta},
      {"CapturaExcepciones/captura.txt", "captura"},
      {"Imagenes", kCarpeta},
      {"Imagenes/logo.jpg", "imagen"},
      {"Documentos", kCarpeta},
      {"Documentos/Manual viejo.pdf", "manual"},
  };
}

Instalacion::Instalacion() {
  unidadC_ = carpeta_.Ruta() / "c";
  app_ = unidadC_ / "Programa Zelvano";
  fs::create_directories(app_);
  CreaArbol(app_, InstalacionAntigua());
}

void Instalacion::PonHerramienta() {
  const fs::path rar = DirBuild() / "tools" / "rar" / "rar";
  if (!fs::exists(rar)) throw std::runtime_error("falta la herramienta " + rar.string());
  fs::copy_file(rar, app_ / "rar.exe", fs::copy_options::overwrite_existing);
}

Escenario Instalacion::Prepara(const std::string& modo, bool servidor) const {
  Escenario e;
  e.modo = modo;
  e.aplicacion = kApp;
  e.nombrePC = "CAJA1";
  e.servidor = servidor ? "CAJA1" : "SERVIDOR";
  e.unidadC = unidadC_;
  e.trabajo = carpeta_.Ruta() / ("trabajo_" + modo);
  return e;
}

namespace {
bool Empieza(const std::string& s, const std::string& prefijo) { return s.compare(0, prefijo.size(), prefijo) == 0; }
}  // namespace

LogReducido Reduce(const std::vector<std::string>& log) {
  LogReducido r;
  bool enCopias = false;
  for (size_t i = 0; i < log.size(); ++i) {
    if (Empieza(log[i], "Copiando... ") && i + 1 < log.size() && Empieza(log[i + 1], "a ")) {
      if (!enCopias) {
        r.lineas.push_back("<copias>");
        r.copias.emplace_back();
        enCopias = true;
      }
      r.copias.back().insert({log[i], log[i + 1]});
      ++i;
      continue;
    }
    enCopias = false;
    r.lineas.push_back(log[i]);
  }
  return r;
}

std::set<std::pair<std::string, std::string>> CopiasEsperadas(const Arbol& arbol, const std::string& origen,
                                                              const std::string& destino) {
  std::set<std::pair<std::string, std::string>> pares;
  for (const auto& [ruta, contenido] : arbol) {
    if (contenido == kCarpeta) continue;
    std::string windows = ruta;
    for (char& c : windows) {
      if (c == '/') c = '\\';
    }
    pares.insert({"Copiando... " + origen + "\\" + windows, "a " + destino + "\\" + windows + "\xC2\xB7 OK"});
  }
  return pares;
}

Arbol ConPrefijo(const Arbol& arbol, const std::string& prefijo) {
  Arbol r;
  for (const auto& [ruta, contenido] : arbol) r[prefijo + ruta] = contenido;
  return r;
}

}  // namespace prueba
