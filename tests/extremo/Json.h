// A small JSON reader for the transcript's lines (objects, arrays, strings,
// numbers, true, false, null).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace prueba {

struct Json {
  enum class Tipo { Nulo, Booleano, Numero, Cadena, Lista, Objeto } tipo = Tipo::Nulo;
  bool booleano = false;
  double numero = 0;
  std::string cadena;
  std::vector<Json> lista;
  std::map<std::string, Json> objeto;

  // The member `nombre`, or a null value when there is none.
  const Json& operator[](const std::string& nombre) const;
  bool Tiene(const std::string& nombre) const { return objeto.count(nombre) != 0; }
  // Text of a string member, "" otherwise.
  std::string Texto(const std::string& nombre) const;
};

// Throws std::runtime_error on malformed input.
Json LeeJson(const std::string& texto);

}  // namespace prueba
