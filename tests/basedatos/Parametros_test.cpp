// The parameter check's scan: markers outside quotes and comments.
#include <gtest/gtest.h>

#include "database/Parametros.h"

namespace {

struct Caso {
  const char16_t* entrada;
  const char16_t* salida;
  int marcadores;
};

TEST(MarcaParametros, QuotesAndCommentsPassUnchangedMarkersBecomeQuestionMarks) {
  const Caso casos[] = {
      {u"UPDATE EMPRESA SET VERSION_ZELVANO = '20.21.2.8';", u"UPDATE EMPRESA SET VERSION_ZELVANO = '20.21.2.8';", 0},
      {u"SELECT * FROM T WHERE A = :P_A AND B = :B1", u"SELECT * FROM T WHERE A = ? AND B = ?", 2},
      {u"SELECT * FROM T WHERE A = ?", u"SELECT * FROM T WHERE A = ?", 1},
      {u"SELECT 'a:b?' FROM T", u"SELECT 'a:b?' FROM T", 0},
      {u"SELECT 'it''s :x' FROM T WHERE A = :Y", u"SELECT 'it''s :x' FROM T WHERE A = ?", 1},
      {u"SELECT \"A:B\" FROM T", u"SELECT \"A:B\" FROM T", 0},
      {u"SELECT \"A\"\":B\" FROM T", u"SELECT \"A\"\":B\" FROM T", 0},
      {u"/* :comentario ? */ SELECT 1", u"/* :comentario ? */ SELECT 1", 0},
      {u"SELECT 1 /* sin cerrar :x", u"SELECT 1 /* sin cerrar :x", 0},
      {u"SELECT 'sin cerrar :x", u"SELECT 'sin cerrar :x", 0},
      {u"UPDATE T SET LUGAR = 'Sal\u00F3n' WHERE LUGAR = 'Sal\u00F3n-1';",
       u"UPDATE T SET LUGAR = 'Sal\u00F3n' WHERE LUGAR = 'Sal\u00F3n-1';", 0},
      {u"", u"", 0},
  };
  for (const Caso& c : casos) {
    const TextoMarcado r = MarcaParametros(c.entrada);
    EXPECT_EQ(r.texto, c.salida) << texto::AUtf8(c.entrada);
    EXPECT_EQ(r.marcadores, c.marcadores) << texto::AUtf8(c.entrada);
  }
}

}  // namespace
