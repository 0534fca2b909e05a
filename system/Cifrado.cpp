// The two scrambling schemes of stored texts.
#include "system/Cifrado.h"

#include <array>
#include <string>

#include "platform/plataforma.h"

namespace cifrado {

namespace {

// Lowest byte is the key byte of the byte scheme. It was chosen so that no
// printable Spanish text scrambles into a control character, a blank, a
// character the profile-file syntax reserves (= ; [ ] ") or one of the five
// byte values Windows-1252 leaves undefined.
constexpr uint32_t kConstanteClave = 0x5A3C7E64u;

uint8_t ByteClave() { return static_cast<uint8_t>(kConstanteClave & 0xFFu); }

// The 74-character alphabet and its image under the substitution, position
// by position.
constexpr char16_t kAlfabeto[] =
    u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    u"\u00C1\u00C9\u00CD\u00D1\u00D3\u00DA\u00E1\u00E9\u00ED\u00F1\u00F3\u00FA";
constexpr char16_t kImagen[] =
    u"q7\u00D1Xc2Lm\u00E9Rz0bV\u00DAk5sHt\u00C1Ye9Pw\u00F3J3nGf\u00CDaQ"
    u"8\u00E1OuZ4\u00C9xKi1\u00F1DrS6\u00FABlh\u00D3TgNvCoWyM\u00EDEpjFdUIA";
constexpr size_t kTamAlfabeto = 74;
static_assert(sizeof(kAlfabeto) / sizeof(char16_t) == kTamAlfabeto + 1, "alphabet of 74");
static_assert(sizeof(kImagen) / sizeof(char16_t) == kTamAlfabeto + 1, "image of 74");

struct Tablas {
  std::array<char16_t, 256> directa{};
  std::array<char16_t, 256> inversa{};
  Tablas() {
    for (size_t c = 0; c < 256; ++c) directa[c] = inversa[c] = static_cast<char16_t>(c);
    for (size_t i = 0; i < kTamAlfabeto; ++i) {
      directa[kAlfabeto[i]] = kImagen[i];
      inversa[kImagen[i]] = kAlfabeto[i];
    }
  }
};

const Tablas& LasTablas() {
  static const Tablas tablas;
  return tablas;
}

char16_t Sustituye(char16_t c, const std::array<char16_t, 256>& tabla) {
  return c < 256 ? tabla[c] : c;
}

std::string TransformaBytes(const Texto& t) {
  std::string bytes = plataforma::AAnsi(t);
  const uint8_t clave = ByteClave();
  for (char& b : bytes) b = static_cast<char>(static_cast<uint8_t>(~static_cast<uint8_t>(b)) ^ clave);
  return bytes;
}

}  // namespace

Texto PermutaTexto(const Texto& t) {
  Texto r;
  r.reserve(t.size());
  for (char16_t c : t) r += Sustituye(c, LasTablas().directa);
  if (r.size() > 1) r = r.substr(1) + r[0];
  return r;
}

Texto RestauraTexto(const Texto& t) {
  Texto r;
  r.reserve(t.size());
  for (char16_t c : t) r += Sustituye(c, LasTablas().inversa);
  if (r.size() > 1) r = r.back() + r.substr(0, r.size() - 1);
  return r;
}

Texto TransformaTexto(const Texto& t, uint8_t Codificar) {
  return Codificar != 0 ? PermutaTexto(t) : RestauraTexto(t);
}

Texto CifraBytes(const Texto& t) { return plataforma::DeAnsi(TransformaBytes(t)); }

Texto DescifraMensaje(const Texto& t) {
  std::string bytes = TransformaBytes(t);
  // The length is re-read after every change; a backslash in the last
  // position has no letter after it and stays.
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == '\\' && bytes[i + 1] == 'n') {
      bytes[i] = '\n';
      bytes.erase(i + 1, 1);
    }
  }
  return plataforma::DeAnsi(bytes);
}

}  // namespace cifrado
