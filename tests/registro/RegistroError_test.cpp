// The error record of the application-wide exception handler: its keys for
// each kind of exception, what the user is told, and the log file it leaves.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "screens/ControlExcepciones.h"
#include "shell/UnidadVentas.h"

namespace {

namespace fs = std::filesystem;
using excepciones::Aviso;
using texto::Texto;

// A class of our own derived from the Firebird error: not a Firebird error
// for the record, which looks at the exact class.
class EDerivadaFirebird : public EIBInterBaseError {
 public:
  using EIBInterBaseError::EIBInterBaseError;
};

std::vector<std::string> Claves(const std::vector<std::pair<Texto, Texto>>& registro) {
  std::vector<std::string> r;
  for (const auto& [clave, valor] : registro) r.push_back(texto::AUtf8(clave) + "=" + texto::AUtf8(valor));
  return r;
}

TEST(RegistroError, ClavesSegunLaClaseExactaDeLaExcepcion) {
  const ui::aplicacion::Emisor boton{"TButton", "StdCtrls"};
  const EIBInterBaseError firebird(-803, 335544665, u"violation of PRIMARY or UNIQUE KEY");
  const EDerivadaFirebird derivada(-902, 335544722, u"derivada");
  const ERegistryException registro(u"Fallo de registro");
  const std::runtime_error ajena("fallo ajeno");

  EXPECT_EQ(Claves(excepciones::Registro(firebird, boton, u"frmDialogo", u"0")),
            (std::vector<std::string>{"Excepcion producida=Excepcion de FireBird", "N. Error SQLCode=-803",
                                      "N. Error FireBird=335544665",
                                      "Mensaje Mostrado=violation of PRIMARY or UNIQUE KEY",
                                      "Formulario Activo=frmDialogo", "Boton Pulsado=0",
                                      "Error E->UnitName() en=IBErrors", "Error Sender->UnitName() en=StdCtrls",
                                      "Error E->ClassName()=EIBInterBaseError",
                                      "Error Sender->ClassName()=TButton"}));
  EXPECT_EQ(Claves(excepciones::Registro(derivada, boton, u"0", u"0")),
            (std::vector<std::string>{"Excepcion producida=Excepcion del Programa", "Mensaje Mostrado=derivada",
                                      "Formulario Activo=0", "Boton Pulsado=0",
                                      "Error E->UnitName() en=IBErrors", "Error Sender->UnitName() en=StdCtrls",
                                      "Error E->ClassName()=EIBInterBaseError",
                                      "Error Sender->ClassName()=TButton"}));
  EXPECT_EQ(Claves(excepciones::Registro(registro, boton, u"0", u"0"))[4], "Error E->UnitName() en=Registry");
  EXPECT_EQ(Claves(excepciones::Registro(ajena, boton, u"0", u"0")),
            (std::vector<std::string>{"Excepcion producida=Excepcion del Programa", "Mensaje Mostrado=fallo ajeno",
                                      "Formulario Activo=0", "Boton Pulsado=0", "Error E->UnitName() en=System",
                                      "Error Sender->UnitName() en=StdCtrls", "Error E->ClassName()=Exception",
                                      "Error Sender->ClassName()=TButton"}));
}

TEST(RegistroError, AvisoAlUsuario) {
  const struct {
    long sqlCode, codigo;
    Aviso aviso;
  } casos[] = {
      {-902, 335544722, Aviso::CorteRed}, {-902, 335544721, Aviso::Ninguno}, {-902, 0, Aviso::Ninguno},
      {-803, 335544665, Aviso::Ninguno},  {-803, 335544349, Aviso::Firebird}, {-204, 335544665, Aviso::Firebird},
      {-904, 335544722, Aviso::Firebird},
  };
  for (const auto& c : casos)
    EXPECT_EQ(excepciones::AvisoPara(EIBInterBaseError(c.sqlCode, c.codigo, u"x")), c.aviso)
        << c.sqlCode << "," << c.codigo;
  EXPECT_EQ(excepciones::AvisoPara(EDerivadaFirebird(-902, 335544722, u"x")), Aviso::Interno);
  EXPECT_EQ(excepciones::AvisoPara(std::runtime_error("x")), Aviso::Interno);
}

std::string LeeFichero(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

size_t Cuenta(const std::string& texto, const std::string& que) {
  size_t n = 0;
  for (size_t p = texto.find(que); p != std::string::npos; p = texto.find(que, p + 1)) ++n;
  return n;
}

// Two exceptions in a row, with no dialog: the file keeps the second record
// only, after the process log, which keeps both pairs of summary lines.
TEST(RegistroError, DosExcepcionesSeguidasDejanSoloElUltimoRegistro) {
  std::string plantilla = (fs::temp_directory_path() / "zelvano-error-XXXXXX").string();
  const fs::path carpeta = ::mkdtemp(plantilla.data());
  ::setenv("ZELVANO_REGISTRO", (carpeta / "registro").c_str(), 1);
  if (!fV) fV = new TfV();
  fV->Valores->RutaLog = texto::DeUtf8((carpeta / "Excepciones_Act_202128.log").string());
  const size_t antes = fV->MemoBackup->Lines().size();

  const ui::aplicacion::Emisor temporizador{"TTimer", "ExtCtrls"};
  fV->ControlExcepciones(temporizador, EIBInterBaseError(-803, 335544665, u"primera"));
  fV->ControlExcepciones(temporizador, EIBInterBaseError(-902, 335544721, u"segunda"));

  const auto& lineas = fV->MemoBackup->Lines();
  ASSERT_EQ(lineas.size(), antes + 4);
  for (size_t i : {antes, antes + 2}) {
    EXPECT_EQ(lineas[i].rfind(u"Procesos Realizados: ", 0), 0u);
    EXPECT_EQ(texto::AUtf8(lineas[i + 1]), "Tiempo de procesos: 0.000000 seg.");
  }
  const std::string log = LeeFichero(carpeta / "Excepciones_Act_202128.log");
  EXPECT_EQ(Cuenta(log, "Excepcion producida="), 1u);
  EXPECT_EQ(Cuenta(log, "Mensaje Mostrado=segunda\r\n"), 1u);
  EXPECT_EQ(Cuenta(log, "primera"), 0u);
  EXPECT_EQ(Cuenta(log, "Procesos Realizados: "), 2u);
  EXPECT_NE(log.find("Tiempo de procesos: 0.000000 seg.\r\n\r\n["), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");

  std::error_code ec;
  fs::remove_all(carpeta, ec);
  ::unsetenv("ZELVANO_REGISTRO");
}

}  // namespace
