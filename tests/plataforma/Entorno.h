// Helpers of the platform tests: a temporary folder removed at the end, and
// an environment variable set for one scope (the platform then reads the
// user's regional settings again, as a changed locale may be among them).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/plataforma.h"
#include "platform/texto.h"

namespace prueba {

class CarpetaTemporal {
 public:
  CarpetaTemporal() {
    std::string plantilla = (std::filesystem::temp_directory_path() / "zelvano-plat-XXXXXX").string();
    ruta_ = ::mkdtemp(plantilla.data());
  }
  ~CarpetaTemporal() {
    std::error_code ec;
    // Read-only entries must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(ruta_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
    }
    std::filesystem::remove_all(ruta_, ec);
  }
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

  const std::string& Ruta() const { return ruta_; }
  // The path of `nombre` inside the folder, as posix text and as the
  // wizard's form (backslashes).
  std::string Posix(const std::string& nombre) const { return ruta_ + "/" + nombre; }
  texto::Texto Win(const std::string& nombre) const {
    texto::Texto t = texto::DeUtf8(ruta_ + "/" + nombre);
    for (char16_t& c : t)
      if (c == u'/') c = u'\\';
    return t;
  }
  void Escribe(const std::string& nombre, const std::string& bytes) const {
    std::ofstream(Posix(nombre), std::ios::binary) << bytes;
  }
  std::string Lee(const std::string& nombre) const { return LeeRuta(Posix(nombre)); }
  static std::string LeeRuta(const std::string& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

 private:
  std::string ruta_;
};

class VariableEntorno {
 public:
  VariableEntorno(const char* nombre, const std::optional<std::string>& valor) : nombre_(nombre) {
    if (const char* v = std::getenv(nombre)) anterior_ = v;
    if (valor) ::setenv(nombre, valor->c_str(), 1);
    else ::unsetenv(nombre);
    plataforma::ConfiguracionRegionalCambiada();
  }
  ~VariableEntorno() {
    if (anterior_) ::setenv(nombre_.c_str(), anterior_->c_str(), 1);
    else ::unsetenv(nombre_.c_str());
    plataforma::ConfiguracionRegionalCambiada();
  }
  VariableEntorno(const VariableEntorno&) = delete;
  VariableEntorno& operator=(const VariableEntorno&) = delete;

 private:
  std::string nombre_;
  std::optional<std::string> anterior_;
};

}  // namespace prueba
