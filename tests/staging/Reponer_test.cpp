// The rollback when some saved files cannot be put back, or must not be: the
// saved copy must survive and the user must be told where it is; a saved file
// that no longer holds what was saved is copied over nothing; a file in place
// that changed after the save is kept, never written over.
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/staging/Instalacion.h"
#include "staging/rar/crc32.h"

namespace prueba {
namespace {

struct Caso {
  const char* nombre;
  Arbol antes;             // the application folder before the rollback
  Arbol danados;           // saved files whose bytes changed after the manifest was written
  bool copiaConservada;    // the backup folder must survive
  int tipo;                // the final dialog's kind
  std::string mensaje;     // and its text ("Conservada_X" for the folder set aside)
  Arbol tempDespues;       // the Temp folder afterwards (but the manifest)
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

// The manifest the save writes, for the saved files as the tree holds them.
void EscribeManifiesto(const fs::path& app) {
  std::string s = "[Manifiesto]\r\n";
  for (const char* carpeta : {"Temp/202103_202128", "Temp_V_Ant"}) {
    if (!fs::exists(app / carpeta)) continue;
    for (const auto& e : fs::recursive_directory_iterator(app / carpeta)) {
      if (!e.is_regular_file()) continue;
      const std::string bytes = Lee(e.path());
      char crc[9];
      std::snprintf(crc, sizeof crc, "%08X", zelvano::rar::crc32(bytes.data(), bytes.size()));
      std::string relativa = e.path().lexically_relative(app).string();
      for (char& c : relativa)
        if (c == '/') c = '\\';
      s += std::to_string(bytes.size()) + "\t" + crc + "\t" + relativa + "\r\n";
    }
  }
  Escribe(app / "Temp" / "Manifiesto_202128.txt", s);
}

// "Conservada_20261211_041503" (and "_2" ...) as "Conservada_X".
std::string SinHora(const std::string& s) {
  return std::regex_replace(s, std::regex("Conservada_[0-9]{8}_[0-9]{6}(_[0-9]+)?"), "Conservada_X");
}
Arbol SinHora(const Arbol& a) {
  Arbol r;
  for (const auto& [ruta, c] : a) r[SinHora(ruta)] = c;
  return r;
}

TEST(ReponerTodo, SoloLoQueCoincideVuelveYLoNuevoSeConserva) {
  const std::string incompleto = "No se han podido restaurar todos sus Datos Anteriores.";
  const std::string restaurado = "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización";
  const std::string copia = "\nLa copia de seguridad se conserva en: C:\\Programa Zelvano\\Temp\\202103_202128";
  const std::string anterior =
      "\nEl contenido anterior de la carpeta Temp se conserva en: C:\\Programa Zelvano\\Temp_V_Ant";
  const std::string sinBorrar =
      "\nUna nueva actualización no borrará estas copias. Recupere de ellas lo que falte antes de usar el programa.";
  const std::string uno = "\nNo se ha podido devolver a su sitio 1 fichero guardado: C:\\Programa Zelvano\\";
  const std::string conservados =
      "\nLos ficheros que habían cambiado después de guardarse la copia no se han perdido: se conservan en "
      "C:\\Programa Zelvano\\Temp\\Conservada_X";
  const std::string danada =
      "\nLa copia guardada no tiene lo que se guardó (el disco no llegó a escribirla entera): no se ha copiado "
      "encima de nada y no se ha borrado nada.";
  const Arbol basico = Con(ConPrefijo(kCopia, "Temp/202103_202128/"),
                           Con(ConPrefijo(kTempAnterior, "Temp_V_Ant/"),
                               {{"Temp", kCarpeta}, {"Temp/202103_202128", kCarpeta}, {"Temp_V_Ant", kCarpeta}}));
  const Arbol cajaNueva = {{"Datos/Caja.txt", "caja nueva"}};
  const Arbol cajaApartada = {{"Conservada_X", kCarpeta}, {"Conservada_X/Datos", kCarpeta},
                              {"Conservada_X/Datos/Caja.txt", "caja nueva"}};
  const Arbol copiaEntera = Con({{"202103_202128", kCarpeta}}, ConPrefijo(kCopia, "202103_202128/"));
  const std::vector<Caso> casos = {
      // Everything goes back; the till's newer file is kept aside, named.
      {"todo vuelve", Con(basico, cajaNueva), {}, false, 73, restaurado + conservados,
       Con(cajaApartada, kTempAnterior), {{"Caja.txt", "guardado caja"}}},
      // A file in place that already holds the saved bytes is left alone.
      {"ya estaba", Con(basico, {{"Datos/Caja.txt", "guardado caja"}}), {}, false, 73, restaurado, kTempAnterior,
       {{"Caja.txt", "guardado caja"}}},
      // A saved file cut short by a power cut: nothing at all is put back.
      {"copia dañada", Con(basico, cajaNueva), {{"Temp/202103_202128/Datos/Caja.txt", ""}}, true, 69,
       incompleto + uno + "Temp\\202103_202128\\Datos\\Caja.txt" + danada + copia + anterior + sinBorrar,
       Con({{"202103_202128", kCarpeta}, {"202103_202128/Zelvano.exe", "guardado Zelvano"},
            {"202103_202128/Datos", kCarpeta}, {"202103_202128/Datos/Caja.txt", ""}}, {}),
       {{"Caja.txt", "caja nueva"}}},
      // A folder stands where the saved program must go back.
      {"programa", Con(Con(basico, cajaNueva), {{"Zelvano.exe", kCarpeta}, {"Zelvano.exe/dentro.txt", "x"}}), {}, true,
       69, incompleto + uno + "Temp\\202103_202128\\Zelvano.exe" + copia + anterior + conservados + sinBorrar,
       Con(copiaEntera, cajaApartada), {{"Caja.txt", "guardado caja"}}},
      // A file stands where a saved folder must be created again.
      {"carpeta", Con(basico, {{"Datos", "un fichero en lugar de la carpeta"}}), {}, true, 69,
       incompleto + "\nNo se han podido devolver a su sitio 2 ficheros guardados; el primero es: C:\\Programa Zelvano\\\\Datos" +
           copia + anterior + sinBorrar,
       copiaEntera, {}},
      // The program data comes back, but the old Temp content cannot.
      {"temp anterior", Con(Con(basico, cajaNueva), {{"Temp/Anterior.txt", kCarpeta}}), {}, false, 69,
       incompleto + uno + "Temp_V_Ant\\Anterior.txt" + anterior + conservados + sinBorrar,
       Con({{"Anterior.txt", kCarpeta}}, cajaApartada), {{"Caja.txt", "guardado caja"}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Instalacion inst;
    fs::remove_all(inst.App());
    CreaArbol(inst.App(), caso.antes);
    EscribeManifiesto(inst.App());
    CreaArbol(inst.App(), caso.danados);

    const Resultado r = Ejecuta(inst.Prepara("reponer"));
    EXPECT_TRUE(r.normal);
    EXPECT_EQ(r.estado, 0) << r.salida;
    ASSERT_EQ(r.dialogos.size(), 2u) << r.salida;
    EXPECT_EQ(r.dialogos[0].tipo, 33);
    EXPECT_EQ(r.dialogos[1].tipo, caso.tipo);
    EXPECT_EQ(SinHora(r.dialogos[1].texto), caso.mensaje);

    const Arbol despues = SinHora(LeeArbol(inst.App()));
    Arbol temp = SubArbol(despues, "Temp/");
    temp.erase("Manifiesto_202128.txt");
    temp.erase("Diario_202128.ini");
    EXPECT_EQ(Diferencias(temp, caso.tempDespues), "");
    if (caso.tipo == 69) {
      EXPECT_EQ(Diferencias(SubArbol(despues, "Temp_V_Ant/"), kTempAnterior), "");
    } else {
      EXPECT_EQ(despues.count("Temp_V_Ant"), 0u);
    }
    if (caso.datosDespues.empty()) {
      EXPECT_EQ(despues.at("Datos"), "un fichero en lugar de la carpeta");
    } else {
      EXPECT_EQ(Diferencias(SubArbol(despues, "Datos/"), caso.datosDespues), "");
    }
    EXPECT_EQ(despues.count("Temp/202103_202128"), caso.copiaConservada ? 1u : 0u);
    // Nothing was put back from a damaged copy.
    if (!caso.danados.empty()) {
      EXPECT_EQ(despues.count("Zelvano.exe"), 0u);
    }
  }
}

}  // namespace
}  // namespace prueba
