#include "Comun.h"

#include <cstdlib>
#include <filesystem>

#include "tools/basedatos/Fixture.h"

namespace pruebas_bd {

BaseTemporal::BaseTemporal(const std::string& version, int tamanoPagina) {
  std::string plantilla = (std::filesystem::temp_directory_path() / "zv_bd_XXXXXX").string();
  if (!mkdtemp(plantilla.data())) throw std::runtime_error("mkdtemp");
  carpeta_ = plantilla + "/";
  soporte_bd::CreaBaseDatos(Ruta(), version, tamanoPagina);
}

BaseTemporal::~BaseTemporal() {
  try {
    soporte_bd::ConexionPrueba::BorraBase(Ruta());
  } catch (...) {
  }
  std::error_code ec;
  std::filesystem::remove_all(carpeta_, ec);
}

std::unique_ptr<soporte_bd::ConexionPrueba> BaseTemporal::Conecta() const {
  return std::make_unique<soporte_bd::ConexionPrueba>(Ruta());
}

ModuloPrueba::ModuloPrueba(const std::string& ruta, const std::string& clave) : datos(std::make_unique<TMDatos>()) {
  carpetaDatos = std::filesystem::path(ruta).parent_path().string() + "/";
  TMDatos::Entorno e;
  e.Registra = [this](const Texto& linea) {
    log.push_back(linea);
    ++bombeos;
  };
  e.Bombea = [this] { ++bombeos; };
  e.Usuario = [] { return Texto(u"SYSDBA"); };
  e.Clave = [clave] { return texto::DeUtf8(clave); };
  e.RutaDatos = [this] { return texto::DeUtf8(carpetaDatos); };
  e.NombrePC = [this] { return texto::DeUtf8(nombrePC); };
  datos->SetEntorno(e);
  datos->SetNombreBaseDatos(texto::DeUtf8(soporte_bd::NombreLoopback(ruta)));
}

std::string U8(const Texto& t) { return texto::AUtf8(t); }

}  // namespace pruebas_bd
