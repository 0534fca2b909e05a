// The error record that the application-wide handler appends to the log
// file, built apart from the handler so that it can be checked on its own.
#pragma once

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "platform/texto.h"
#include "platform/ui.h"

namespace excepciones {

using texto::Texto;

// A Firebird error is exactly EIBInterBaseError; derived classes do not count.
bool EsErrorFirebird(const std::exception& e);

// Keys and values of the record, in the order written: ten for a Firebird
// error, eight for any other exception.
std::vector<std::pair<Texto, Texto>> Registro(const std::exception& e,
                                              const ui::aplicacion::Emisor& emisor,
                                              const Texto& formularioActivo,
                                              const Texto& botonPulsado);

// What the user is told about an exception that escaped an event handler.
enum class Aviso { Ninguno, Firebird, Interno, CorteRed };
Aviso AvisoPara(const std::exception& e);

extern const Texto MensajeCorteRed;
extern const Texto MensajeFirebird;
extern const Texto MensajeInterno;

}  // namespace excepciones
