// Who else has the product database open: the other attachments the server
// reports for it, counted through its monitoring tables (the same on every
// server version the product runs on), and the bounded wait until the server
// has let go of the file before anything puts a saved copy of it back.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/texto.h"

namespace basedatos {

using texto::Texto;

// Which attachments count.
enum class Quien {
  Todas,      // every attachment but the one that asks (terminals, tools, services)
  Servicios,  // only the server's own backup or restore services
};

// How the server stands with a database, as one short attachment sees it.
struct Ocupacion {
  enum class Estado {
    Libre,        // no attachment that counts; or the file is not there or not a database the server opens
    EnUso,        // attachments that count (`conexiones`), or the server holds it shut for a service of its own
    SinServidor,  // the server could not be reached
  };
  Estado estado = Estado::SinServidor;
  int conexiones = 0;  // attachments that count; 0 when the server holds it shut
};

// Asks once through a short attachment of its own to `nombre` ("server:file").
// Never throws.
Ocupacion MiraOcupacion(const Texto& nombre, const Texto& usuario, const Texto& clave, Quien quien);

// How a wait ended.
enum class FinEspera { Libre, SigueEnUso, SinServidor };

// The bounds of one wait: how long in all, how long the database must have
// stayed free, how often the server is asked, and how many failed attempts
// to reach it end the wait.
struct LimitesEspera {
  int64_t maximoSegundos;
  int64_t libreSegundos;
  uint32_t pausaMilisegundos;
  int intentosSinServidor;
};

// Waits until the server has let go of `nombre` (attachments that `quien`
// counts), asking at every pause and pumping the messages in between.
// `enUso` is called each time the server is found using it, with the count.
FinEspera EsperaBaseDatosLibre(const Texto& nombre, const Texto& usuario, const Texto& clave, Quien quien,
                               const LimitesEspera& limites, const std::function<void()>& bombea,
                               const std::function<void(int conexiones)>& enUso);

// Before a saved copy of the database file is put back: waits (bounded)
// until no attachment of any kind has the database open, logging through
// `registra` when it has to wait and how the wait ended. True when the file
// may be replaced now; false when it must stay as it is (the saved copy is
// then the caller's to keep).
bool EsperaQueSeCierreLaBaseDatos(const Texto& nombre, const Texto& usuario, const Texto& clave,
                                  const std::function<void(const Texto&)>& registra,
                                  const std::function<void()>& bombea);

// "queda 1 conexión" / "quedan N conexiones".
Texto ConexionesQueQuedan(int conexiones);

// What the technician is told when other attachments keep the database
// phase from starting: how many remain and what to close (the caller ends
// the sentence).
Texto AvisoOtrasConexiones(int conexiones);

}  // namespace basedatos
