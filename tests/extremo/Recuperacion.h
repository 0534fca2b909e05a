// What the recovery tests share: a snapshot of a folder, the journal as the
// next start reads it, and a run that must end in success.
#pragma once

#include <map>
#include <string>

#include "tests/extremo/Arnes.h"

namespace prueba {

extern const std::string kEncontrada;
extern const std::string kRestaurado;
extern const std::string kApartadas;

// Every file below `raiz` by relative path, with its bytes. Links are listed
// by their target text, never followed.
using Foto = std::map<std::string, std::string>;
Foto Fotografia(const fs::path& raiz);
// Files of `antes` missing from `despues` ("-") or with other bytes ("*").
std::string Perdidos(const Foto& antes, const Foto& despues);
// The files below `prefijo`, named from there.
Foto SinPrefijo(const Foto& foto, const std::string& prefijo);

struct Diario {
  bool existe = false;
  std::string etapa;
  bool cerrado = false;
};
Diario LeeDiario(const Instalacion& inst);

std::string Version(const Instalacion& inst);

// One start of the wizard, with a transcript of its own.
Resultado Arranca(const Instalacion& inst, const std::string& guion,
                  const std::map<std::string, std::string>& entorno = {});

bool Contiene(const std::string& texto, const std::string& parte);

// After the recovery: the update runs again from the start and succeeds.
// `apartadas`: the start first sets aside copies that a rollback could not
// put back, and says so.
void ActualizaConExito(const Instalacion& inst, bool apartadas = false);

}  // namespace prueba
