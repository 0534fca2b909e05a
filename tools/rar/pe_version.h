#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zelvano::rar {

struct DatosVersion {
  uint16_t partes[4] = {20, 21, 2, 8};  // FileVersion as four numbers
  std::string descripcion = "Zelvano";
  std::string nombre_original = "Zelvano_Start.exe";
  std::string producto = "Zelvano";
  bool dll = false;
};

// A minimal 32-bit Windows executable (or DLL) whose entry point returns 0
// and whose version resource carries the given version, with
// "FileVersion" and "ProductVersion" written as "a.b.c.d" in a Spanish
// (0C0A) / Unicode string table.
std::vector<uint8_t> pe_con_version(const DatosVersion& v);

}  // namespace zelvano::rar
