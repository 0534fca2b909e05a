// A plain client connection for tests and tools: runs SQL and reads rows
// back as text, independently of the wizard's own data module.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace soporte_bd {

// Connection string of a database file on the loopback server.
std::string NombreLoopback(const std::string& ruta);

// SYSDBA credentials of the test server (scripts/firebird.sh).
extern const char* const kUsuario;
extern const char* const kClave;

using Fila = std::vector<std::optional<std::string>>;  // UTF-8 texts, nullopt for NULL

class ConexionPrueba {
 public:
  // Attaches to an existing database (path on the loopback server).
  explicit ConexionPrueba(const std::string& ruta);
  ~ConexionPrueba();
  ConexionPrueba(const ConexionPrueba&) = delete;
  ConexionPrueba& operator=(const ConexionPrueba&) = delete;

  // One statement, committed at once. UTF-8 text, sent as ISO 8859-1.
  void Ejecuta(const std::string& sql);
  // Rows of a query; numbers keep their scale ("0.16667"), dates as
  // YYYY-MM-DD.
  std::vector<Fila> Consulta(const std::string& sql);
  // First column of the first row, "NULL" for null, "" without rows.
  std::string Valor(const std::string& sql);

  // Creates an empty database (ISO8859_1 default character set) and returns
  // nothing: attach afterwards.
  static void CreaBase(const std::string& ruta, int tamanoPagina = 4096);
  // Drops a database (nothing when it does not exist).
  static void BorraBase(const std::string& ruta);

 private:
  void* db_;
};

}  // namespace soporte_bd
