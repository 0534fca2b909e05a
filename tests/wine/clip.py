#!/usr/bin/env python3
"""A small real AVI clip (uncompressed 24-bit frames, with index) for the
maintenance animation of the message dialog: a bar that moves across the
frame, so that a picture shows whether the clip really plays.

Usage: clip.py <file.avi>
"""
import struct
import sys

ANCHO, ALTO, CUADROS, POR_SEGUNDO = 85, 73, 8, 8


def trozo(fourcc, datos):
    relleno = b"\0" if len(datos) % 2 else b""
    return fourcc + struct.pack("<I", len(datos)) + datos + relleno


def lista(tipo, contenido):
    return trozo(b"LIST", tipo + contenido)


def cuadro(n):
    fila = (ANCHO * 3 + 3) & ~3
    datos = bytearray(fila * ALTO)
    ancho_barra = ANCHO // CUADROS + 1
    for y in range(ALTO):
        for x in range(ANCHO):
            dentro = n * ANCHO // CUADROS <= x < n * ANCHO // CUADROS + ancho_barra
            b, g, r = (0, 255, 255) if dentro else (0, 0, 160)
            datos[y * fila + 3 * x:y * fila + 3 * x + 3] = bytes((b, g, r))
    return bytes(datos)


def clip():
    tam = ((ANCHO * 3 + 3) & ~3) * ALTO
    avih = struct.pack("<14I", 1000000 // POR_SEGUNDO, tam * POR_SEGUNDO, 0, 0x10, CUADROS, 0, 1, tam,
                       ANCHO, ALTO, 0, 0, 0, 0)
    strh = (b"vids" + b"DIB " + struct.pack("<IHHIIIIIIiI", 0, 0, 0, 0, 1, POR_SEGUNDO, 0, CUADROS, tam, -1, 0)
            + struct.pack("<4h", 0, 0, ANCHO, ALTO))
    assert len(strh) == 56
    strf = struct.pack("<IiiHHIIiiII", 40, ANCHO, ALTO, 1, 24, 0, tam, 0, 0, 0, 0)
    hdrl = lista(b"hdrl", trozo(b"avih", avih) + lista(b"strl", trozo(b"strh", strh) + trozo(b"strf", strf)))
    cuadros = [trozo(b"00db", cuadro(n)) for n in range(CUADROS)]
    movi = lista(b"movi", b"".join(cuadros))
    indice, desplazamiento = b"", 4
    for c in cuadros:
        indice += b"00db" + struct.pack("<III", 0x10, desplazamiento, len(c) - 8)
        desplazamiento += len(c)
    cuerpo = b"AVI " + hdrl + movi + trozo(b"idx1", indice)
    return b"RIFF" + struct.pack("<I", len(cuerpo)) + cuerpo


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    with open(sys.argv[1], "wb") as f:
        f.write(clip())
