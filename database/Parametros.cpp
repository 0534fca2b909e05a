// Scanner of the parameter check. Quoted texts (single or double quotes, a
// doubled quote standing for one) and /* */ comments pass unchanged; a '?'
// or a ':name' outside them is a parameter marker.
#include "database/Parametros.h"

namespace {

bool EsLetraNombre(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'$' || c >= 0x80;
}

}  // namespace

TextoMarcado MarcaParametros(const texto::Texto& s) {
  TextoMarcado r;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const char16_t c = s[i];
    if (c == u'\'' || c == u'"') {
      // A doubled quote inside the text closes and reopens it: scanning on
      // from the second quote gives the same result.
      const std::size_t fin = s.find(c, i + 1);
      const std::size_t hasta = fin == texto::Texto::npos ? n : fin + 1;
      r.texto.append(s, i, hasta - i);
      i = hasta;
    } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
      const std::size_t fin = s.find(u"*/", i + 2);
      const std::size_t hasta = fin == texto::Texto::npos ? n : fin + 2;
      r.texto.append(s, i, hasta - i);
      i = hasta;
    } else if (c == u'?') {
      r.texto += u'?';
      ++r.marcadores;
      ++i;
    } else if (c == u':') {
      std::size_t j = i + 1;
      while (j < n && EsLetraNombre(s[j])) ++j;
      r.texto += u'?';
      ++r.marcadores;
      i = j;
    } else {
      r.texto += c;
      ++i;
    }
  }
  return r;
}
