#include "staging/Tablas.h"

namespace staging {

const char16_t* const kCarpetaTemp = u"Temp";
const char16_t* const kCarpetaTempAnterior = u"Temp_V_Ant";
const char16_t* const kCarpetaCopia = u"Temp\\202103_202128";
const char16_t* const kCarpetaDatos = u"Datos";
const char16_t* const kFicheroBaseDatos = u"QVD.FB";

const char16_t* const kDiario = u"Diario_202128.ini";
const char16_t* const kBloqueoDiario = u"Diario_202128.bloqueo";
const char16_t* const kManifiesto = u"Manifiesto_202128.txt";
const char16_t* const kPrefijoConservada = u"Conservada_";

bool SeConservaEnTemp(const Texto& nombre) {
  const Texto prefijo = kPrefijoConservada;
  return texto::IgualesSinMayusculas(nombre, kDiario) || texto::IgualesSinMayusculas(nombre, kBloqueoDiario) ||
         texto::IgualesSinMayusculas(nombre, kManifiesto) ||
         (nombre.size() > prefijo.size() && texto::IgualesSinMayusculas(nombre.substr(0, prefijo.size()), prefijo));
}

const char16_t* const kFicheroArchivo = u"Datos_Nuevos.rar";
const char16_t* const kHerramientaExtraccion = u"rar.exe";
const char16_t* const kRecursoArchivo = u"DATOS_NUEVOS";

const ProgramaEnEjecucion kProgramas[3] = {
    {u"Zelvano_Start.exe", u"El servicio de Zelvano está en ejecución."},
    {u"Zelvano.exe", u"Zelvano está en ejecución."},
    {u"Corvisto.exe", u"Corvisto está en ejecución."},
};

const char16_t* const kFicherosPrograma[4] = {u"Zelvano_Start.exe", u"Zelvano.exe", u"Zelvano.dll",
                                              u"Corvisto.exe"};

const char16_t* const kFicherosConfiguracion[2] = {u"Pindal.dat", u"Pindal.dll"};

const char16_t* const kCarpetasGuardadas[2] = {u"Datos", u"BDD Predefinidas"};
const char16_t* const kCarpetaBaseDatosExterna = u"BaseDatos_Externa";

const FicheroObsoleto kFicherosObsoletos[11] = {
    {u"DesencriptarFichero_2016.exe", u"Eliminado DesencriptarFichero_2016.exe"},
    {u"DesencriptarFichero.exe", u"Eliminado DesencriptarFichero.exe"},
    {u"Excepciones_Act_202103.log", u"Eliminado Excepciones_Act_202103.log"},
    {u"Excepciones.log", u"Eliminado Excepciones.log original"},
    {u"Zelvano.dll", u"Eliminado Zelvano.dll original"},
    {u"Pindal.dat", u"Eliminado Pindal.dat original"},
    {u"Datos\\Version.txt", u"Eliminado Version.txt"},
    {u"Excepciones_Act_202109.log", u"Eliminando Excepciones_Act_202109.log"},
    {u"Excepciones_Act_202110.log", u"Eliminando Excepciones_Act_202110.log"},
    {u"Excepciones_Act_202111.log", u"Eliminando Excepciones_Act_202111.log"},
    {u"Excepciones_Act_202118.log", u"Eliminando Excepciones_Act_202118.log"},
};

const char16_t* const kBaseDatosLocal[2] = {u"\\Datos\\QVD.FBK", u"\\Datos\\QVD.FB"};

const CarpetaObsoleta kCarpetasObsoletas[5] = {
    {u"Datos\\CierresZ", u"Eliminado Carpeta CierresZ", 0},
    {u"BDD Predefinidas", u"Eliminado Carpeta BDD Predefinidas original", 0},
    {u"CapturaExcepciones", u"Eliminado Carpeta CapturaExcepciones", 1000},
    {u"Imagenes", u"Eliminado Carpeta Imagenes", 1000},
    {u"Documentos", u"Eliminado Carpeta Documentos original", 0},
};

namespace textos {
const char16_t* const kInicioGuardaDatos = u"Ejecutando función Guarda_Datos()";
const char16_t* const kGuardandoTemp = u"Guardando Temp en Temp_V_Ant";
const char16_t* const kEliminadoTemp = u"Eliminado Carpeta Temp";
const char16_t* const kCreandoTemporal = u"Creando Carpeta Temporal: ";
const char16_t* const kCopiando = u"Copiando ";
const char16_t* const kCopiandoA = u" a ";
const char16_t* const kPuntoRestauracion = u"Punto de Restauración: ";
const char16_t* const kPuntoBorrado = u" borrado.";
const char16_t* const kEliminado = u"Eliminado ";
const char16_t* const kArchivoAntiguo = u"Eliminando Datos_Nuevos.rar antiguos";
const char16_t* const kExtrayendo = u"Extrayendo Datos_Nuevos.rar comprimidos";
const char16_t* const kArchivoBorrado = u"Eliminando Datos_Nuevos.rar";
const char16_t* const kProcedimientoNivel = u"EXECUTE PROCEDURE PROC_NIVEL_DEF_UPD (";

const char16_t* const kCopiandoFichero = u"Copiando... ";
const char16_t* const kFicheroA = u"a ";
const char16_t* const kFicheroOk = u"· OK";
const char16_t* const kEnlaceNoCopiado = u"Enlace no copiado (no se sigue): ";

const char16_t* const kErrorRollback =
    u"Ha sucedido un Error en el proceso de Actualización.\n"
    u"Se procederá a deshacer todos los Procesos realizados.";
const char16_t* const kInicioReponer = u"Ejecutando función ReponerTodo()";
const char16_t* const kRestaurando = u"Restaurando Datos anteriores desde Carpeta Temporal: ";
const char16_t* const kRestaurado =
    u"Se han restaurado todos sus Datos Anteriores.Saldrá del programa de Actualización";
const char16_t* const kRestauracionIncompleta = u"No se han podido restaurar todos sus Datos Anteriores.";
const char16_t* const kCopiaConservada = u"La copia de seguridad se conserva en: ";
const char16_t* const kBaseDatosSinReponer =
    u"El servidor seguía usando la base de datos, así que no se ha repuesto y puede haber quedado a medio "
    u"actualizar. Su copia de antes de la actualización está en: ";
const char16_t* const kBaseDatosSinReponerHacia =
    u"\nCierre Zelvano y Corvisto en todos los terminales, detenga el servidor de la base de datos y copie ese "
    u"fichero sobre ";
const char16_t* const kBaseDatosSinReponerFin =
    u" (se perderá lo registrado desde que empezó la actualización); después vuelva a iniciar el servidor.";
const char16_t* const kTempConservada = u"El contenido anterior de la carpeta Temp se conserva en: ";
const char16_t* const kBaseDatosNoDevuelta = u"La base de datos no ha vuelto a como estaba antes de la actualización: ";
const char16_t* const kBaseDatosAnterior = u"Su copia de antes de la actualización está en: ";
const char16_t* const kBaseDatosCopiaNueva = u"Y la copia de seguridad de la base de datos actualizada, en: ";
const char16_t* const kFicheroCopiaBaseDatos = u"QVD.FBK";

const char16_t* const kNoGuardadoUno = u"No se ha podido guardar un fichero de la instalación: ";
const char16_t* const kNoGuardadosAntes = u"No se han podido guardar ";
const char16_t* const kNoGuardadosDespues = u" ficheros de la instalación; el primero es: ";
const char16_t* const kNadaCambiado = u"No se ha borrado ni cambiado nada de la instalación.";
const char16_t* const kYReintentar = u" y vuelva a intentarlo.\n";
const char16_t* const kQueHacerGuardadoUno =
    u"Compruebe que se pueda leer (que ningún programa lo tenga abierto), que haya espacio libre en el "
    u"disco y que su ruta no sea demasiado larga, y vuelva a intentarlo.";
const char16_t* const kQueHacerGuardado =
    u"Compruebe que se puedan leer (que ningún programa los tenga abiertos), que haya espacio libre en el "
    u"disco y que sus rutas no sean demasiado largas, y vuelva a intentarlo.";
const char16_t* const kCopiaOcupada = u"La carpeta de copia de seguridad ya contiene ficheros de otra ejecución: ";
const char16_t* const kQueHacerCopiaOcupada =
    u"Esa copia puede ser la única de sus datos: muévala a otro lugar y vuelva a intentarlo.";
const char16_t* const kSinDiario =
    u"No se ha podido escribir el diario de la actualización, el fichero en el que el asistente anota por dónde "
    u"va para poder deshacerla si se interrumpe: ";
const char16_t* const kQueHacerDiario =
    u"Compruebe que haya espacio libre en el disco y que se pueda escribir en la carpeta Temp de la instalación, "
    u"y vuelva a intentarlo.";

const char16_t* const kPapelContradictorio =
    u"La configuración de Zelvano se contradice: indica que este equipo es el servidor de la base de datos, "
    u"pero le da otro nombre de equipo local. Actualizado así, este equipo se tomaría por un terminal y se "
    u"borraría su base de datos.";
const char16_t* const kPapelServidor = u"Nombre de EQUIPO SERVIDOR: ";
const char16_t* const kPapelLocal = u"Nombre de EQUIPO LOCAL: ";
const char16_t* const kPapelEsteEquipo = u"Nombre de este equipo en Windows: ";
const char16_t* const kSinNombre = u"(ninguno)";
const char16_t* const kQueHacerPapelAntes =
    u"Si la base de datos está en este equipo, corrija en la configuración de Zelvano el nombre de equipo "
    u"local: debe ser ";
const char16_t* const kQueHacerPapelDespues =
    u". Si está en otro equipo, ponga el nombre de ese equipo como equipo servidor. Después vuelva a "
    u"intentarlo.";

const char16_t* const kArchivoDanado = u"El archivo Datos_Nuevos.rar que lleva el actualizador está dañado.";
const char16_t* const kExtraccionSinIniciar = u"No se ha podido iniciar la extracción de Datos_Nuevos.rar con ";
const char16_t* const kExtraccionFallida = u"La extracción de Datos_Nuevos.rar ha terminado con error (código ";
const char16_t* const kExtraccionIncompleta = u"Falta tras la extracción de Datos_Nuevos.rar: ";

const char16_t* const kCopiasSinBorrar =
    u"Una nueva actualización no borrará estas copias. Recupere de ellas lo que falte antes de usar el programa.";

const char16_t* const kNoVolcado =
    u"No se ha podido asegurar en el disco la instalación nueva (el disco no confirmó la escritura).";

const char16_t* const kSinRecurso = u"No se encuentra el recurso DATOS_NUEVOS";
const char16_t* const kSinFichero = u"No se puede crear el fichero ";
}  // namespace textos

}  // namespace staging
