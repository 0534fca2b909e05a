// Lays out the payload folder of the new version (20.21.2.8):
//
//   genera_carga <folder> [--start-pe <Zelvano_Start.exe>]
//
// 39 files in 12 folders, the layout the update wizard unpacks over the
// application folder. Without --start-pe, "Zelvano_Start.exe" is a minimal
// PE carrying the version resource 20.21.2.8.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/rar/muestras.h"
#include "tools/rar/pe_version.h"

namespace fs = std::filesystem;
using namespace zelvano::rar;

namespace {

void escribe(const fs::path& raiz, const std::string& relativa, const std::vector<uint8_t>& datos) {
  fs::path ruta = raiz / fs::u8path(relativa);
  fs::create_directories(ruta.parent_path());
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(datos.data()), static_cast<std::streamsize>(datos.size()));
  if (!f) throw std::runtime_error("no se puede escribir " + ruta.u8string());
}

std::vector<uint8_t> lee(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) throw std::runtime_error("no se puede leer " + ruta.u8string());
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

const char* const kDocumentos[] = {
    "Manual de usuario", "Guía rápida", "Guía de instalación", "Configuración de impresoras",
    "Cierre de caja", "Gestión de mesas", "Comandas en cocina", "Familias y artículos",
    "Tarifas y precios", "Clientes y fidelización", "Proveedores y compras", "Control de stock",
    "Informes de ventas", "Copias de seguridad", "Terminales Corvisto", "Pantalla táctil",
    "Cajón portamonedas", "Visor de cliente", "Novedades 20.21.2.8", "Preguntas frecuentes"};

const char* const kBasesPredefinidas[] = {"Vacia",         "Tex-Mex",         "Pub Discoteca", "Taberna Meson",
                                          "Marisqueria",   "Bar Restaurante", "Pizzeria"};

std::vector<uint8_t> copia_qvd(int indice, const std::string& nombre) {
  // A backup of the product database: a recognisable header, the name of
  // the ready-made database and table-like records.
  std::string cabecera = std::string("GBAK\x01\x00QVD.FB\x00", 12) + "Base predefinida: " + nombre + "\r\n";
  std::vector<uint8_t> v(cabecera.begin(), cabecera.end());
  auto datos = datos_binarios(100 + static_cast<uint32_t>(indice), 12000 + 1500 * static_cast<size_t>(indice));
  v.insert(v.end(), datos.begin(), datos.end());
  return v;
}

void genera(const fs::path& raiz, const fs::path& start_pe) {
  DatosVersion v;
  escribe(raiz, "Zelvano_Start.exe", start_pe.empty() ? pe_con_version(v) : lee(start_pe));
  v.dll = true;
  v.descripcion = "Zelvano, biblioteca principal";
  v.nombre_original = "Zelvano.dll";
  escribe(raiz, "Zelvano.dll", pe_con_version(v));
  v.dll = false;
  v.descripcion = "Corvisto, toma de comandas";
  v.nombre_original = "Corvisto.exe";
  v.producto = "Corvisto";
  escribe(raiz, "Corvisto.exe", pe_con_version(v));

  escribe(raiz, "Galeria/porciones.jpg", jpeg_gris(64, 48, 200, "Porciones"));
  escribe(raiz, "Galeria/Familias/Domicilio.jpg", jpeg_gris(48, 48, 90, "Domicilio"));
  escribe(raiz, "Galeria/Familias/para_llevar.jpg", jpeg_gris(48, 32, 128, "Para llevar"));

  int n = 0;
  for (const char* titulo : kDocumentos) {
    std::vector<std::string> lineas = {
        std::string("Zelvano 20.21.2.8 - ") + titulo,
        "Documento de ayuda del programa de punto de venta para bares y restaurantes.",
        "Capítulo " + std::to_string(++n) + ": instrucciones paso a paso para el uso diario.",
        "Consulte también la guía rápida y las preguntas frecuentes."};
    escribe(raiz, std::string("Documentos/") + titulo + ".pdf", pdf_simple(titulo, lineas));
  }
  escribe(raiz, "Documentos/Contrato de licencia.rtf",
          rtf_simple("Contrato de licencia de uso", {"El uso de Zelvano y Corvisto está sujeto a las condiciones "
                                                     "de este contrato.",
                                                     "La licencia es válida para una instalación con sus terminales."}));
  escribe(raiz, "Documentos/Condiciones de soporte.rtf",
          rtf_simple("Condiciones del servicio de soporte",
                     {"El servicio técnico atiende de lunes a sábado.", "Las actualizaciones se instalan en todos los "
                                                                         "equipos de la instalación."}));
  escribe(raiz, "Documentos/Léame.txt",
          texto_ansi({"Zelvano 20.21.2.8", "", "Novedades de esta versión:", "- Gestión de porciones en la galería.",
                      "- Nuevas familias Domicilio y Para llevar.", "- Notificaciones en los terminales Corvisto."}));

  v.dll = true;
  v.descripcion = "Zelvano, notificaciones";
  v.nombre_original = "nzw.dll";
  v.producto = "Zelvano";
  escribe(raiz, "Update/nzw.dll", pe_con_version(v));
  escribe(raiz, "Update/notificaciones.dat", datos_binarios(7, 6000));
  escribe(raiz, "Update/update.dat",
          texto_ansi({"[Actualizacion]", "Version=20.21.2.8", "Origen=20.21.0.3", "Hasta=20.21.1.8"}));

  int i = 0;
  for (const char* base : kBasesPredefinidas)
    escribe(raiz, std::string("BDD Predefinidas/") + base + "/QVD.FBK", copia_qvd(i++, base));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--start-pe")) {
    std::fputs("uso: genera_carga <carpeta> [--start-pe <Zelvano_Start.exe>]\n", stderr);
    return 1;
  }
  try {
    fs::path raiz = fs::u8path(argv[1]);
    std::error_code ec;
    fs::remove_all(raiz, ec);
    fs::create_directories(raiz);
    genera(raiz, argc == 4 ? fs::u8path(argv[3]) : fs::path());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "genera_carga: %s\n", e.what());
    return 2;
  }
  return 0;
}
