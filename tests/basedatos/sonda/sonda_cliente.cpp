// Windows probe: loads the Firebird client as the wizard does and prints
// what happened, "CARGADA" or the class and message of the error.
#include <cstdio>

#include "database/ClienteFirebird.h"
#include "platform/excepciones.h"

// The probe formats no numbers.
namespace plataforma {
char16_t SeparadorMiles() { return u'.'; }
char16_t SeparadorDecimal() { return u','; }
}  // namespace plataforma

int main() {
  try {
    fbcliente::Cliente();
    std::printf("CARGADA\n");
  } catch (const Exception& e) {
    std::printf("%s|%s\n", e.ClassName(), texto::AUtf8(e.Message()).c_str());
  }
  return 0;
}
