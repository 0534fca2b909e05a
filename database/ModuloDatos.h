// The data module: the wizard's one connection to the product database, its
// transaction, the statement object and the two service objects.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/texto.h"

class Informe;

using texto::Texto;

// The parameters of one attach, in order: name (as the client names them,
// "user_name", "lc_ctype", ...) and value. A login handler sets values in it.
using ParametrosLogin = std::vector<std::pair<Texto, Texto>>;

// What a migration step does with the parameter-check switch.
enum class ParamCheck { Encender, Apagar, Mantener };

class TMDatos {
 public:
  TMDatos();
  ~TMDatos();

  // Settings pointed at the database file by the installation discovery.
  void SetNombreBaseDatos(const Texto& nombre);         // server:folder\QVD.FB
  const Texto& NombreBaseDatos() const;
  void SetServidorCopia(const Texto& servidor);        // backup service
  void SetFicheroCopia(const Texto& fichero);
  const Texto& FicheroCopia() const;                  // folder\QVD.FB on the server
  void SetServidorRestaurar(const Texto& servidor);    // restore service
  void AnadeFicheroRestaurar(const Texto& fichero);

  // Connection (IBDatabase): attach once, detach commits pending work.
  void Abre();
  void Cierra();
  bool Conectada() const;

  // Transaction (IBTransaction).
  bool TransaccionActiva() const;
  void CommitRetaining();
  void RollbackRetaining();

  // Statement object (IBSQLExec).
  void CierraSentencia();
  void SetParamCheck(bool activo);
  bool ParamCheckActivo() const;
  void LimpiaSentencia();
  void AnadeLineaSentencia(const Texto& linea);
  void EjecutaSentenciaActual();

  // The statement protocol of every migration step: label logged, pump,
  // close, switch, text, execute, commit retaining.
  void EjecutaSentencia(const Texto& etiqueta, const Texto& sentencia, ParamCheck instruccion);

  // How many attachments of the database, other than this one, the server
  // has (the server's own housekeeping left out). Attaches when needed;
  // raises on failure.
  int ConexionesAjenas();

  // Backup to QVD.FBK, restore into a new file beside QVD.FB through the
  // services; the new file takes QVD.FB's place only once it reads back as
  // the migrated database, otherwise it goes and QVD.FB stays as it was.
  void CopiaSeguridad();
  void RestauraCopia();
  // Reads QVD.FB whole through a connection of its own: why it is not online,
  // stamped `version` in every row of EMPRESA and holding the rows the
  // migrated database held before its backup (a text for the log), or empty
  // when it is. Raises when the database cannot be read.
  Texto CompruebaBaseDatos(const Texto& version);
  // The same after a restore: when a file restored by this run took QVD.FB's
  // place, its whole read just before it did (that file is QVD.FB since the
  // flushed rename, and reading it again would read the same bytes), held
  // to `version`; otherwise CompruebaBaseDatos.
  Texto CompruebaRestaurada(const Texto& version);

  // Login handlers and connection events.
  void IBDatabaseLogin(ParametrosLogin& parametros);
  void IBDCopiaLogin(ParametrosLogin& parametros);
  void IBDRestaurarLogin(ParametrosLogin& parametros);
  void IBDatabaseAfterConnect();
  void IBDatabaseBeforeDisconnect();

  // What the last attaches sent, and how often the database login ran.
  const ParametrosLogin& ParametrosConexion() const;
  const ParametrosLogin& ParametrosCopia() const;
  const ParametrosLogin& ParametrosRestaurar() const;
  int LlamadasLogin() const;

  // Where log lines, pumps and run-context values come from: the run's
  // Informe (FijaInformeDeLaEjecucion) unless a host without one (a test, a
  // tool) points them elsewhere.
  struct Entorno {
    std::function<void(const Texto&)> Registra;  // append one log line and pump once
    std::function<void()> Bombea;                 // one pass of the message pump
    std::function<Texto()> Usuario;               // UsuarioBaseDatos
    std::function<Texto()> Clave;                 // ClaveBaseDatos
    std::function<Texto()> RutaDatos;             // text of RutaDatos
    std::function<Texto()> NombrePC;              // text of NombrePC
  };
  void SetEntorno(Entorno entorno);
  // Where the default Entorno finds the run's Informe, asked at each use
  // (nullptr: none, so lines go nowhere and the facts are empty). Start-up
  // points it at the main window.
  static void FijaInformeDeLaEjecucion(Informe* (*informe)());

  struct Estado;

 private:
  std::unique_ptr<Estado> estado_;
};

extern TMDatos* MDatos;
