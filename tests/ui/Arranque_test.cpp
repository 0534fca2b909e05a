// The entry point as a program: a second copy hands over to the first one and
// ends with status 0 without creating any window.
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/plataforma.h"
#include "tests/ui/Ayuda.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs the wizard with the current environment; returns its exit status.
int EjecutaAsistente() {
  const std::string programa = std::string(ZELVANO_DIR_BUILD) + "/Act_202103_a_202128";
  if (!fs::exists(programa)) {
    ADD_FAILURE() << "falta el ejecutable " << programa << " (compile el proyecto completo)";
    return -1;
  }
  char* argv[] = {const_cast<char*>(programa.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, programa.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  int estado = 0;
  waitpid(pid, &estado, 0);
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

TEST(Arranque, LaSegundaCopiaActivaLaPrimeraYTermina) {
  char plantilla[] = "/tmp/mutex_ui_XXXXXX";
  ASSERT_NE(mkdtemp(plantilla), nullptr);
  setenv("ZELVANO_DIR_MUTEX", plantilla, 1);
  // This test process plays the running copy: it holds the single-instance guard.
  ASSERT_TRUE(plataforma::CreaMutexUnico(u"Actualización Zelvano"));
  prueba_ui::Transcripcion transcripcion;
  EXPECT_EQ(EjecutaAsistente(), 0);
  const auto eventos = transcripcion.Eventos();
  ASSERT_EQ(eventos.size(), 1u);
  EXPECT_EQ(eventos[0]["evento"].cadena, "otra_instancia");
  EXPECT_EQ(eventos[0]["titulo"].cadena, "Actualización Zelvano");
  unsetenv("ZELVANO_DIR_MUTEX");
  std::error_code ec;
  fs::remove_all(plantilla, ec);
}

}  // namespace
