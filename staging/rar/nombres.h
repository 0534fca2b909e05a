#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zelvano::rar {

// Name field of a file header for a UTF-8 path with backslash separators.
// Pure ASCII names are stored as they are; any other name is stored as its
// OEM (code page 850) form, a zero byte and the archive's compact UTF-16
// encoding, and `unicode` is set so the header carries flag 0x200.
std::vector<uint8_t> codifica_nombre(const std::string& utf8, bool& unicode);

// Inverse of codifica_nombre: the stored name as UTF-8 (separators as stored).
// Also understands a Unicode-flagged name without zero byte, which holds UTF-8.
std::string decodifica_nombre(const uint8_t* datos, size_t tam, bool unicode);

// True when extracting an entry of this name (backslash or slash separated)
// stays inside the destination: no empty, "." or ".." component, no leading
// separator, no drive letter or other colon, no control characters.
bool nombre_seguro(const std::string& nombre);

// Separator conversions between archive names and the host.
std::string a_barras_invertidas(std::string ruta);
std::string a_barras(std::string ruta);

std::u16string utf8_a_utf16(const std::string& s);
std::string utf16_a_utf8(const std::u16string& s);

}  // namespace zelvano::rar
