// The Windows build loads fbclient.dll at run time: checked under Wine with a
// probe built from the same source, next to no library, an incomplete one
// and a complete one.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/plataforma/NucleoWine.h"

namespace {

namespace fs = std::filesystem;

const std::string kFuentes = ZELVANO_DIR_FUENTES;
const char* const kFunciones[] = {
    "isc_attach_database",   "isc_detach_database",     "isc_start_transaction", "isc_commit_retaining",
    "isc_rollback_retaining", "isc_rollback_transaction", "isc_dsql_allocate_statement", "isc_dsql_prepare",
    "isc_dsql_execute",      "isc_dsql_execute2",       "isc_dsql_fetch",          "isc_dsql_free_statement", "isc_sqlcode",           "fb_interpret",
    "isc_service_attach",    "isc_service_detach",      "isc_service_start",     "isc_service_query"};

class ClienteWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prueba::AvisaWine();
    carpeta_ = new fs::path(fs::temp_directory_path() / ("zv_cliente_" + std::to_string(::getpid())));
    fs::create_directories(*carpeta_);
    fs::copy_file("/usr/include/ibase.h", *carpeta_ / "ibase.h", fs::copy_options::overwrite_existing);
    const std::string orden =
        prueba::Wine().triple + "-g++ -std=c++17 -O0 -I'" + kFuentes + "' -I'" + carpeta_->string() +
        "' -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 -DZELVANO_WIN32=1 '" +
        kFuentes + "/tests/basedatos/sonda/sonda_cliente.cpp' '" + kFuentes + "/database/ClienteFirebird.cpp' '" +
        kFuentes + "/platform/comun/texto.cpp' -static -o '" + (*carpeta_ / "sonda.exe").string() + "' 2>'" +
        (*carpeta_ / "cc.log").string() + "'";
    compilado_ = std::system(orden.c_str()) == 0;
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(*carpeta_, ec);
    delete carpeta_;
  }
  void SetUp() override { ASSERT_TRUE(compilado_) << "mingw no compila la sonda"; }

  // A fake fbclient.dll exporting the given functions (undecorated, as the
  // real library exports them).
  static void CreaBiblioteca(const std::vector<std::string>& funciones) {
    std::ostringstream c;
    for (const auto& f : funciones) c << "__declspec(dllexport) int __stdcall " << f << "(void) { return 0; }\n";
    std::ofstream(*carpeta_ / "falsa.c") << c.str();
    const std::string orden = prueba::Wine().triple + "-gcc -shared -Wl,--kill-at '" + (*carpeta_ / "falsa.c").string() +
                              "' -o '" + (*carpeta_ / "fbclient.dll").string() + "'";
    ASSERT_EQ(std::system(orden.c_str()), 0);
  }

  static std::string Sonda() {
    const std::string prefijo = std::string(ZELVANO_DIR_BUILD) + "/prefijo-wine-basedatos" + prueba::SufijoPrefijoWine();
    const fs::path salida = *carpeta_ / "salida.txt";
    const std::string orden = "cd '" + carpeta_->string() + "' && " + prueba::EntornoWine() + "WINEPREFIX='" + prefijo +
                              "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' timeout 300 wine sonda.exe > '" +
                              salida.string() + "' 2>/dev/null";
    EXPECT_EQ(std::system(orden.c_str()), 0);
    std::ifstream f(salida);
    std::string linea;
    std::getline(f, linea);
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    return linea;
  }

  static fs::path* carpeta_;
  static bool compilado_;
};

fs::path* ClienteWindows::carpeta_ = nullptr;
bool ClienteWindows::compilado_ = false;

TEST_F(ClienteWindows, MissingOrIncompleteLibraryRaisesTheClientErrorCompleteOneLoads) {
  const std::string kError = "EIBClientError|No se encuentra la biblioteca cliente de Firebird (fbclient.dll).";
  fs::remove(*carpeta_ / "fbclient.dll");
  EXPECT_EQ(Sonda(), kError);

  std::vector<std::string> todas(std::begin(kFunciones), std::end(kFunciones));
  CreaBiblioteca(std::vector<std::string>(todas.begin(), todas.end() - 1));
  EXPECT_EQ(Sonda(), kError);

  CreaBiblioteca(todas);
  EXPECT_EQ(Sonda(), "CARGADA");
}

}  // namespace
