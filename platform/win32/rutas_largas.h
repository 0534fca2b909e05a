// Paths past MAX_PATH. Without the "\\?\" prefix the Windows file functions
// refuse a path of 260 characters or more (a folder to create, 248): a file
// that deep inside "Datos" could be neither listed, saved nor put back, and
// a folder listing that fails that way looks like a folder that is not
// there. With the prefix they take up to 32,767 characters, but the path
// reaches the file system as it is written: no "/" turned into "\", no
// doubled separator merged, no "." or ".." resolved. So a long path is put
// in that form first; a short one is passed exactly as it was. No Windows
// header: the rule is tested on every build.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/texto.h"

namespace plataforma {
namespace win32 {

// From this length on CreateDirectoryW already refuses a plain path.
constexpr size_t kLargoConPrefijo = 248;

inline bool EsSeparador(char16_t c) { return c == u'\\' || c == u'/'; }

// The path as the file functions must be given it: with "\\?\" (or
// "\\?\UNC\" for a network share) when it is long and absolute; otherwise,
// and for relative paths, unchanged.
inline texto::Texto RutaExtendida(const texto::Texto& ruta) {
  using texto::Texto;
  if (ruta.size() < kLargoConPrefijo) return ruta;
  if (ruta.size() >= 4 && EsSeparador(ruta[0]) && EsSeparador(ruta[1]) && (ruta[2] == u'?' || ruta[2] == u'.') &&
      EsSeparador(ruta[3]))
    return ruta;  // already in the system's own form
  Texto prefijo;
  size_t desde;
  size_t minimo = 0;  // components of the share that ".." may not climb past
  const bool unidad = ruta.size() >= 3 && ruta[1] == u':' && EsSeparador(ruta[2]) &&
                      ((ruta[0] >= u'A' && ruta[0] <= u'Z') || (ruta[0] >= u'a' && ruta[0] <= u'z'));
  if (unidad) {
    prefijo = Texto(u"\\\\?\\") + ruta.substr(0, 2);
    desde = 2;
  } else if (EsSeparador(ruta[0]) && EsSeparador(ruta[1]) && !EsSeparador(ruta[2])) {
    prefijo = u"\\\\?\\UNC";
    desde = 2;
    minimo = 2;  // server and share
  } else {
    return ruta;
  }
  std::vector<Texto> partes;
  for (size_t i = desde; i < ruta.size();) {
    while (i < ruta.size() && EsSeparador(ruta[i])) ++i;
    size_t fin = i;
    while (fin < ruta.size() && !EsSeparador(ruta[fin])) ++fin;
    const Texto parte = ruta.substr(i, fin - i);
    if (parte == u"..") {
      if (partes.size() > minimo) partes.pop_back();
    } else if (!parte.empty() && parte != u".") {
      partes.push_back(parte);
    }
    i = fin;
  }
  Texto r = prefijo;
  for (const Texto& p : partes) r += u"\\" + p;
  if (partes.empty() || EsSeparador(ruta.back())) r += u"\\";
  return r;
}

}  // namespace win32
}  // namespace plataforma
