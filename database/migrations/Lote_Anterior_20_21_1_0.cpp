// Batch below 20.21.1.0: five-decimal quantities, two product settings,
// the procedures that carry the quantities, the predefined packaging units
// and measuring aids.
#include "database/migrations/Lotes.h"
#include "database/migrations/Procedimientos.h"

namespace migracion {

namespace {

// The product's server (Firebird 2.5) lets a column be moved onto a domain
// by writing its row of RDB$RELATION_FIELDS.
Paso CampoADominio(const Texto& campo, const Texto& tabla) {
  const Texto condicion = u"(RDB$FIELD_NAME = '" + campo + u"')";
  return Paso{condicion,
              u"update RDB$RELATION_FIELDS set\n"
              u"RDB$FIELD_SOURCE = 'D_DEC_0_NN_5DEC',\n"
              u"RDB$NULL_FLAG = 1\n"
              u"where " + condicion + u" and\n"
              u"(RDB$RELATION_NAME = '" + tabla + u"');",
              ParamCheck::Mantener};
}

// A statement whose label is the statement without its semicolon.
Paso SinPuntoYComa(const Texto& etiqueta) { return Paso{etiqueta, etiqueta + u";", ParamCheck::Mantener}; }

Lote Construye() {
  namespace pr = procedimientos;
  Lote l;
  Paso dominio = SinPuntoYComa(u"CREATE DOMAIN D_DEC_0_NN_5DEC AS NUMERIC(18,5) DEFAULT 0 NOT NULL");
  dominio.instruccion = ParamCheck::Encender;
  l.push_back(dominio);
  l.push_back(CampoADominio(u"UNIDAD_MINIMA", u"ENVASADO"));
  l.push_back(CampoADominio(u"UND_POR_VENTA", u"AYUDA_MEDIDA"));
  l.push_back(CampoADominio(u"CANTIDAD", u"ESCANDALLOS"));
  l.push_back(Paso{u"(MOSTRAR PANTALLA DE DEVOLUCION TODAS",
                   u"UPDATE INI SET PANT_DEV_D = 1, PANT_DEV_B = 1, PANT_DEV_S = 1, PANT_DEV_T = 1;",
                   ParamCheck::Mantener});
  l.push_back(Paso{u"(INCLUYE CITAS = S", u"UPDATE EMPRESA SET INCL_CITAS = 'S';", ParamCheck::Mantener});

  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_ENVASADO", pr::ProcEnvasado, ParamCheck::Apagar));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_AYUDA_MED_UPD_INS", pr::ProcAyudaMedUpdIns));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE SEL_AYUDA_MED_ENV", pr::SelAyudaMedEnv));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE SEL_ESCANDALLOS", pr::SelEscandallos(pr::CantidadCincoDecimales)));
  l.push_back(PasoProcedimiento(u"ALTER PROCEDURE PROC_ESCD_INS", pr::ProcEscdIns(pr::CantidadCincoDecimales)));

  const Texto borraPredefinidos =
      u" WHERE PREDEF = 'S' OR CODIGO < 4 OR NOMBRE = 'Unidades' OR NOMBRE = 'Kilogramos' OR NOMBRE = 'Litros'";
  const Texto altaEnvasado = u"INSERT INTO ENVASADO (CODIGO, NOMBRE, MEDIDA_MINIMA, UNIDAD_MINIMA, PREDEF) VALUES(";
  const Texto siguienteCodigo = u"(SELECT MAX(CODIGO) + 1 FROM ENVASADO)";
  l.push_back(SinPuntoYComa(u"DELETE FROM ENVASADO" + borraPredefinidos));
  l.push_back(SinPuntoYComa(altaEnvasado + u"1, 'Unidades', 'MiliUnidades', 0.00100, 'S')"));
  l.push_back(SinPuntoYComa(altaEnvasado + u"2, 'Kilos', 'Gramos', 0.00100, 'S')"));
  l.push_back(SinPuntoYComa(altaEnvasado + u"3, 'Litros', 'MiliLitros', 0.00100, 'S')"));
  l.push_back(SinPuntoYComa(altaEnvasado + siguienteCodigo + u", 'Caja 6 Und.', 'Unidad', 0.16667, 'S')"));
  l.push_back(SinPuntoYComa(altaEnvasado + siguienteCodigo + u", 'Caja 12 Und.', 'Unidad', 0.08333, 'S')"));
  l.push_back(SinPuntoYComa(altaEnvasado + siguienteCodigo + u", 'Caja 24 Und.', 'Unidad', 0.04167, 'S')"));

  const Texto altaAyuda = u"INSERT INTO AYUDA_MEDIDA (CODIGO, NOMBRE, UND_MEDIDA, UND_POR_VENTA, PREDEF) VALUES(";
  l.push_back(SinPuntoYComa(u"DELETE FROM AYUDA_MEDIDA" + borraPredefinidos));
  l.push_back(SinPuntoYComa(altaAyuda + u"1, 'Unidades', 'Unidades', 1.00000, 'S')"));
  l.push_back(PasoLinea(altaAyuda + u"2, 'Kilos', 'Kilos', 1.00000, 'S');"));
  l.push_back(PasoLinea(altaAyuda + u"3, 'Litros', 'Litros', 1.00000, 'S');"));
  return l;
}

}  // namespace

const Lote& Lote_Anterior_20_21_1_0() {
  static const Lote lote = Construye();
  return lote;
}

}  // namespace migracion
