// The parameter check of the statement object: finds input-parameter
// markers outside quotes and comments and puts '?' in their place.
#pragma once

#include "platform/texto.h"

struct TextoMarcado {
  texto::Texto texto;  // the statement with every marker as '?'
  int marcadores = 0;  // how many markers were found
};

TextoMarcado MarcaParametros(const texto::Texto& sentencia);
