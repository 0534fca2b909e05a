#include "tests/extremo/Recuperacion.h"

#include <gtest/gtest.h>

namespace prueba {

const std::string kEncontrada = "Se ha encontrado una actualización que no terminó.";
const std::string kRestaurado = "Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización";
const std::string kApartadas = "Se han encontrado copias de seguridad de una actualización anterior que no terminó bien.";

Foto Fotografia(const fs::path& raiz) {
  Foto foto;
  if (!fs::exists(raiz)) return foto;
  for (auto it = fs::recursive_directory_iterator(raiz); it != fs::recursive_directory_iterator(); ++it) {
    const std::string relativa = fs::relative(it->path(), raiz).generic_string();
    if (it->is_symlink()) {
      foto[relativa] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_regular_file()) {
      foto[relativa] = LeeFichero(it->path());
    }
  }
  return foto;
}

std::string Perdidos(const Foto& antes, const Foto& despues) {
  std::string r;
  for (const auto& [ruta, bytes] : antes) {
    const auto it = despues.find(ruta);
    if (it == despues.end()) r += "-" + ruta + "\n";
    else if (it->second != bytes) r += "*" + ruta + "\n";
  }
  return r;
}

Foto SinPrefijo(const Foto& foto, const std::string& prefijo) {
  Foto r;
  for (const auto& [ruta, bytes] : foto)
    if (ruta.rfind(prefijo, 0) == 0) r[ruta.substr(prefijo.size())] = bytes;
  return r;
}

Diario LeeDiario(const Instalacion& inst) {
  Diario d;
  const fs::path ruta = inst.aplicacion / "Temp" / "Diario_202128.ini";
  d.existe = fs::exists(ruta);
  const std::string s = LeeFichero(ruta);
  const auto e = s.find("Etapa=");
  if (e != std::string::npos) d.etapa = s.substr(e + 6, s.find('\r', e) - e - 6);
  d.cerrado = s.find("Cerrado=1") != std::string::npos;
  return d;
}

std::string Version(const Instalacion& inst) {
  const std::string salida = ConsultaSql(inst.baseDatos, "SELECT '#' || VERSION_ZELVANO || '#' FROM EMPRESA;");
  const auto a = salida.find('#');
  const auto b = salida.find('#', a + 1);
  return a == std::string::npos || b == std::string::npos ? "<" + salida + ">" : salida.substr(a + 1, b - a - 1);
}

Resultado Arranca(const Instalacion& inst, const std::string& guion,
                  const std::map<std::string, std::string>& entorno) {
  fs::remove(inst.transcripcion);
  return EjecutaAsistente(inst, guion, entorno);
}

bool Contiene(const std::string& texto, const std::string& parte) { return texto.find(parte) != std::string::npos; }

void ActualizaConExito(const Instalacion& inst, bool apartadas) {
  const Resultado r = Arranca(inst, kGuionCompleto);
  ASSERT_EQ(r.estado, 0) << r.salida;
  const std::vector<std::string> lineas = LeeLog(inst.Log());
  ASSERT_GE(lineas.size(), 3u) << r.salida;
  EXPECT_EQ(lineas[lineas.size() - 3], kLineaFinal);
  const std::vector<Json> eventos = LeeTranscripcion(inst.transcripcion);
  for (const Json& e : eventos) {
    if (e.Texto("evento") == "formulario" && e.Texto("formulario") == "frm_Final") break;
    if (e.Texto("evento") != "dialogo") continue;
    if (apartadas && e.Texto("texto").rfind(kApartadas, 0) == 0) {
      apartadas = false;
      continue;
    }
    ADD_FAILURE() << "diálogo inesperado: " << e.Texto("texto");
  }
  const Diario d = LeeDiario(inst);
  EXPECT_TRUE(d.existe && d.cerrado) << d.etapa;
}

}  // namespace prueba
