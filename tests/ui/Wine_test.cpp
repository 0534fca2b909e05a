// The win32 backend of the UI layer against the real API: a probe built with
// the cross compiler from the layer's sources and the product's resources
// runs under Wine (on a private X server when there is no display) and
// reports one line per check.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "tests/plataforma/NucleoWine.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kFuentes = ZELVANO_DIR_FUENTES;

std::string Lee(const fs::path& f) {
  std::ifstream e(f, std::ios::binary);
  std::stringstream s;
  s << e.rdbuf();
  return s.str();
}

class SondaWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char plantilla[] = "/tmp/sonda_ui_XXXXXX";
    carpeta_ = mkdtemp(plantilla);
    const std::string c = "'" + carpeta_.string() + "'";
    prueba::AvisaWine();
    const std::string recursos = prueba::Wine().triple + "-windres -I'" + kFuentes + "' '" + kFuentes +
                                 "/resources/Act_202103_a_202128.rc' -O coff -o " + c + "/recursos.res 2>" + c +
                                 "/cc.log";
    if (std::system(recursos.c_str()) != 0) return;
    std::string fuentes;
    for (const char* f : {"tests/ui/sonda/sonda_ui.cpp", "platform/comun/texto.cpp", "platform/comun/ui_controles.cpp",
                          "platform/comun/ui_foco.cpp", "platform/comun/espera.cpp", "platform/comun/ui_medidas.cpp",
                          "platform/win32/sistema.cpp", "platform/win32/inyeccion.cpp"})
      fuentes += " '" + kFuentes + "/" + f + "'";
    // Every module of the Windows UI layer, however it is split.
    for (const auto& e : std::filesystem::directory_iterator(kFuentes + "/platform/win32")) {
      const std::string nombre = e.path().filename().string();
      if (nombre.rfind("ui_", 0) == 0 && e.path().extension() == ".cpp") fuentes += " '" + e.path().string() + "'";
    }
    const std::string orden = prueba::Wine().triple + "-g++ -std=c++17 -O0 -Wall -Wextra -Werror -I'" + kFuentes +
                              "' -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601"
                              " -DZELVANO_WIN32=1" +
                              fuentes + " " + c + "/recursos.res -o " + c +
                              "/sonda.exe -static -lcomctl32 -lgdi32 -luser32 -lmsimg32 -lversion -lshell32"
                              " -ladvapi32 -lole32 2>" + c + "/cc.log";
    if (std::system(orden.c_str()) != 0) return;
    compilado_ = true;
    ArrancaPantalla();
    const std::string prefijo = std::string(ZELVANO_DIR_BUILD) + "/prefijo-wine-ui" + prueba::SufijoPrefijoWine();
    const std::string ejecuta = prueba::EntornoWine() + "WINEPREFIX='" + prefijo + "' WINEDEBUG=-all DISPLAY='" + pantalla_ +
                                "' timeout 600 wine " + c + "/sonda.exe > " + c + "/salida.txt 2>/dev/null";
    estado_ = std::system(ejecuta.c_str());
    for (std::istringstream s(Lee(carpeta_ / "salida.txt")); s;) {
      std::string linea;
      std::getline(s, linea);
      if (!linea.empty() && linea.back() == '\r') linea.pop_back();
      if (linea == "FIN") fin_ = true;
      const auto espacio = linea.find(' ');
      if (espacio == std::string::npos) continue;
      const std::string veredicto = linea.substr(0, espacio);
      std::string nombre = linea.substr(espacio + 1);
      std::string detalle;
      const auto dos = nombre.find(':');
      if (dos != std::string::npos) {
        detalle = nombre.substr(dos + 1);
        nombre.resize(dos);
      }
      resultados_[nombre] = veredicto == "OK" ? "" : "FALLO" + detalle;
    }
  }

  static void TearDownTestSuite() {
    if (servidorX_ > 0) {
      kill(servidorX_, SIGTERM);
      waitpid(servidorX_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(carpeta_, ec);
  }

  // The probe needs an X display: the one of the session, or a private Xvfb.
  static void ArrancaPantalla() {
    if (const char* d = std::getenv("DISPLAY"); d && *d) {
      pantalla_ = d;
      return;
    }
    for (int n = 150; n < 200; ++n) {
      if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
      const std::string numero = ":" + std::to_string(n);
      std::string programa = "Xvfb";
      char* argv[] = {programa.data(), const_cast<char*>(numero.c_str()), const_cast<char*>("-screen"),
                      const_cast<char*>("0"), const_cast<char*>("1024x768x24"),
                      const_cast<char*>("-nolisten"), const_cast<char*>("tcp"), nullptr};
      if (posix_spawnp(&servidorX_, "Xvfb", nullptr, nullptr, argv, environ) != 0) return;
      const fs::path enchufe = "/tmp/.X11-unix/X" + std::to_string(n);
      for (int i = 0; i < 200 && !fs::exists(enchufe); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      pantalla_ = numero;
      return;
    }
  }

  void SetUp() override { ASSERT_TRUE(compilado_) << Lee(carpeta_ / "cc.log"); }

  static fs::path carpeta_;
  static bool compilado_, fin_;
  static int estado_;
  static pid_t servidorX_;
  static std::string pantalla_;
  static std::map<std::string, std::string> resultados_;
};

fs::path SondaWine::carpeta_;
bool SondaWine::compilado_ = false;
bool SondaWine::fin_ = false;
int SondaWine::estado_ = -1;
pid_t SondaWine::servidorX_ = 0;
std::string SondaWine::pantalla_;
std::map<std::string, std::string> SondaWine::resultados_;

TEST_F(SondaWine, ComprobacionesDeLaSonda) {
  EXPECT_EQ(estado_, 0);
  EXPECT_TRUE(fin_) << "la sonda no terminó";
  const char* esperadas[] = {
      "recurso_de_version",          "imagen_Encendido",
      "imagen_Salir",                "imagen_YouTube",
      "imagen_Dialogos",             "manifiesto",
      "principal_tamano_cliente",    "principal_sin_menu_de_sistema",
      "principal_titulo",            "otra_instancia_la_encuentra",
      "control_por_nombre",          "etiqueta_con_su_texto",
      "boton_con_imagen",            "barra_limitada",
      "memo_texto",                  "memo_muchas_lineas",
      "rico_lineas_mostradas",       "modal_cuenta_atras",
      "dialogo_tamano_cliente",      "dialogo_encima_sin_titulo",
      "modal_boton_no",              "modal_cerrado_por_el_sistema",
      "excepcion_al_manejador",      "casilla_marcada_por_el_usuario",
      "casilla_desmarcada_por_programa", "temporizador_desde_el_bombeo",
      "parpadeo",                    "cursor",
      "bucle_acaba_al_cerrar",       "teclado_dialogo",
      "teclado_casilla_y_boton",     "memo_dado_desde_la_primera_linea",
      "teclado_formulario_deshabilitado", "cierre_del_sistema_ignorado",
      "cierre_del_sistema_deshabilitada", "pausa_muestra_lo_ultimo",
  };
  for (const char* nombre : esperadas) EXPECT_TRUE(resultados_.count(nombre)) << nombre << ": no se comprobó";
  for (const auto& [nombre, fallo] : resultados_) EXPECT_EQ(fallo, "") << nombre;
}

}  // namespace
