// The data module: the wizard's one connection to the product database, its
// transaction, the statement object and the two service objects.
#pragma once

#include <memory>
#include <vector>

#include "platform/texto.h"

using texto::Texto;

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

  // Backup to QVD.FBK and restore over QVD.FB through the services.
  void CopiaSeguridad();
  void RestauraCopia();

  struct Estado;

 private:
  std::unique_ptr<Estado> estado_;
};

extern TMDatos* MDatos;
