// Encodings and number formats shared by both backends.
#include "platform/texto.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/plataforma.h"

namespace texto {

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined keep their C1 control value so that every byte round-trips.
constexpr char16_t kCp1252Alto[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int ByteCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kCp1252Alto[i] == c) return 0x80 + i;
  return -1;
}

// Writes the UTF-8 form of `cp` at `p`; returns the end.
char* EscribeUtf8(char* p, char32_t cp) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (cp >> 18));
    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

// Decimal digits in a buffer of the caller's, `punto` of them before the
// point, rounded in place. The buffer holds one digit more than is put in
// and, for ALugares, the places.
class Cifras {
 public:
  Cifras(char* d, int punto) : d_(d), punto_(punto) {}
  void Anade(char c) { d_[largo_++] = c; }

  // 18 significant digits, as the C library rounds: an exact half goes to
  // the even digit.
  void A18Cifras() {
    int primera = 0;
    while (primera < largo_ - 1 && d_[primera] == '0') ++primera;
    const int corte = primera + 18;
    if (largo_ <= corte) return;
    bool masQueMitad = d_[corte] > '5';
    if (d_[corte] == '5')
      for (int i = corte + 1; i < largo_ && !masQueMitad; ++i) masQueMitad = d_[i] != '0';
    const bool mitad = d_[corte] == '5' && !masQueMitad;
    largo_ = corte;
    if (masQueMitad || (mitad && (d_[corte - 1] - '0') % 2 == 1)) Sube(corte - 1);
  }

  // Half away from zero to `decimales` places: the integer digits without
  // leading zeros (one at least), then the point and the places.
  std::string ALugares(int decimales) {
    const int corte = punto_ + decimales;
    while (largo_ <= corte) d_[largo_++] = '0';
    const bool arriba = d_[corte] >= '5';
    largo_ = corte;
    if (arriba) Sube(corte - 1);
    int ceros = 0;
    while (ceros < punto_ - 1 && d_[ceros] == '0') ++ceros;
    std::string r(d_ + ceros, static_cast<size_t>(punto_ - ceros));
    if (decimales > 0) {
      r += '.';
      r.append(d_ + punto_, static_cast<size_t>(decimales));
    }
    return r;
  }

 private:
  // A unit more in the digit at `pos`, carried into those before it.
  void Sube(int pos) {
    while (pos >= 0 && d_[pos] == '9') d_[pos--] = '0';
    if (pos >= 0) {
      ++d_[pos];
      return;
    }
    for (int i = largo_; i > 0; --i) d_[i] = d_[i - 1];
    d_[0] = '1';
    ++largo_;
    ++punto_;
  }

  char* d_;
  int largo_ = 0;
  int punto_;
};

// Digits of |v| rounded half away from zero to `decimales` places, the way
// the product's number formatting rounds: first to 18 significant digits
// (the precision of the extended type it formats from), then to the places.
std::string DigitosRedondeados(double v, int decimales) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17e", std::fabs(v));
  // buf: d.ddddddddddddddddde[+-]xx, the value 0.dddd... × 10^(exp+1).
  const char* e = std::strchr(buf, 'e');
  const int punto = std::atoi(e + 1) + 1;
  std::string d(static_cast<size_t>(std::abs(punto) + 18 + decimales + 4), '0');
  Cifras c(d.data(), punto > 0 ? punto : 1);
  if (punto <= 0)
    for (int i = 0; i <= -punto; ++i) c.Anade('0');
  for (const char* p = buf; p != e; ++p)
    if (*p != '.') c.Anade(*p);
  return c.ALugares(decimales);
}

// The same digits without formatting through the C library, for the values
// a run shows with every file (counts, and sizes in KB and MB): any below
// 10^18 whose binary fraction has at most 60 bits, which covers a size in
// bytes divided by any power of two up to 2^60. Its exact decimal digits are
// all made (a fraction of k bits has k decimal places), then rounded as
// above. False for any other value.
bool DigitosExactos(double v, int decimales, std::string& digitos) {
  if (decimales < 0 || decimales > 6) return false;
  const double a = std::fabs(v);
  if (!(a < 1e18)) return false;
  const double parteEntera = std::floor(a);
  double fraccion = a - parteEntera;  // exact
  int k = 0;
  while (fraccion != std::floor(fraccion)) {
    if (++k > 60) return false;
    fraccion *= 2.0;  // exact: a power of two below any overflow
  }
  char entero[20];
  int n = 0;
  uint64_t resto = static_cast<uint64_t>(parteEntera);
  do {
    entero[n++] = static_cast<char>('0' + resto % 10);
    resto /= 10;
  } while (resto != 0);
  char d[96];  // 18 integer digits, 60 places, a carry and the places asked
  Cifras c(d, n);
  while (n > 0) c.Anade(entero[--n]);
  resto = static_cast<uint64_t>(fraccion);
  const uint64_t mascara = k == 0 ? 0 : (uint64_t{1} << k) - 1;
  for (int i = 0; i < k; ++i) {
    resto *= 10;  // below 2^64: resto < 2^60
    c.Anade(static_cast<char>('0' + (resto >> k)));
    resto &= mascara;
  }
  c.A18Cifras();
  digitos = c.ALugares(decimales);
  return true;
}

// "#,0" / "#,0.00": groups of three with the locale's separators. A value
// that is not a number reads as the product's number formatting writes it
// ("NAN", "INF", "-INF"); a finite one, however large, is written in full.
Texto FormatoAgrupado(double v, int decimales) {
  if (std::isnan(v)) return u"NAN";
  if (std::isinf(v)) return v < 0 ? u"-INF" : u"INF";
  std::string d;
  if (!DigitosExactos(v, decimales, d)) d = DigitosRedondeados(v, decimales);
  const bool negativo = std::signbit(v) && d.find_first_not_of("0.") != std::string::npos;
  size_t punto = d.find('.');
  std::string entero = d.substr(0, punto);
  Texto r;
  if (negativo) r += u'-';
  const char16_t miles = plataforma::SeparadorMiles();
  for (size_t i = 0; i < entero.size(); ++i) {
    if (i > 0 && (entero.size() - i) % 3 == 0) r += miles;
    r += static_cast<char16_t>(entero[i]);
  }
  if (punto != std::string::npos) {
    r += plataforma::SeparadorDecimal();
    for (size_t i = punto + 1; i < d.size(); ++i) r += static_cast<char16_t>(d[i]);
  }
  return r;
}

Texto DeAscii(const char* s) {
  Texto r;
  while (*s) r += static_cast<char16_t>(static_cast<unsigned char>(*s++));
  return r;
}

}  // namespace

Texto DeUtf8(const std::string& s) {
  Texto r;
  r.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    size_t extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else { r += u'\uFFFD'; ++i; continue; }
    bool valido = true;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= n || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) { valido = false; break; }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    // An overlong form or an encoded surrogate is no character: read as
    // one, "\xC0\xAF" would be a '/' inside a file name and "\xED\xA0\x80"
    // a lone surrogate that no conversion gives back.
    static constexpr char32_t kMinimo[4] = {0, 0x80, 0x800, 0x10000};
    if (valido && (cp < kMinimo[extra] || (cp >= 0xD800 && cp <= 0xDFFF))) valido = false;
    if (!valido) { r += u'\uFFFD'; ++i; continue; }
    i += extra + 1;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      r += static_cast<char16_t>(0xD800 + (cp >> 10));
      r += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else if (cp > 0x10FFFF) {
      r += u'\uFFFD';
    } else {
      r += static_cast<char16_t>(cp);
    }
  }
  return r;
}

void AnadeUtf8(std::string& destino, const Texto& t, size_t desde) {
  const size_t n = t.size();
  if (desde >= n) return;
  const size_t base = destino.size();
  // At most three bytes a unit: a pair of units is one four-byte character.
  destino.resize(base + (n - desde) * 3);
  char* p = destino.data() + base;
  for (size_t i = desde; i < n; ++i) {
    char32_t c = t[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (t[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    p = EscribeUtf8(p, c);
  }
  destino.resize(static_cast<size_t>(p - destino.data()));
}

std::string AUtf8(const Texto& t) {
  std::string r;
  AnadeUtf8(r, t, 0);
  return r;
}

std::string ACp1252(const Texto& t) {
  std::string r;
  r.reserve(t.size());
  for (char16_t c : t) {
    int b = ByteCp1252(c);
    r += static_cast<char>(b < 0 ? '?' : b);
  }
  return r;
}

Texto DeCp1252(const std::string& bytes) {
  Texto r;
  r.reserve(bytes.size());
  for (char ch : bytes) {
    unsigned char b = static_cast<unsigned char>(ch);
    r += (b >= 0x80 && b < 0xA0) ? kCp1252Alto[b - 0x80] : static_cast<char16_t>(b);
  }
  return r;
}

bool RepresentableEnCp1252(char16_t c) { return ByteCp1252(c) >= 0; }

std::string ALatin1(const Texto& t) {
  std::string r;
  r.reserve(t.size());
  for (char16_t c : t) r += static_cast<char>(c > 0xFF ? '?' : c);
  return r;
}

char16_t MayusculaSimple(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Pairs upper/lower on even/odd, except the stretches that run odd/even.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : static_cast<char16_t>(c - 1);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  }
  // Greek and Cyrillic: a computer may be named in either.
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 0x25);
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return static_cast<char16_t>(c - 0x20);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 0x3F);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

bool IgualesSinMayusculas(const Texto& a, const Texto& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (MayusculaSimple(a[i]) != MayusculaSimple(b[i])) return false;
  return true;
}

int Compara(const Texto& a, const Texto& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Texto FormatoMiles(long long n) { return FormatoAgrupado(static_cast<double>(n), 0); }
Texto FormatoDosDecimales(double v) { return FormatoAgrupado(v, 2); }
Texto FormatoKB(double bytes) { return FormatoAgrupado(bytes * 0.0009765625, 2) + u" KB"; }
Texto FormatoMB(double bytes) { return FormatoAgrupado(bytes * 9.5367431640625e-07, 2) + u" MB"; }

Texto FormatoSegundos(double segundos) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%f seg.", segundos);
  return DeAscii(buf);
}

Texto FormatoReloj(double segundos) {
  // Extended precision as the product computes the clock; hours are never
  // wrapped, so a run of a hundred hours reads 100:00:00. A clock cannot run
  // backwards, so NaN and negative values read as zero, and a value beyond
  // what the counter holds stops at its largest whole second.
  constexpr long double kTope = 9223372036854775807.0L;  // LLONG_MAX, exact in extended precision
  long double s = static_cast<long double>(segundos);
  if (!(s > 0)) s = 0;
  const bool fuera = s >= kTope;
  const long long total = fuera ? 9223372036854775807LL : static_cast<long long>(s);
  const long long horas = fuera ? total / 3600 : static_cast<long long>(s * (1.0L / 3600.0L));
  char buf[96];
  std::snprintf(buf, sizeof buf, "Tiempo: %02lld:%02lld:%02lld", horas, (total / 60) % 60, total % 60);
  return DeAscii(buf);
}

Texto FormatoEntero(long long n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", n);
  return DeAscii(buf);
}

namespace {

template <typename Cadena>
std::vector<Cadena> Lineas(const Cadena& t) {
  // A line ends at LF, CR LF or CR; a final line break opens no empty line.
  std::vector<Cadena> lineas;
  size_t i = 0;
  while (i < t.size()) {
    size_t fin = i;
    while (fin < t.size() && t[fin] != '\n' && t[fin] != '\r') ++fin;
    lineas.push_back(t.substr(i, fin - i));
    if (fin < t.size() && t[fin] == '\r' && fin + 1 < t.size() && t[fin + 1] == '\n') ++fin;
    i = fin + 1;
  }
  return lineas;
}

}  // namespace

std::vector<Texto> PartePorLineas(const Texto& t) { return Lineas(t); }
std::vector<std::string> PartePorLineas(const std::string& bytes) { return Lineas(bytes); }

}  // namespace texto
