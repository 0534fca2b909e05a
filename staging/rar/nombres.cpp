#include "staging/rar/nombres.h"

#include <algorithm>

namespace zelvano::rar {
namespace {

// Upper half of code page 850, the OEM code page of Western European Windows.
const char16_t kCp850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
    0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
    0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1,
    0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD,
    0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2,
    0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534,
    0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
    0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4,
    0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD,
    0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, 0x00B0,
    0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

uint8_t a_oem(char16_t c) {
  if (c < 0x80) return static_cast<uint8_t>(c);
  for (int i = 0; i < 128; ++i)
    if (kCp850[i] == c) return static_cast<uint8_t>(0x80 + i);
  return '_';
}

}  // namespace

std::u16string utf8_a_utf16(const std::string& s) {
  std::u16string r;
  for (size_t i = 0; i < s.size();) {
    auto b = static_cast<uint8_t>(s[i]);
    uint32_t cp;
    int extra;
    if (b < 0x80) { cp = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
    else { r.push_back(0xFFFD); ++i; continue; }
    bool valido = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) { valido = false; break; }
      cp = (cp << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
    }
    if (!valido) { r.push_back(0xFFFD); ++i; continue; }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      r.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      r.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      r.push_back(static_cast<char16_t>(cp));
    }
  }
  return r;
}

std::string utf16_a_utf8(const std::u16string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      r.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      r.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      r.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      r.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      r.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return r;
}

std::vector<uint8_t> codifica_nombre(const std::string& utf8, bool& unicode) {
  unicode = std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
  if (!unicode) return std::vector<uint8_t>(utf8.begin(), utf8.end());

  auto u16 = utf8_a_utf16(utf8);
  std::vector<uint8_t> campo;
  for (char16_t c : u16) campo.push_back(a_oem(c));
  campo.push_back(0);

  // The most frequent high byte among characters above U+00FF saves a byte
  // per such character (type 1 below).
  uint8_t alto = 0;
  {
    int cuenta[256] = {};
    for (char16_t c : u16)
      if (c > 0xFF) ++cuenta[c >> 8];
    alto = static_cast<uint8_t>(std::max_element(cuenta, cuenta + 256) - cuenta);
  }
  campo.push_back(alto);
  for (size_t i = 0; i < u16.size(); i += 4) {
    size_t pos_banderas = campo.size();
    campo.push_back(0);
    uint8_t banderas = 0;
    for (size_t k = 0; k < 4; ++k) {
      int tipo = 0;
      if (i + k < u16.size()) {
        char16_t c = u16[i + k];
        if (c <= 0xFF) {
          tipo = 0;
          campo.push_back(static_cast<uint8_t>(c));
        } else if ((c >> 8) == alto) {
          tipo = 1;
          campo.push_back(static_cast<uint8_t>(c & 0xFF));
        } else {
          tipo = 2;
          campo.push_back(static_cast<uint8_t>(c & 0xFF));
          campo.push_back(static_cast<uint8_t>(c >> 8));
        }
      }
      banderas = static_cast<uint8_t>(banderas | (tipo << (6 - 2 * k)));
    }
    campo[pos_banderas] = banderas;
  }
  return campo;
}

std::string decodifica_nombre(const uint8_t* datos, size_t tam, bool unicode) {
  size_t nul = std::find(datos, datos + tam, 0) - datos;
  if (!unicode || nul == tam) {
    if (unicode) return std::string(datos, datos + tam);  // UTF-8 form
    std::u16string u;
    for (size_t i = 0; i < tam; ++i) u.push_back(datos[i] < 0x80 ? datos[i] : kCp850[datos[i] - 0x80]);
    return utf16_a_utf8(u);
  }
  std::u16string u;
  size_t p = nul + 1;
  if (p >= tam) return utf16_a_utf8(u);
  uint8_t alto = datos[p++];
  uint8_t banderas = 0;
  int bits = 0;
  while (p < tam) {
    if (bits == 0) {
      banderas = datos[p++];
      bits = 8;
      if (p >= tam) break;
    }
    bits -= 2;
    switch ((banderas >> bits) & 3) {
      case 0:
        u.push_back(datos[p++]);
        break;
      case 1:
        u.push_back(static_cast<char16_t>((alto << 8) | datos[p++]));
        break;
      case 2:
        if (p + 1 >= tam) { p = tam; break; }
        u.push_back(static_cast<char16_t>(datos[p] | (datos[p + 1] << 8)));
        p += 2;
        break;
      default: {
        // Run copied from the OEM name, optionally shifted by a correction.
        uint8_t largo = datos[p++];
        uint8_t correccion = 0;
        if (largo & 0x80) {
          if (p >= tam) break;
          correccion = datos[p++];
        }
        for (int k = 0; k < (largo & 0x7F) + 2 && u.size() < nul; ++k) {
          uint8_t b = datos[u.size()];
          u.push_back((largo & 0x80) ? static_cast<char16_t>((alto << 8) | ((b + correccion) & 0xFF)) : b);
        }
      }
    }
  }
  return utf16_a_utf8(u);
}

bool nombre_seguro(const std::string& nombre) {
  if (nombre.empty()) return false;
  if (nombre[0] == '\\' || nombre[0] == '/') return false;
  std::string componente;
  auto componente_valido = [](const std::string& c) { return !c.empty() && c != "." && c != ".."; };
  for (char c : nombre) {
    auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || c == ':') return false;
    if (c == '\\' || c == '/') {
      if (!componente_valido(componente)) return false;
      componente.clear();
    } else {
      componente.push_back(c);
    }
  }
  return componente_valido(componente);
}

std::string a_barras_invertidas(std::string ruta) {
  std::replace(ruta.begin(), ruta.end(), '/', '\\');
  return ruta;
}

std::string a_barras(std::string ruta) {
  std::replace(ruta.begin(), ruta.end(), '\\', '/');
  return ruta;
}

}  // namespace zelvano::rar
