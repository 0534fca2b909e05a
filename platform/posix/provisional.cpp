// Temporary definitions so the whole tree links while the backend is written.
#include <cstdlib>

#include "platform/plataforma.h"

namespace plataforma {

uint32_t UltimoError() { return 0; }

struct Busqueda::Estado {};
Busqueda::Busqueda() = default;
Busqueda::~Busqueda() = default;
bool Busqueda::Primero(const Texto&, EntradaDirectorio&) { return false; }
bool Busqueda::Siguiente(EntradaDirectorio&) { return false; }
void Busqueda::Cierra() {}

bool CopiaFichero(const Texto&, const Texto&, bool) { return false; }
bool BorraFichero(const Texto&) { return false; }
bool CreaDirectorio(const Texto&) { return false; }
bool EliminaDirectorio(const Texto&) { return false; }
bool PonAtributos(const Texto&, uint32_t) { return false; }
uint32_t LeeAtributos(const Texto&) { return ATR_INVALIDO; }
bool ExisteFichero(const Texto&) { return false; }
bool ExisteDirectorio(const Texto&) { return false; }
bool TamanoFichero(const Texto&, uint64_t&) { return false; }
bool LeeFicheroCompleto(const Texto&, std::string&) { return false; }
bool EscribeFicheroCompleto(const Texto&, const std::string&) { return false; }
bool AnadeAFichero(const Texto&, const std::string&) { return false; }

struct Clave::Estado {};
Clave::Clave() = default;
Clave::~Clave() = default;
bool Clave::AbreLectura(Raiz, const Texto&) { return false; }
bool Clave::AbreOCrea(Raiz, const Texto&) { return false; }
bool Clave::Abierta() const { return false; }
bool Clave::LeeTexto(const Texto&, Texto&) { return false; }
void Clave::EscribeTexto(const Texto&, const Texto&) {}
bool Clave::ExisteValor(const Texto&) { return false; }
void Clave::Cierra() {}
bool BorraClave(Raiz, const Texto&) { return true; }
bool ExisteClave(Raiz, const Texto&) { return false; }

Texto LeePerfil(const Texto&, const Texto&, const Texto&, const Texto& defecto, size_t) { return defecto; }
bool EscribePerfil(const Texto&, const Texto&, const Texto&, const Texto&) { return false; }

uint32_t TamanoInfoVersion(const Texto&) { return 0; }
bool LeeInfoVersion(const Texto&, std::vector<uint8_t>&) { return false; }
bool ConsultaVersion(const std::vector<uint8_t>&, const Texto&, const uint8_t*&, uint32_t&) { return false; }

struct Proceso::Estado {};
Proceso::Proceso() = default;
Proceso::~Proceso() = default;
bool Proceso::Inicia(const Texto&) { return false; }
uint32_t Proceso::Espera(uint32_t) { return ESPERA_FALLO; }
void Proceso::Cierra() {}
bool InstantaneaProcesos(std::vector<EntradaProceso>& procesos) { procesos.clear(); return false; }
bool TerminaProcesoId(uint32_t, uint32_t) { return false; }
void FijaAfinidadHilo(uintptr_t) {}
bool CreaMutexUnico(const Texto&) { return true; }
void TerminaAplicacion(int estado) { std::_Exit(estado); }

int64_t ContadorRendimiento() { return 0; }
int64_t FrecuenciaRendimiento() { return 1; }
void Duerme(uint32_t) {}
Texto NombreEquipo(size_t) { return u"EQUIPO"; }
VersionSistema LeeVersionSistema() { return VersionSistema{10, 0, 2}; }
bool EsWow64() { return false; }
void AbreDireccion(const Texto&) {}
void NotificaCambioAsociaciones() {}
Texto RutaEjecutable() { return Texto(); }
Texto CarpetaEjecutable() { return Texto(); }
bool LeeRecurso(uint16_t, const Texto&, uint16_t, std::string&) { return false; }
char16_t SeparadorDecimal() { return u','; }
char16_t SeparadorMiles() { return u'.'; }
Texto FechaCortaActual() { return u"01/01/2021"; }
Texto HoraLargaActual() { return u"00:00:00"; }

}  // namespace plataforma
