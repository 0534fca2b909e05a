// Interpreter of the probe's operations, shared by the probe (built for
// Windows, run under Wine) and the tests (run in-process on posix), so that
// both sides answer the same operations in the same words.
//
// One operation a line, fields separated by tabs; the answer is one line.
#pragma once

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace sonda {

using texto::Texto;

inline std::string Escapa(const Texto& t) {
  std::string r;
  for (char c : texto::AUtf8(t)) {
    if (c == '\n') r += "\\n";
    else if (c == '\r') r += "\\r";
    else if (c == '\t') r += "\\t";
    else r += c;
  }
  return r;
}

inline std::vector<Texto> Campos(const std::string& linea) {
  std::vector<Texto> c;
  std::string actual;
  for (char ch : linea) {
    if (ch == '\t') {
      c.push_back(texto::DeUtf8(actual));
      actual.clear();
    } else if (ch != '\r') {
      actual += ch;
    }
  }
  c.push_back(texto::DeUtf8(actual));
  return c;
}

inline std::string Resultado(bool bien) {
  return bien ? std::string("ok") : "fallo " + std::to_string(plataforma::UltimoError());
}

inline plataforma::Raiz RaizDe(const Texto& t) {
  return t == u"HKCR" ? plataforma::Raiz::ClasesRaiz : plataforma::Raiz::UsuarioActual;
}

inline std::string Ejecuta(const std::vector<Texto>& c) {
  using namespace plataforma;
  const std::string orden = texto::AUtf8(c[0]);
  const size_t n = c.size();
  auto numero = [&](size_t i) { return static_cast<uint32_t>(std::stoul(texto::AUtf8(c[i]))); };
  if (orden == "lee" && n == 6) return "[" + Escapa(LeePerfil(c[1], c[2], c[3], c[4], numero(5))) + "]";
  if (orden == "escribe" && n == 5) return Resultado(EscribePerfil(c[1], c[2], c[3], c[4]));
  if (orden == "version" && n == 3) {
    std::vector<uint8_t> bloque;
    if (!LeeInfoVersion(c[1], bloque)) return "sin";
    const uint8_t* v;
    uint32_t longitud;
    if (!ConsultaVersion(bloque, c[2], v, longitud)) return "no";
    Texto t;
    for (uint32_t i = 0; i < longitud && (v[2 * i] | v[2 * i + 1]); ++i)
      t += static_cast<char16_t>(v[2 * i] | (v[2 * i + 1] << 8));
    return "[" + Escapa(t) + "]";
  }
  if (orden == "copia" && n == 4) return Resultado(CopiaFichero(c[1], c[2], c[3] == u"1"));
  if (orden == "borra" && n == 2) return Resultado(BorraFichero(c[1]));
  if (orden == "creadir" && n == 2) return Resultado(CreaDirectorio(c[1]));
  if (orden == "eliminadir" && n == 2) return Resultado(EliminaDirectorio(c[1]));
  if (orden == "atributos" && n == 3) return Resultado(PonAtributos(c[1], numero(2)));
  if (orden == "leeatributos" && n == 2) {
    // Only the bits both backends keep.
    const uint32_t a = LeeAtributos(c[1]);
    if (a == ATR_INVALIDO) return "invalido " + std::to_string(UltimoError());
    return std::to_string(a & (ATR_SOLO_LECTURA | ATR_OCULTO | ATR_SISTEMA | ATR_DIRECTORIO));
  }
  if (orden == "lista" && n == 2) {
    Busqueda b;
    EntradaDirectorio e;
    if (!b.Primero(c[1], e)) return "fallo " + std::to_string(UltimoError());
    std::vector<std::string> nombres;
    do {
      const uint32_t a = e.atributos & (ATR_SOLO_LECTURA | ATR_OCULTO | ATR_DIRECTORIO);
      nombres.push_back(texto::AUtf8(e.nombre) + ":" + std::to_string(a) + ":" +
                        std::to_string((e.atributos & ATR_DIRECTORIO) ? 0 : e.tamano));
    } while (b.Siguiente(e));
    // Order is the file system's own; compare as a set.
    std::sort(nombres.begin(), nombres.end());
    std::string r;
    for (const std::string& s : nombres) r += s + " ";
    return r + "fin " + std::to_string(UltimoError());
  }
  if (orden == "existe" && n == 2) {
    return std::string(ExisteFichero(c[1]) ? "fichero" : "-") + (ExisteDirectorio(c[1]) ? " carpeta" : " -");
  }
  // Processes: one started process is kept for the later operations.
  static Proceso proceso;
  if (orden == "proceso" && n == 3) {
    if (!proceso.Inicia(c[1])) return "fallo " + std::to_string(UltimoError());
    return std::to_string(proceso.Espera(numero(2)));
  }
  if (orden == "espera" && n == 2) return std::to_string(proceso.Espera(numero(1)));
  if ((orden == "cuenta" || orden == "termina") && n == 2) {
    std::vector<EntradaProceso> procesos;
    if (!InstantaneaProcesos(procesos)) return "fallo";
    const uint32_t yo = static_cast<uint32_t>(
#ifdef _WIN32
        ::GetCurrentProcessId()
#else
        ::getpid()
#endif
    );
    int cuenta = 0;
    for (const EntradaProceso& e : procesos) {
      if (e.id == yo || !texto::IgualesSinMayusculas(e.ejecutable, c[1])) continue;
      if (orden == "cuenta" || TerminaProcesoId(e.id, 0)) ++cuenta;
    }
    return std::to_string(cuenta);
  }
  if (orden == "duerme" && n == 2) {
    Duerme(numero(1));
    return "ok";
  }
  if (orden == "recurso" && n == 3) {
    std::string datos;
    if (!LeeRecurso(10, c[1], static_cast<uint16_t>(numero(2)), datos)) return "no";
    return "[" + datos + "]";
  }
  if (orden == "formatos" && n == 1) {
    return texto::AUtf8(texto::FormatoKB(500) + u"|" + texto::FormatoMB(3145728) + u"|" + texto::FormatoMiles(1234) +
                        u"|" + texto::FormatoSegundos(1.5) + u"|" + texto::FormatoReloj(3725.9));
  }
  if (orden == "formatosextremos" && n == 1) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    return texto::AUtf8(texto::FormatoKB(inf) + u"|" + texto::FormatoMB(nan) + u"|" + texto::FormatoDosDecimales(-inf) +
                        u"|" + texto::FormatoDosDecimales(1e30) + u"|" + texto::FormatoReloj(nan) + u"|" +
                        texto::FormatoReloj(1e30) + u"|" + texto::FormatoReloj(-5));
  }
  if (orden == "espacio" && n == 2) {
    uint64_t libres = 0;
    if (!EspacioLibre(c[1], libres)) return "fallo " + std::to_string(UltimoError());
    return "ok " + std::to_string(libres);
  }
  if (orden == "fechahora" && n == 1) return texto::AUtf8(FechaCortaActual() + u" " + HoraLargaActual());
  if (orden == "permuta" && n == 2) return "[" + Escapa(PermutaTexto(c[1])) + "]";
  if (orden == "restaura" && n == 2) return "[" + Escapa(RestauraTexto(c[1])) + "]";
  if (orden == "cifra" && n == 2) return "[" + Escapa(CifraBytes(c[1])) + "]";
  if (orden == "cifra2" && n == 2) return "[" + Escapa(CifraBytes(CifraBytes(c[1]))) + "]";
  if (orden == "ansi" && n == 2) {
    std::string r;
    char hex[4];
    for (unsigned char b : AAnsi(c[1])) {
      std::snprintf(hex, sizeof hex, "%02X", b);
      r += (r.empty() ? "" : " ") + std::string(hex);
    }
    return r;
  }
  if (orden == "descifra" && n == 2) return "[" + Escapa(DescifraMensaje(c[1])) + "]";
  if (orden == "constantes" && n == 1) {
    namespace k = constantes;
    Texto r = TransformaTexto(k::ClaveBaseDatosGuardada, 0);
    for (const Texto* t : {&k::SeccionInstalacion, &k::IdentNombrePC, &k::IdentRutaAplicacion, &k::IdentNombreServidor,
                           &k::IdentRutaDatos, &k::NombreParamUsuario, &k::NombreParamClave, &k::NombreParamTercero,
                           &k::ValorParamTercero})
      r += u"|" + CifraBytes(*t);
    for (const Texto* t : {&k::TituloAviso, &k::TituloPregunta, &k::TituloError, &k::TituloMantenimiento, &k::TituloN,
                           &k::TituloR, &k::TituloS})
      r += u"|" + DescifraMensaje(*t);
    return Escapa(r);
  }
  if (orden == "mutex" && n == 2) return CreaMutexUnico(c[1]) ? "primero" : "segundo";
  try {
    if (orden == "regcrea" && n == 3) {
      Clave k;
      return Resultado(k.AbreOCrea(RaizDe(c[1]), c[2]));
    }
    if ((orden == "regtexto" || orden == "regentero") && n == 5) {
      Clave k;
      if (!k.AbreOCrea(RaizDe(c[1]), c[2])) return "no abre";
      if (orden == "regtexto") k.EscribeTexto(c[3], c[4]);
      else k.EscribeEntero(c[3], numero(4));
      return "ok";
    }
    if (orden == "reglee" && n == 4) {
      Clave k;
      if (!k.AbreLectura(RaizDe(c[1]), c[2])) return "no abre";
      Texto v;
      if (!k.LeeTexto(c[3], v)) return "falta";
      return "[" + Escapa(v) + "]";
    }
    if (orden == "regborra" && n == 3) return BorraClave(RaizDe(c[1]), c[2]) ? "ok" : "fallo";
    if (orden == "regexiste" && n == 3) return ExisteClave(RaizDe(c[1]), c[2]) ? "si" : "no";
  } catch (const ERegistryException&) {
    return "ERegistryException";
  }
  return "?";
}

}  // namespace sonda
