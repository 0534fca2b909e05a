// The file-backed registry of the posix backend.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "tests/plataforma/Entorno.h"

namespace {

using namespace plataforma;
using texto::Texto;

class Registro : public ::testing::Test {
 protected:
  prueba::CarpetaTemporal carpeta_;
  prueba::VariableEntorno almacen_{"ZELVANO_REGISTRO", carpeta_.Posix("registro")};
};

TEST_F(Registro, ClavesYValoresSinMayusculas) {
  EXPECT_FALSE(ExisteClave(Raiz::UsuarioActual, u"Software\\Pelmora Soft\\Zelvano"));
  Clave k;
  EXPECT_FALSE(k.AbreLectura(Raiz::UsuarioActual, u"Software\\Pelmora Soft\\Zelvano"));
  EXPECT_FALSE(k.Abierta());
  ASSERT_TRUE(k.AbreOCrea(Raiz::UsuarioActual, u"Software\\Pelmora Soft\\Zelvano"));
  k.EscribeTexto(u"Application Install Patch", u"C:\\Zelvano\\");
  k.EscribeTexto(u"", u"por defecto");
  k.EscribeTexto(u"Acentos", u"Actualizaci\u00F3n \u20AC\ttab\nl\u00EDnea\\");
  k.Cierra();

  // Parents exist; names match without regard to case; roots are apart.
  EXPECT_TRUE(ExisteClave(Raiz::UsuarioActual, u"SOFTWARE\\pelmora soft"));
  EXPECT_FALSE(ExisteClave(Raiz::ClasesRaiz, u"Software\\Pelmora Soft\\Zelvano"));
  Clave l;
  ASSERT_TRUE(l.AbreLectura(Raiz::UsuarioActual, u"software\\PELMORA SOFT\\zelvano\\"));
  Texto v;
  ASSERT_TRUE(l.LeeTexto(u"APPLICATION INSTALL PATCH", v));
  EXPECT_EQ(v, u"C:\\Zelvano\\");
  ASSERT_TRUE(l.LeeTexto(u"", v));
  EXPECT_EQ(v, u"por defecto");
  ASSERT_TRUE(l.LeeTexto(u"acentos", v));
  EXPECT_EQ(v, u"Actualizaci\u00F3n \u20AC\ttab\nl\u00EDnea\\");
  EXPECT_FALSE(l.LeeTexto(u"Falta", v));
  EXPECT_TRUE(l.ExisteValor(u"Acentos"));
  EXPECT_FALSE(l.ExisteValor(u"Falta"));

  // Replacing keeps one value.
  Clave m;
  ASSERT_TRUE(m.AbreOCrea(Raiz::UsuarioActual, u"Software\\Pelmora Soft\\Zelvano"));
  m.EscribeTexto(u"application install patch", u"D:\\Otra\\");
  ASSERT_TRUE(l.LeeTexto(u"Application Install Patch", v));
  EXPECT_EQ(v, u"D:\\Otra\\");
}

TEST_F(Registro, ValorQueNoEsTextoLanzaExcepcion) {
  Clave k;
  ASSERT_TRUE(k.AbreOCrea(Raiz::UsuarioActual, u"Software\\Prueba"));
  k.EscribeEntero(u"Numero", 7);
  Texto v = u"sin tocar";
  try {
    k.LeeTexto(u"numero", v);
    FAIL() << "a number read as text must raise";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.ClassName(), "ERegistryException");
    EXPECT_NE(e.Message().find(u"numero"), Texto::npos);
  }
  EXPECT_EQ(v, u"sin tocar");
  Clave cerrada;
  EXPECT_THROW(cerrada.EscribeTexto(u"x", u"y"), ERegistryException);
  // Opened for reading only, as RegOpenKeyExW with read access.
  Clave lectura;
  ASSERT_TRUE(lectura.AbreLectura(Raiz::UsuarioActual, u"Software\\Prueba"));
  EXPECT_THROW(lectura.EscribeTexto(u"x", u"y"), ERegistryException);
  EXPECT_FALSE(lectura.ExisteValor(u"x"));
}

TEST_F(Registro, BorraClaveConSubclaves) {
  for (const char16_t* ruta : {u"Software\\Z\\A", u"Software\\Z\\A\\B", u"Software\\ZZ", u"Software\\Z\\AB"}) {
    Clave k;
    ASSERT_TRUE(k.AbreOCrea(Raiz::UsuarioActual, ruta));
    k.EscribeTexto(u"v", ruta);
  }
  Clave k;
  ASSERT_TRUE(k.AbreOCrea(Raiz::ClasesRaiz, u"Software\\Z\\A"));
  EXPECT_TRUE(BorraClave(Raiz::UsuarioActual, u"software\\z\\a"));
  EXPECT_FALSE(ExisteClave(Raiz::UsuarioActual, u"Software\\Z\\A"));
  EXPECT_FALSE(ExisteClave(Raiz::UsuarioActual, u"Software\\Z\\A\\B"));
  EXPECT_TRUE(ExisteClave(Raiz::UsuarioActual, u"Software\\Z\\AB"));
  EXPECT_TRUE(ExisteClave(Raiz::UsuarioActual, u"Software\\ZZ"));
  EXPECT_TRUE(ExisteClave(Raiz::ClasesRaiz, u"Software\\Z\\A"));
  // A key that is not there is gone already.
  EXPECT_TRUE(BorraClave(Raiz::UsuarioActual, u"Software\\Nunca"));
}

TEST_F(Registro, AlmacenDanadoNoSeSobrescribe) {
  carpeta_.Escribe("registro", "basura sin cabecera\n");
  Clave k;
  EXPECT_FALSE(k.AbreOCrea(Raiz::UsuarioActual, u"Software\\X"));
  EXPECT_FALSE(k.AbreLectura(Raiz::UsuarioActual, u"Software\\X"));
  EXPECT_EQ(carpeta_.Lee("registro"), "basura sin cabecera\n");
}

TEST_F(Registro, UnaMuerteAMitadDeEscrituraDejaUnEstadoEntero) {
  {
    Clave k;
    ASSERT_TRUE(k.AbreOCrea(Raiz::UsuarioActual, u"Software\\Contador"));
    k.EscribeTexto(u"n", u"0");
  }
  for (int ronda = 0; ronda < 5; ++ronda) {
    int listo[2];
    ASSERT_EQ(::pipe(listo), 0);
    pid_t hijo = ::fork();
    if (hijo == 0) {
      Clave k;
      if (!k.AbreOCrea(Raiz::UsuarioActual, u"Software\\Contador")) ::_exit(1);
      // A large value makes every write long enough to be cut.
      const Texto relleno(20000, u'x');
      for (int i = 1;; ++i) {
        k.EscribeTexto(u"relleno", relleno + texto::FormatoEntero(i));
        k.EscribeTexto(u"n", texto::FormatoEntero(i));
        if (i == 3) (void)!::write(listo[1], "y", 1);
      }
    }
    char c;
    ASSERT_EQ(::read(listo[0], &c, 1), 1);
    ::kill(hijo, SIGKILL);
    int st;
    ::waitpid(hijo, &st, 0);
    ::close(listo[0]);
    ::close(listo[1]);
    Clave l;
    ASSERT_TRUE(l.AbreLectura(Raiz::UsuarioActual, u"Software\\Contador"));
    Texto n, relleno;
    ASSERT_TRUE(l.LeeTexto(u"n", n));
    ASSERT_TRUE(l.LeeTexto(u"relleno", relleno));
    // The value pairs come from whole saves: the filler carries the same
    // number as the counter or the next one.
    const Texto numero = relleno.substr(20000);
    EXPECT_TRUE(numero == n || std::stoi(texto::AUtf8(numero)) == std::stoi(texto::AUtf8(n)) + 1)
        << texto::AUtf8(n) << " / " << texto::AUtf8(numero);
    // And the store still takes writes.
    Clave m;
    ASSERT_TRUE(m.AbreOCrea(Raiz::UsuarioActual, u"Software\\Contador"));
    m.EscribeTexto(u"n", u"0");
  }
}

TEST_F(Registro, EscrituraSimultaneaNoPierdeValores) {
  // Several processes writing the store at once: every value survives, since
  // each change reads and replaces the file under its lock.
  constexpr int kProcesos = 4, kValores = 40;
  std::vector<pid_t> hijos;
  for (int p = 0; p < kProcesos; ++p) {
    pid_t h = ::fork();
    if (h == 0) {
      Clave k;
      if (!k.AbreOCrea(Raiz::UsuarioActual, u"Software\\Simultaneo")) ::_exit(1);
      for (int i = 0; i < kValores; ++i)
        k.EscribeTexto(texto::FormatoEntero(p) + u"-" + texto::FormatoEntero(i), texto::FormatoEntero(i));
      ::_exit(0);
    }
    hijos.push_back(h);
  }
  for (pid_t h : hijos) {
    int st = -1;
    ::waitpid(h, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  }
  Clave l;
  ASSERT_TRUE(l.AbreLectura(Raiz::UsuarioActual, u"Software\\Simultaneo"));
  for (int p = 0; p < kProcesos; ++p) {
    for (int i = 0; i < kValores; ++i) {
      Texto v;
      ASSERT_TRUE(l.LeeTexto(texto::FormatoEntero(p) + u"-" + texto::FormatoEntero(i), v)) << p << "-" << i;
      EXPECT_EQ(v, texto::FormatoEntero(i));
    }
  }
}

}  // namespace
