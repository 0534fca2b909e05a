#!/usr/bin/env python3
"""What the Windows shell reads from the wizard's executable, checked from
its bytes: the manifest (administrator rights, supported systems, common
controls 6), the version strings, the new version's archive resource, the
application icon (16, 32 and 48 px, first group) and the pictures keyed by
magenta without pink edges.

Usage: recursos.py <Act_202103_a_202128.exe> <Datos_Nuevos.rar>
Prints one line per check ("OK ..." or "FALLO ...") and exits 1 on failure.
       recursos.py --version <file.exe>
Prints the FileVersion string of any executable ("(null)" when it has none).
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_BITMAP, RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 2, 3, 10, 14, 16, 24
CLAVE = (255, 0, 255)
LANG_ES_ES = 3082


class Pe:
    def __init__(self, datos):
        self.d = datos
        if datos[:2] != b"MZ":
            raise ValueError("no es un ejecutable MZ")
        pe = struct.unpack_from("<I", datos, 0x3C)[0]
        if datos[pe:pe + 4] != b"PE\0\0":
            raise ValueError("falta la firma PE")
        nsec, = struct.unpack_from("<H", datos, pe + 6)
        opt_size, = struct.unpack_from("<H", datos, pe + 20)
        opt = pe + 24
        magic, = struct.unpack_from("<H", datos, opt)
        dirs = opt + (96 if magic == 0x10B else 112)
        self.rsrc_rva, self.rsrc_size = struct.unpack_from("<II", datos, dirs + 2 * 8)
        self.secciones = []
        for i in range(nsec):
            s = opt + opt_size + 40 * i
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", datos, s + 8)
            self.secciones.append((va, max(vsize, rawsize), rawptr))

    def desplazamiento(self, rva):
        for va, tam, raw in self.secciones:
            if va <= rva < va + tam:
                return raw + rva - va
        raise ValueError("RVA %#x fuera de las secciones" % rva)

    def _nombre(self, base, valor):
        if valor & 0x80000000:
            o = base + (valor & 0x7FFFFFFF)
            n, = struct.unpack_from("<H", self.d, o)
            return self.d[o + 2:o + 2 + 2 * n].decode("utf-16-le")
        return valor

    def _entradas(self, base, o):
        nnom, nid = struct.unpack_from("<HH", self.d, o + 12)
        for i in range(nnom + nid):
            nombre, dest = struct.unpack_from("<II", self.d, o + 16 + 8 * i)
            yield self._nombre(base, nombre), dest

    def recursos(self):
        """(type, name, language) -> bytes for every resource."""
        if not self.rsrc_rva:
            return {}
        base = self.desplazamiento(self.rsrc_rva)
        r = {}
        for tipo, d1 in self._entradas(base, base):
            for nombre, d2 in self._entradas(base, base + (d1 & 0x7FFFFFFF)):
                for idioma, d3 in self._entradas(base, base + (d2 & 0x7FFFFFFF)):
                    rva, tam = struct.unpack_from("<II", self.d, base + d3)
                    o = self.desplazamiento(rva)
                    r[(tipo, nombre, idioma)] = self.d[o:o + tam]
        return r


def alinea(o):
    return (o + 3) & ~3


def cadenas_version(bloque):
    """The StringFileInfo values of a VS_VERSIONINFO block, per table."""
    tablas = {}

    def nodo(o):
        largo, vlargo, tipo = struct.unpack_from("<HHH", bloque, o)
        fin = o + largo
        p = o + 6
        q = p
        while bloque[q:q + 2] != b"\0\0":
            q += 2
        clave = bloque[p:q].decode("utf-16-le")
        p = alinea(q + 2)
        valor = None
        if vlargo:
            if tipo == 1:
                valor = bloque[p:p + 2 * vlargo].decode("utf-16-le").rstrip("\0")
                p = alinea(p + 2 * vlargo)
            else:
                valor = bloque[p:p + vlargo]
                p = alinea(p + vlargo)
        hijos = []
        while p < fin:
            h, p2 = nodo(p)
            hijos.append(h)
            if p2 <= p:
                break
            p = alinea(p2)
        return (clave, valor, hijos), fin

    (clave, _, hijos), _ = nodo(0)
    if clave != "VS_VERSION_INFO":
        raise ValueError("bloque de versión sin VS_VERSION_INFO")
    for c, _, tablas_hijas in hijos:
        if c == "StringFileInfo":
            for tabla, _, valores in tablas_hijas:
                tablas[tabla] = {k: v for k, v, _ in valores}
    return tablas


SISTEMAS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10",
}

VERSION_ESPERADA = {
    "FileVersion": "20.21.2.8",
    "ProductVersion": "20.21.2.8",
    "FileDescription": "Asistente Actualizador Zelvano",
    "ProductName": "Asistente Actualizador Zelvano",
    "Comments": "Firebird 2.5.9 32/64 bits",
}


def comprueba(exe, rar):
    fallos = []

    def informa(nombre, bien, detalle=""):
        print(("OK " if bien else "FALLO ") + nombre + ("" if bien else ": " + detalle))
        if not bien:
            fallos.append(nombre)

    try:
        recursos = Pe(open(exe, "rb").read()).recursos()
    except (OSError, ValueError, struct.error) as e:
        informa("lectura del ejecutable", False, str(e))
        return False

    manifiestos = [v for (t, _, _), v in recursos.items() if t == RT_MANIFEST]
    informa("manifiesto presente", len(manifiestos) == 1, "%d manifiestos" % len(manifiestos))
    if manifiestos:
        raiz = ET.fromstring(manifiestos[0])
        nivel = [e for e in raiz.iter() if e.tag.endswith("}requestedExecutionLevel")]
        informa("manifiesto requireAdministrator",
                len(nivel) == 1 and nivel[0].get("level") == "requireAdministrator"
                and nivel[0].get("uiAccess") == "false",
                str([(e.get("level"), e.get("uiAccess")) for e in nivel]))
        ids = {e.get("Id", "").lower() for e in raiz.iter() if e.tag.endswith("}supportedOS")}
        informa("manifiesto sistemas Vista, 7, 8, 8.1 y 10", ids == set(SISTEMAS),
                "declarados: %s" % sorted(SISTEMAS.get(i, i) for i in ids))
        controles = [e for e in raiz.iter() if e.tag.endswith("}assemblyIdentity")
                     and e.get("name") == "Microsoft.Windows.Common-Controls"]
        informa("manifiesto controles comunes 6",
                len(controles) == 1 and controles[0].get("version", "").startswith("6.")
                and controles[0].get("publicKeyToken") == "6595b64144ccf1df",
                str([c.attrib for c in controles]))

    versiones = [v for (t, _, _), v in recursos.items() if t == RT_VERSION]
    informa("recurso de versión presente", len(versiones) == 1, "%d recursos" % len(versiones))
    if versiones:
        tablas = cadenas_version(versiones[0])
        for clave, esperado in VERSION_ESPERADA.items():
            hallados = {t: v.get(clave) for t, v in tablas.items()}
            informa("versión %s = %r" % (clave, esperado),
                    bool(hallados) and all(v == esperado for v in hallados.values()),
                    "hallado %r" % hallados)

    comprueba_imagenes(recursos, informa)

    datos = recursos.get((RT_RCDATA, "DATOS_NUEVOS", LANG_ES_ES))
    otros = [(n, i) for (t, n, i) in recursos if t == RT_RCDATA]
    informa("RCDATA DATOS_NUEVOS en el idioma 3082", datos is not None, "recursos RCDATA: %s" % otros)
    if datos is not None:
        esperado = open(rar, "rb").read()
        informa("DATOS_NUEVOS igual al archivo del empaquetador (%d bytes)" % len(esperado),
                datos == esperado,
                "%d bytes en el recurso, primeros distintos en %s" % (
                    len(datos),
                    next((i for i, (a, b) in enumerate(zip(datos, esperado)) if a != b),
                         min(len(datos), len(esperado)))))
        informa("DATOS_NUEVOS es RAR 4 sólido", datos[:7] == b"Rar!\x1a\x07\x00"
                and len(datos) > 12 and datos[7 + 2] == 0x73
                and (struct.unpack_from("<H", datos, 7 + 3)[0] & 0x0008) != 0,
                "cabecera %r" % datos[:14])
    return not fallos


def pixeles_bitmap(dib):
    """Rows of (r, g, b) of a 24-bit bitmap resource (a DIB without file header)."""
    tam, ancho, alto, _, bits = struct.unpack_from("<IiiHH", dib, 0)
    if bits != 24:
        raise ValueError("%d bits por píxel" % bits)
    fila = (ancho * 3 + 3) // 4 * 4
    filas = []
    for y in range(abs(alto)):
        o = tam + y * fila
        filas.append([(dib[o + 3 * x + 2], dib[o + 3 * x + 1], dib[o + 3 * x]) for x in range(ancho)])
    return filas if alto < 0 else filas[::-1]


def bordes_rosados(filas):
    """Pixels next to the transparent key that are a mix of the key and the
    colour inside them: the system keys out only exact magenta, so they show
    as a pink fringe."""
    alto, ancho = len(filas), len(filas[0])
    hallados = []
    for y in range(alto):
        for x in range(ancho):
            p = filas[y][x]
            if p == CLAVE:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                xk, yk, xi, yi = x + dx, y + dy, x - dx, y - dy
                if not (0 <= xk < ancho and 0 <= yk < alto and 0 <= xi < ancho and 0 <= yi < alto):
                    continue
                q = filas[yi][xi]
                if filas[yk][xk] != CLAVE or q == CLAVE:
                    continue
                # p = t * key + (1 - t) * q for some clear t?
                den = sum((k - c) ** 2 for k, c in zip(CLAVE, q))
                if den == 0:
                    continue
                t = sum((a - c) * (k - c) for a, k, c in zip(p, CLAVE, q)) / den
                resto = max(abs(a - (t * k + (1 - t) * c)) for a, k, c in zip(p, CLAVE, q))
                if 0.15 <= t <= 0.85 and resto <= 24:
                    hallados.append((x, y))
                    break
    return hallados


def comprueba_imagenes(recursos, informa):
    grupos = sorted((n, v) for (t, n, _), v in recursos.items() if t == RT_GROUP_ICON and isinstance(n, int))
    informa("icono de la aplicación", bool(grupos), "sin grupo de iconos")
    if grupos:
        _, grupo = grupos[0]
        n, = struct.unpack_from("<H", grupo, 4)
        lados = set()
        for i in range(n):
            ancho, alto, _, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", grupo, 6 + 14 * i)
            imagen = next((v for (t, nn, _), v in recursos.items() if t == RT_ICON and nn == ident), None)
            if imagen is not None and ancho == alto:
                lados.add((ancho or 256, bits))
        informa("icono de 16, 32 y 48 px en color de 32 bits", {(16, 32), (32, 32), (48, 32)} <= lados,
                "hallados %s" % sorted(lados))
    for nombre in ("Encendido", "Salir", "YouTube", "Dialogos"):
        dib = next((v for (t, n, _), v in recursos.items() if t == RT_BITMAP and n == nombre.upper()), None)
        if dib is None:
            informa("imagen %s" % nombre, False, "no está")
            continue
        filas = pixeles_bitmap(dib)
        rosados = bordes_rosados(filas)
        informa("imagen %s sin bordes rosados" % nombre, not rosados,
                "%d píxeles mezclados con el magenta, el primero en %s" % (len(rosados), rosados[:1]))


def version_fichero(exe):
    try:
        versiones = [v for (t, _, _), v in Pe(open(exe, "rb").read()).recursos().items() if t == RT_VERSION]
        for tabla in cadenas_version(versiones[0]).values():
            if "FileVersion" in tabla:
                return tabla["FileVersion"]
    except (OSError, ValueError, IndexError, struct.error):
        pass
    return "(null)"


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--version":
        print(version_fichero(sys.argv[2]))
        sys.exit(0)
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(0 if comprueba(sys.argv[1], sys.argv[2]) else 1)
