// Text helpers shared by every module: all system texts are UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace texto {

using Texto = std::u16string;

// UTF-8 <-> UTF-16 (for file names on posix, messages from libraries, tests).
Texto DeUtf8(const std::string& s);
std::string AUtf8(const Texto& t);
// The UTF-8 form of t from its unit `desde` on, added to `destino`.
void AnadeUtf8(std::string& destino, const Texto& t, size_t desde);

// Windows-1252, the ANSI code page of the installations served. Every byte
// value round-trips: the five bytes the code page leaves undefined map to the
// C1 control with the same value, as Windows does. Characters that have no
// byte become '?'.
std::string ACp1252(const Texto& t);
Texto DeCp1252(const std::string& bytes);
bool RepresentableEnCp1252(char16_t c);

// ISO 8859-1 (the database connection character set): code points above 255
// become '?'.
std::string ALatin1(const Texto& t);

// Upper case of one character, for names matched without regard to case as
// Windows matches them (ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic letters).
char16_t MayusculaSimple(char16_t c);
bool IgualesSinMayusculas(const Texto& a, const Texto& b);

// Versions and names are compared code unit by code unit, never as numbers.
int Compara(const Texto& a, const Texto& b);

// Number formats of the user's locale, with the separators the platform
// reports (plataforma::SeparadorDecimal / SeparadorMiles).
Texto FormatoMiles(long long n);                    // "#,0"
Texto FormatoDosDecimales(double v);                // "#,0.00"
Texto FormatoKB(double bytes);                      // "#,0.00 KB" of bytes/1024
Texto FormatoMB(double bytes);                      // "#,0.00 MB" of bytes/1048576
Texto FormatoSegundos(double segundos);             // "%f seg." (point, six decimals)
Texto FormatoReloj(double segundos);                // "Tiempo: HH:MM:SS", hours not wrapped
Texto FormatoEntero(long long n);                   // "%i"

// Lines of a text: a line ends at LF, CR LF or CR, and a final line break
// opens no empty line (an empty text has no lines).
std::vector<Texto> PartePorLineas(const Texto& t);
std::vector<std::string> PartePorLineas(const std::string& bytes);

}  // namespace texto
