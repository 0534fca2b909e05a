// Shared pieces of the database tests: a database of a given version in a
// temp folder (dropped afterwards), a data module whose log is a vector, and
// a plain connection to look at the result.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "database/ModuloDatos.h"
#include "tools/basedatos/ConexionPrueba.h"

namespace pruebas_bd {

// A temp folder with a product database "QVD.FB" of the given version.
class BaseTemporal {
 public:
  explicit BaseTemporal(const std::string& version, int tamanoPagina = 4096);
  ~BaseTemporal();
  const std::string& Carpeta() const { return carpeta_; }   // ends with '/'
  std::string Ruta() const { return carpeta_ + "QVD.FB"; }
  std::unique_ptr<soporte_bd::ConexionPrueba> Conecta() const;

 private:
  std::string carpeta_;
};

// A data module pointed at a database, its log kept in `log`.
struct ModuloPrueba {
  explicit ModuloPrueba(const std::string& ruta, const std::string& clave = soporte_bd::kClave);
  std::unique_ptr<TMDatos> datos;
  std::vector<Texto> log;
  int bombeos = 0;
  std::string carpetaDatos;  // what the main window's RutaDatos would hold
  std::string nombrePC = "127.0.0.1";
};

std::string U8(const Texto& t);

}  // namespace pruebas_bd
