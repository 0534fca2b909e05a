// What the helper's commands share across their files: output, failure and
// the optional seconds argument, and the commands defined apart from the
// command table.
#pragma once

#include <string>

#include "ordenes.h"

namespace ayudante {

void Escribe(const std::string& s);
// Writes the reason on standard error; the command's status 1.
int Falla(const std::string& motivo);
// Argument `i` as seconds, or `defecto` when absent or not a number.
double Segundos(const Argumentos& a, size_t i, double defecto);

// Files and processes (ordenes_sistema.cpp).
int Bloquea(const Argumentos& a);
int Atributos(const Argumentos& a);
int Anota(const Argumentos& a);
int ExtraccionParada(const Argumentos& a);
int Mata(const Argumentos& a);
int Conduce(const Argumentos& a);

}  // namespace ayudante
