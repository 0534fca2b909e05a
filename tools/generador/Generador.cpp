#include "tools/generador/Generador.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/plataforma.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "tools/programa_falso/marca_version.h"

#ifdef ZELVANO_GENERADOR_CON_BASEDATOS
#include "tools/basedatos/Fixture.h"
#endif

namespace generador {

namespace {

using texto::Texto;

const char* const kValorRuta = "Application Install Patch";

std::string LeeBinario(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  if (!f) throw Error("no se puede leer " + p.string());
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void EscribeBinario(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw Error("no se puede escribir " + p.string());
}

std::string Utf16le(const Texto& t) {
  std::string r;
  for (char16_t c : t) {
    r += static_cast<char>(c & 0xFF);
    r += static_cast<char>(c >> 8);
  }
  return r;
}

Texto T(const std::string& utf8) { return texto::DeUtf8(utf8); }
Texto T(const fs::path& p) { return texto::DeUtf8(p.string()); }

// The separator the folder text itself uses (Windows form or Linux form).
char Separador(const std::string& carpeta) {
  return !carpeta.empty() && carpeta.back() == '\\' ? '\\' : '/';
}

std::string ConSeparador(std::string carpeta, char sep) {
  if (carpeta.empty() || (carpeta.back() != '/' && carpeta.back() != '\\')) carpeta += sep;
  return carpeta;
}

void EscribeConfiguracion(const fs::path& fichero, const Opciones& o, const std::string& rutaAplicacion,
                          const std::string& rutaDatos, const std::string& nombrePC) {
  // The product stores names and values scrambled; the wizard reads them
  // exactly as the product wrote them.
  const struct {
    const Texto& nombre;
    std::string valor;
  } ajustes[] = {
      {constantes::IdentNombreServidor, o.nombreServidor},
      {constantes::IdentRutaAplicacion, rutaAplicacion},
      {constantes::IdentRutaDatos, rutaDatos},
      {constantes::IdentNombrePC, nombrePC},
  };
  for (const auto& a : ajustes) {
    if (!plataforma::EscribePerfil(T(fichero), constantes::SeccionInstalacion, a.nombre, CifraBytes(T(a.valor))))
      throw Error("no se puede escribir " + fichero.string());
  }
}

// One small file per name, its text saying what it stands for.
void Ficheros(const fs::path& carpeta, std::initializer_list<const char*> nombres) {
  for (const char* n : nombres) EscribeBinario(carpeta / n, std::string("contenido de ") + n + "\r\n");
}

void SiembraAlmacen(const Opciones& o, const std::string& ruta) {
  const char* previo = std::getenv("ZELVANO_REGISTRO");
  const std::string guardado = previo ? previo : "";
  ::setenv("ZELVANO_REGISTRO", o.almacenRegistro.c_str(), 1);
  std::string fallo;
  for (int n : o.claves) {
    plataforma::Clave clave;
    if (!clave.AbreOCrea(plataforma::Raiz::UsuarioActual, T(ClavesProducto()[static_cast<size_t>(n - 1)]))) {
      fallo = "no se puede crear la clave " + ClavesProducto()[static_cast<size_t>(n - 1)];
      break;
    }
    if (o.valorRuta) clave.EscribeTexto(T(std::string(kValorRuta)), T(ruta));
  }
  if (previo) {
    ::setenv("ZELVANO_REGISTRO", guardado.c_str(), 1);
  } else {
    ::unsetenv("ZELVANO_REGISTRO");
  }
  if (!fallo.empty()) throw Error(fallo);
}

// Registry editor file (version 5: UTF-16 with byte-order mark).
void EscribeFicheroReg(const Opciones& o, const std::string& ruta) {
  const auto escapa = [](const std::string& s) {
    std::string r;
    for (char c : s) r += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
    return r;
  };
  std::string t = "Windows Registry Editor Version 5.00\r\n";
  for (int n : o.claves) {
    t += "\r\n[HKEY_CURRENT_USER\\" + ClavesProducto()[static_cast<size_t>(n - 1)] + "]\r\n";
    if (o.valorRuta) t += "\"" + std::string(kValorRuta) + "\"=\"" + escapa(ruta) + "\"\r\n";
  }
  EscribeBinario(o.ficheroReg, "\xFF\xFE" + Utf16le(T(t)));
}

void Comprueba(const Opciones& o) {
  if (o.destino.empty()) throw Error("falta la carpeta de destino");
  for (int n : o.claves)
    if (n < 1 || n > static_cast<int>(ClavesProducto().size()))
      throw Error("clave de producto " + std::to_string(n) + " fuera de 1.." +
                  std::to_string(ClavesProducto().size()));
  if (o.creaBaseDatos && !o.copiaBaseDatos.empty())
    throw Error("la base de datos se crea o se copia, no ambas cosas");
}

}  // namespace

const std::vector<std::string>& ClavesProducto() {
  static const std::vector<std::string> claves = {
      "SOFTWARE\\Pelmora Soft\\Zelvano Nova",
      "SOFTWARE\\Pelmora Soft\\Zelvano \xC3\x81pice",
      "SOFTWARE\\Pelmora Soft\\Zelvano Apice",
      "SOFTWARE\\Pelmora Soft\\Zelvano Start \xC3\x81pice",
      "SOFTWARE\\Pelmora Soft\\Zelvano Start Apice",
      "SOFTWARE\\Pelmora Soft\\Zelvano Start \xC3\x81pice 8",
      "SOFTWARE\\Pelmora Soft\\Zelvano Start Apice 8",
      "SOFTWARE\\Pelmora Soft\\Zelvano",
      "SOFTWARE\\PelmoraSoft\\Zelvano",
  };
  return claves;
}

void EscribePrograma(const fs::path& destino, const std::string& version, bool conVersion) {
  std::string bytes = LeeBinario(conVersion ? ZELVANO_PROGRAMA_FALSO : ZELVANO_PROGRAMA_FALSO_SIN_VERSION);
  if (conVersion) {
    const std::string marca = Utf16le(T(std::string(ZELVANO_MARCA_VERSION)));
    const Texto texto = T(version);
    if (texto.size() > marca.size() / 2)
      throw Error("la versión \"" + version + "\" no cabe en " + std::to_string(marca.size() / 2) + " caracteres");
    std::string nuevo = Utf16le(texto);
    nuevo.resize(marca.size(), '\0');
    size_t veces = 0;
    for (size_t p = bytes.find(marca); p != std::string::npos; p = bytes.find(marca, p + marca.size())) {
      bytes.replace(p, marca.size(), nuevo);
      ++veces;
    }
    if (veces == 0) throw Error("el programa falso no lleva la marca de versión");
  }
  EscribeBinario(destino, bytes);
  fs::permissions(destino, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add);
}

void GeneraInstalacion(const Opciones& o) {
  Comprueba(o);
  const fs::path& app = o.destino;
  fs::create_directories(app);

  const std::string rutaAplicacion =
      o.rutaAplicacion.empty() ? ConSeparador(fs::absolute(app).string(), '/') : o.rutaAplicacion;
  const char sep = Separador(rutaAplicacion);
  const std::string rutaDatos =
      o.rutaDatos.empty() ? rutaAplicacion + "Datos" + std::string(1, sep) : o.rutaDatos;
  const std::string rutaRegistro = o.rutaRegistro.empty() ? rutaAplicacion : o.rutaRegistro;

  if (o.start) EscribePrograma(app / "Zelvano_Start.exe", o.version, o.recursoVersion);
  if (o.programas) {
    for (const char* n : {"Zelvano.exe", "Zelvano.dll", "Corvisto.exe"}) EscribePrograma(app / n, o.version);
  }
  if (o.pindalDll) EscribeConfiguracion(app / "Pindal.dll", o, rutaAplicacion, rutaDatos, o.nombrePC);
  if (o.pindalDat) {
    EscribeConfiguracion(app / "Pindal.dat", o, rutaAplicacion, rutaDatos,
                         o.nombrePCDat.empty() ? o.nombrePC : o.nombrePCDat);
  }

  // Data of the product and what earlier versions left behind.
  Ficheros(app / "Datos", {"Clientes.dat", "Articulos.dat"});
  EscribeBinario(app / "Datos" / "Version.txt", o.version + "\r\n");
  for (int n : o.puntosRestauracion) Ficheros(app / "Datos", {(std::to_string(n) + ".NBK").c_str()});
  Ficheros(app / "Datos" / "CierresZ", {"Cierre_0001.txt", "Cierre_0002.txt"});
  Ficheros(app / "BDD Predefinidas" / "Vacia", {"QVD.FBK"});
  Ficheros(app / "CapturaExcepciones", {"Captura_0001.txt"});
  Ficheros(app / "Imagenes", {"Logo.bmp"});
  Ficheros(app / "Documentos", {"Manual.txt"});
  Ficheros(app, {"Excepciones.log", "Excepciones_Act_202103.log", "Excepciones_Act_202110.log",
                 "DesencriptarFichero.exe"});
  fs::create_directories(app / "Update");
  if (o.tempAnterior) {
    Ficheros(app / "Temp" / "202101_202103", {"Zelvano.exe", "Pindal.dat"});
    plataforma::PonAtributos(T(app / "Temp"), plataforma::ATR_OCULTO | plataforma::ATR_DIRECTORIO);
  }
  if (o.clip) EscribeBinario(app / "Galeria" / "Videos" / "Mantenimiento.avi", std::string("RIFF\0\0\0\0AVI ", 12));

  if (o.rar) {
    const fs::path rar = ZELVANO_RAR_PROGRAMA;
    if (!fs::exists(rar)) throw Error("falta la herramienta de extracción " + rar.string());
    fs::copy_file(rar, app / "rar.exe", fs::copy_options::overwrite_existing);
  }

  const fs::path baseDatos = app / "Datos" / "QVD.FB";
  if (!o.copiaBaseDatos.empty()) fs::copy_file(o.copiaBaseDatos, baseDatos, fs::copy_options::overwrite_existing);
  if (o.creaBaseDatos) {
#ifdef ZELVANO_GENERADOR_CON_BASEDATOS
    // The Firebird server may run as another user: it writes the file here.
    fs::permissions(app / "Datos", fs::perms::all, fs::perm_options::add);
    soporte_bd::CreaBaseDatos(fs::absolute(baseDatos).string(), o.version);
#else
    throw Error("este generador se compiló sin la base de datos de prueba");
#endif
  }

  if (!o.almacenRegistro.empty()) SiembraAlmacen(o, rutaRegistro);
  if (!o.ficheroReg.empty()) EscribeFicheroReg(o, rutaRegistro);
}

const char* const kUso =
    "uso: genera_instalacion --destino CARPETA [opciones]\n"
    "  --version V            versión de los programas (20.21.1.0)\n"
    "  --servidor N           nombre del servidor de la base de datos\n"
    "  --nombre-pc N          nombre de este equipo en la configuración\n"
    "  --ruta-windows R       carpeta de la aplicación tal como la ve Windows (C:\\Zelvano\\)\n"
    "  --ruta-aplicacion R    carpeta de la aplicación guardada en Pindal.dll\n"
    "  --ruta-datos R         carpeta de la base de datos guardada en Pindal.dll\n"
    "  --ruta-registro R      carpeta guardada en el registro\n"
    "  --registro F           almacén de registro posix que sembrar\n"
    "  --reg F                fichero .reg para un prefijo de Wine\n"
    "  --clave N              clave de producto que sembrar (1..9, repetible)\n"
    "  --sin-clave            ninguna clave de producto\n"
    "  --sin-valor-ruta       la clave sin \"Application Install Patch\"\n"
    "  --base-datos           base de datos real de la versión en Datos\\QVD.FB\n"
    "  --copia-base-datos F   copia F como Datos\\QVD.FB\n"
    "  --sin-version          Zelvano_Start.exe sin recurso de versión\n"
    "  --sin-start            sin Zelvano_Start.exe\n"
    "  --sin-programas        sin Zelvano.exe, Zelvano.dll ni Corvisto.exe\n"
    "  --sin-pindal-dll       sin fichero de configuración\n"
    "  --pindal-dat           también Pindal.dat\n"
    "  --nombre-pc-dat N      nombre de equipo distinto en Pindal.dat\n"
    "  --temp-anterior        carpeta Temp de una actualización anterior\n"
    "  --puntos 3,7,75        puntos de restauración en Datos (vacío: ninguno)\n"
    "  --sin-rar              sin rar.exe\n"
    "  --clip                 Galeria\\Videos\\Mantenimiento.avi\n";

Opciones LeeArgumentos(const std::vector<std::string>& args) {
  Opciones o;
  bool clavesDadas = false;
  bool rutaWindows = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto valor = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw Error("falta el valor de " + a);
      return args[++i];
    };
    if (a == "--destino") o.destino = valor();
    else if (a == "--version") o.version = valor();
    else if (a == "--servidor") o.nombreServidor = valor();
    else if (a == "--nombre-pc") o.nombrePC = valor();
    else if (a == "--ruta-windows" || a == "--ruta-aplicacion") {
      o.rutaAplicacion = valor();
      rutaWindows = rutaWindows || a == "--ruta-windows";
    }
    else if (a == "--ruta-datos") o.rutaDatos = valor();
    else if (a == "--ruta-registro") o.rutaRegistro = valor();
    else if (a == "--registro") o.almacenRegistro = valor();
    else if (a == "--reg") o.ficheroReg = valor();
    else if (a == "--clave") {
      if (!clavesDadas) o.claves.clear();
      clavesDadas = true;
      const std::string& v = valor();
      char* fin = nullptr;
      const long n = std::strtol(v.c_str(), &fin, 10);
      if (v.empty() || *fin != '\0') throw Error("clave no válida: " + v);
      o.claves.push_back(static_cast<int>(n));
    }
    else if (a == "--sin-clave") { o.claves.clear(); clavesDadas = true; }
    else if (a == "--sin-valor-ruta") o.valorRuta = false;
    else if (a == "--base-datos") o.creaBaseDatos = true;
    else if (a == "--copia-base-datos") o.copiaBaseDatos = valor();
    else if (a == "--sin-version") o.recursoVersion = false;
    else if (a == "--sin-start") o.start = false;
    else if (a == "--sin-programas") o.programas = false;
    else if (a == "--sin-pindal-dll") o.pindalDll = false;
    else if (a == "--pindal-dat") o.pindalDat = true;
    else if (a == "--nombre-pc-dat") o.nombrePCDat = valor();
    else if (a == "--temp-anterior") o.tempAnterior = true;
    else if (a == "--puntos") {
      o.puntosRestauracion.clear();
      const std::string& v = valor();
      for (size_t p = 0; p < v.size();) {
        size_t q = v.find(',', p);
        if (q == std::string::npos) q = v.size();
        const std::string n = v.substr(p, q - p);
        if (n.empty() || n.find_first_not_of("0123456789") != std::string::npos)
          throw Error("punto de restauración no válido: " + n);
        o.puntosRestauracion.push_back(std::stoi(n));
        p = q + 1;
      }
    }
    else if (a == "--sin-rar") o.rar = false;
    else if (a == "--clip") o.clip = true;
    else throw Error("opción desconocida: " + a);
  }
  // A Wine installation gets the Windows tool from its own test harness: a
  // Linux program named rar.exe would only stand in its way.
  if (rutaWindows) o.rar = false;
  if (o.destino.empty()) throw Error("falta --destino");
  return o;
}

}  // namespace generador
