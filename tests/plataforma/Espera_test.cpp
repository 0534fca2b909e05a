// What the thread does while it waits: the pause the layer above gives, and
// the beats of a long operation, never those of a short one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/plataforma.h"

namespace {

std::vector<uint32_t> pausas;
int latidos = 0;

class Espera : public ::testing::Test {
 protected:
  void SetUp() override {
    pausas.clear();
    latidos = 0;
    ::unsetenv("ZELVANO_FACTOR_PAUSAS");
    ::unsetenv("ZELVANO_CUENTA_PAUSAS");
    plataforma::FijaEspera([](uint32_t ms) { pausas.push_back(ms); }, [] { ++latidos; });
  }
  void TearDown() override { plataforma::FijaEspera(nullptr, nullptr); }
};

TEST_F(Espera, LaPausaEsLaDeLaCapaDeArriba) {
  plataforma::Duerme(2000);
  plataforma::Duerme(500);
  EXPECT_EQ(pausas, (std::vector<uint32_t>{2000, 500}));
  // Without one, a plain sleep.
  plataforma::FijaEspera(nullptr, nullptr);
  const auto antes = std::chrono::steady_clock::now();
  plataforma::Duerme(30);
  EXPECT_GE(std::chrono::steady_clock::now() - antes, std::chrono::milliseconds(30));
  EXPECT_EQ(pausas.size(), 2u);
}

TEST_F(Espera, SoloLateLaOperacionLarga) {
  plataforma::Latidos operacion;
  for (int i = 0; i < 100; ++i) operacion.Late();
  EXPECT_EQ(latidos, 0) << "una operación corta no late";
  std::this_thread::sleep_for(std::chrono::milliseconds(plataforma::kIntervaloLatidoMs + 10));
  operacion.Late();
  operacion.Late();
  EXPECT_EQ(latidos, 1) << "un latido por intervalo";
  plataforma::FijaEspera(nullptr, nullptr);
  EXPECT_FALSE(plataforma::Latidos::Hay());
  std::this_thread::sleep_for(std::chrono::milliseconds(plataforma::kIntervaloLatidoMs + 10));
  operacion.Late();
  EXPECT_EQ(latidos, 1);
}

// A file of several pieces is copied whole, whatever its beats do meanwhile.
TEST_F(Espera, LaCopiaGrandeQuedaEnteraConSusLatidos) {
  char plantilla[] = "/tmp/espera_XXXXXX";
  const std::string carpeta = ::mkdtemp(plantilla);
  const std::string origen = carpeta + "/grande.bin", destino = carpeta + "/copia.bin";
  {
    std::FILE* f = std::fopen(origen.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::vector<char> trozo(1 << 20);
    for (int i = 0; i < 150; ++i) {
      for (size_t j = 0; j < trozo.size(); j += 4096) trozo[j] = static_cast<char>(i + j / 4096);
      ASSERT_EQ(std::fwrite(trozo.data(), 1, trozo.size(), f), trozo.size());
    }
    std::fclose(f);
  }
  plataforma::FijaEspera(nullptr, [] {
    ++latidos;
    std::this_thread::sleep_for(std::chrono::milliseconds(plataforma::kIntervaloLatidoMs));
  });
  ASSERT_TRUE(plataforma::CopiaFichero(texto::DeUtf8(origen), texto::DeUtf8(destino), false));
  const std::string orden = "cmp -s '" + origen + "' '" + destino + "'";
  EXPECT_EQ(std::system(orden.c_str()), 0);
  std::system(("rm -rf '" + carpeta + "'").c_str());
}

}  // namespace
