// Stored forms of the scrambled constants. Each comment gives the text the
// stored form turns into: the password through RestauraTexto, everything
// else through CifraBytes (names and login parameters) or DescifraMensaje
// (dialog headlines).
#include "system/Constantes.h"

namespace constantes {

// "Zv2128"
const Texto ClaveBaseDatosGuardada = u"\u0067\u00D1\u0037\u00D1\u00E9\u0038";
// "IN"
const Texto SeccionInstalacion = u"\u00D2\u00D5";
// "Nombre_PC"
const Texto IdentNombrePC = u"\u00D5\u00F4\u00F6\u00F9\u00E9\u00FE\u00C4\u00CB\u00D8";
// "Ruta_App"
const Texto IdentRutaAplicacion = u"\u00C9\u00EE\u00EF\u00FA\u00C4\u00DA\u00EB\u00EB";
// "Nombre_Servidor"
const Texto IdentNombreServidor = u"\u00D5\u00F4\u00F6\u00F9\u00E9\u00FE\u00C4\u00C8\u00FE\u00E9\u00ED\u00F2\u00FF\u00F4\u00E9";
// "Ruta_de_Datos"
const Texto IdentRutaDatos = u"\u00C9\u00EE\u00EF\u00FA\u00C4\u00FF\u00FE\u00C4\u00DF\u00FA\u00EF\u00F4\u00E8";
// "user_name"
const Texto NombreParamUsuario = u"\u00EE\u00E8\u00FE\u00E9\u00C4\u00F5\u00FA\u00F6\u00FE";
// "password"
const Texto NombreParamClave = u"\u00EB\u00FA\u00E8\u00E8\u00EC\u00F4\u00E9\u00FF";
// "sql_role_name"
const Texto NombreParamTercero = u"\u00E8\u00EA\u00F7\u00C4\u00E9\u00F4\u00F7\u00FE\u00C4\u00F5\u00FA\u00F6\u00FE";
// "RDB$ADMIN"
const Texto ValorParamTercero = u"\u00C9\u00DF\u00D9\u00BF\u00DA\u00DF\u00D6\u00D2\u00D5";
// "¡¡¡ Atención !!!..."
const Texto TituloAviso = u"\u003A\u003A\u003A\u00BB\u00DA\u00EF\u00FE\u00F5\u00F8\u00F2\u0068\u00F5\u00BB\u00BA\u00BA\u00BA\u00B5\u00B5\u00B5";
// "¿Confirma esta operación?"
const Texto TituloPregunta = u"\u0024\u00D8\u00F4\u00F5\u00FD\u00F2\u00E9\u00F6\u00FA\u00BB\u00FE\u00E8\u00EF\u00FA\u00BB\u00F4\u00EB\u00FE\u00E9\u00FA\u00F8\u00F2\u0068\u00F5\u00A4";
// "¡¡¡ Error grave !!!"
const Texto TituloError = u"\u003A\u003A\u003A\u00BB\u00DE\u00E9\u00E9\u00F4\u00E9\u00BB\u00FC\u00E9\u00FA\u00ED\u00FE\u00BB\u00BA\u00BA\u00BA";
// "Mantenimiento de la instalación Zelvano."
const Texto TituloMantenimiento = u"\u00D6\u00FA\u00F5\u00EF\u00FE\u00F5\u00F2\u00F6\u00F2\u00FE\u00F5\u00EF\u00F4\u00BB\u00FF\u00FE\u00BB\u00F7\u00FA\u00BB\u00F2\u00F5\u00E8\u00EF\u00FA\u00F7\u00FA\u00F8\u00F2\u0068\u00F5\u00BB\u00C1\u00FE\u00F7\u00ED\u00FA\u00F5\u00F4\u00B5";
// "¡¡¡ Notificación !!!..."
const Texto TituloN = u"\u003A\u003A\u003A\u00BB\u00D5\u00F4\u00EF\u00F2\u00FD\u00F2\u00F8\u00FA\u00F8\u00F2\u0068\u00F5\u00BB\u00BA\u00BA\u00BA\u00B5\u00B5\u00B5";
// "Revisión del mantenimiento de Zelvano"
const Texto TituloR = u"\u00C9\u00FE\u00ED\u00F2\u00E8\u00F2\u0068\u00F5\u00BB\u00FF\u00FE\u00F7\u00BB\u00F6\u00FA\u00F5\u00EF\u00FE\u00F5\u00F2\u00F6\u00F2\u00FE\u00F5\u00EF\u00F4\u00BB\u00FF\u00FE\u00BB\u00C1\u00FE\u00F7\u00ED\u00FA\u00F5\u00F4";
// "Aviso del servicio técnico"
const Texto TituloS = u"\u00DA\u00ED\u00F2\u00E8\u00F4\u00BB\u00FF\u00FE\u00F7\u00BB\u00E8\u00FE\u00E9\u00ED\u00F2\u00F8\u00F2\u00F4\u00BB\u00EF\u0072\u00F8\u00F5\u00F2\u00F8\u00F4";

}  // namespace constantes
