#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "tools/rar/escritor.h"

namespace zelvano::rar {

struct OpcionesArbol {
  // DOS attributes by relative path (backslash separators); folders get
  // 0x10 and files 0x20 otherwise, and a folder always keeps 0x10.
  std::map<std::string, uint32_t> atributos;
  // One date for every entry (reproducible archives); file times otherwise.
  bool fecha_fija = false;
  uint32_t fecha = EscritorRar::kFechaPorDefecto;
};

// Adds every folder and regular file below `raiz` in a stable order: all
// folders first (names sorted byte-wise within each folder, a folder before
// its subfolders), then the empty files, then the other files in the same
// tree order. Every folder precedes its content, and the compressed files
// stay consecutive so they form one solid chain.
void empaqueta_arbol(EscritorRar& escritor, const std::filesystem::path& raiz, const OpcionesArbol& op = {});

}  // namespace zelvano::rar
