// The rollback when some saved files cannot be put back: the saved copy must
// survive and the user must be told where it is.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/staging/Instalacion.h"

namespace prueba {
namespace {

struct Caso {
  const char* nombre;
  Arbol antes;             // the application folder before the rollback
  bool copiaConservada;    // the backup folder must survive
  std::string mensaje;     // the final dialog (kind 69)
  Arbol tempDespues;       // the Temp folder afterwards
  Arbol datosDespues;      // the Datos folder afterwards
};

const Arbol kCopia = {
    {"Zelvano.exe", "guardado Zelvano"},
    {"Datos", kCarpeta},
    {"Datos/Caja.txt", "guardado caja"},
};
const Arbol kTempAnterior = {{"Anterior.txt", "Temp de antes"}};

Arbol Con(Arbol base, const Arbol& extra) {
  for (const auto& [r, c] : extra) base[r] = c;
  return base;
}

TEST(ReponerTodo, UnaCopiaQueNoPuedeVolverSeConservaYSeAvisa) {
  const std::string incompleto = "No se han podido restaurar todos sus Datos Anteriores.";
  const std::string copia = "\nLa copia de seguridad se conserva en: C:\\Programa Zelvano\\Temp\\202103_202128";
  const std::string anterior =
      "\nEl contenido anterior de la carpeta Temp se conserva en: C:\\Programa Zelvano\\Temp_V_Ant";
  const std::string sinBorrar =
      "\nUna nueva actualización no borrará estas copias. Recupere de ellas lo que falte antes de usar el programa.";
  const Arbol basico = Con(ConPrefijo(kCopia, "Temp/202103_202128/"),
                           Con(ConPrefijo(kTempAnterior, "Temp_V_Ant/"),
                               {{"Temp", kCarpeta}, {"Temp/202103_202128", kCarpeta}, {"Temp_V_Ant", kCarpeta}}));
  const Arbol cajaNueva = {{"Datos/Caja.txt", "caja nueva"}};
  const std::vector<Caso> casos = {
      // A folder stands where the saved program must go back.
      {"programa", Con(Con(basico, cajaNueva), {{"Zelvano.exe", kCarpeta}, {"Zelvano.exe/dentro.txt", "x"}}), true,
       incompleto + copia + anterior + sinBorrar, Con({{"202103_202128", kCarpeta}}, ConPrefijo(kCopia, "202103_202128/")),
       {{"Caja.txt", "guardado caja"}}},
      // A file stands where a saved folder must be created again.
      {"carpeta", Con(basico, {{"Datos", "un fichero en lugar de la carpeta"}}), true, incompleto + copia + anterior + sinBorrar,
       Con({{"202103_202128", kCarpeta}}, ConPrefijo(kCopia, "202103_202128/")), {}},
      // The program data comes back, but the old Temp content cannot.
      {"temp anterior", Con(Con(basico, cajaNueva), {{"Temp/Anterior.txt", kCarpeta}}), false, incompleto + anterior + sinBorrar,
       {{"Anterior.txt", kCarpeta}}, {{"Caja.txt", "guardado caja"}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Instalacion inst;
    fs::remove_all(inst.App());
    CreaArbol(inst.App(), caso.antes);

    const Resultado r = Ejecuta(inst.Prepara("reponer"));
    EXPECT_TRUE(r.normal);
    EXPECT_EQ(r.estado, 0) << r.salida;
    ASSERT_EQ(r.dialogos.size(), 2u) << r.salida;
    EXPECT_EQ(r.dialogos[0].tipo, 33);
    EXPECT_EQ(r.dialogos[1].tipo, 69);
    EXPECT_EQ(r.dialogos[1].texto, caso.mensaje);

    const Arbol despues = LeeArbol(inst.App());
    EXPECT_EQ(Diferencias(SubArbol(despues, "Temp/"), caso.tempDespues), "");
    EXPECT_EQ(Diferencias(SubArbol(despues, "Temp_V_Ant/"), kTempAnterior), "");
    if (caso.datosDespues.empty()) {
      EXPECT_EQ(despues.at("Datos"), "un fichero en lugar de la carpeta");
    } else {
      EXPECT_EQ(Diferencias(SubArbol(despues, "Datos/"), caso.datosDespues), "");
    }
    EXPECT_EQ(despues.count("Temp/202103_202128"), caso.copiaConservada ? 1u : 0u);
  }
}

}  // namespace
}  // namespace prueba
