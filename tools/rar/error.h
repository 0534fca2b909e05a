#pragma once
#include <stdexcept>
#include <string>

namespace zelvano::rar {

// Why an archive operation failed; the command-line programs turn each kind
// into its own exit status.
enum class TipoError {
  kAbrir,      // archive missing or unreadable
  kDanado,     // bad header or data checksum, truncated or malformed data
  kInseguro,   // an entry would land outside the destination folder
  kEscritura,  // a file or folder could not be created or written
  kNoSoportado // valid archive feature this reader does not implement
};

class ErrorRar : public std::runtime_error {
 public:
  ErrorRar(TipoError tipo, const std::string& mensaje) : std::runtime_error(mensaje), tipo_(tipo) {}
  TipoError tipo() const { return tipo_; }

 private:
  TipoError tipo_;
};

}  // namespace zelvano::rar
