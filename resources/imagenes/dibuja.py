#!/usr/bin/env python3
"""Draws the wizard's pictures: the button pictures (Encendido, Salir,
YouTube), the dialog icon strip (Dialogos) and the application icon.

Every picture is a list of filled shapes, sampled 8 x 8 times per pixel.
The bitmaps are keyed by exact magenta (255, 0, 255), which the system makes
transparent; a pixel is either the key or the mean of the shapes that cover
it, never a blend with the key: an edge pixel mixed with magenta would show
as a pink fringe. The icon carries real transparency (32-bit, with alpha).

Usage: dibuja.py [folder]   (default: this script's folder)
"""
import math
import os
import struct
import sys

MUESTRAS = 8
CLAVE = (255, 0, 255)

# The product's colours.
VERDE, VERDE_OSCURO = (34, 150, 40), (10, 90, 20)
ROJO, ROJO_OSCURO = (210, 20, 25), (130, 0, 0)
AZUL, AZUL_OSCURO = (20, 100, 210), (0, 50, 130)
AMARILLO, OCRE = (250, 200, 0), (170, 120, 0)
NARANJA, MARRON = (240, 130, 0), (120, 60, 10)
PUERTA, PUERTA_OSCURA = (140, 75, 25), (90, 45, 10)
BLANCO, NEGRO = (255, 255, 255), (0, 0, 0)
TEAL, NAVY, AMARILLO_VIVO = (0, 128, 128), (0, 0, 128), (255, 255, 0)


# ---- shapes: functions of a point ------------------------------------------

def circulo(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def anillo(cx, cy, r_fuera, r_dentro, hueco=None):
    """A ring; `hueco` (from, to) in degrees, clockwise from the top, is left out."""
    def dentro(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not r_dentro * r_dentro <= d2 <= r_fuera * r_fuera:
            return False
        if hueco:
            a = math.degrees(math.atan2(x - cx, cy - y)) % 360
            desde, hasta = hueco
            if (desde <= a <= hasta) if desde <= hasta else (a >= desde or a <= hasta):
                return False
        return True
    return dentro


def rectangulo(x0, y0, x1, y1, radio=0):
    def dentro(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + radio - x, 0, x - (x1 - radio))
        dy = max(y0 + radio - y, 0, y - (y1 - radio))
        return dx * dx + dy * dy <= radio * radio
    return dentro


def poligono(*puntos):
    def dentro(x, y):
        n, c = len(puntos), False
        for i in range(n):
            (xa, ya), (xb, yb) = puntos[i], puntos[(i + 1) % n]
            if (ya > y) != (yb > y) and x < (xb - xa) * (y - ya) / (yb - ya) + xa:
                c = not c
        return c
    return dentro


def trazo(xa, ya, xb, yb, grosor):
    """A stroke with round ends."""
    def dentro(x, y):
        vx, vy = xb - xa, yb - ya
        t = max(0.0, min(1.0, ((x - xa) * vx + (y - ya) * vy) / (vx * vx + vy * vy)))
        px, py = xa + t * vx - x, ya + t * vy - y
        return px * px + py * py <= grosor * grosor / 4
    return dentro


# ---- pictures: lists of (shape, colour), later ones on top ------------------

def encendido(dx=0):
    return [
        (anillo(16 + dx, 17, 13, 8.5, hueco=(325, 35)), VERDE_OSCURO),
        (anillo(16 + dx, 17, 12, 9.5, hueco=(322, 38)), VERDE),
        (rectangulo(13 + dx, 1.5, 19 + dx, 17, 2), VERDE_OSCURO),
        (rectangulo(14 + dx, 2.5, 18 + dx, 16, 1.5), VERDE),
    ]


def salir():
    return [
        (poligono((18, 8), (25, 8), (25, 3), (31.5, 16), (25, 29), (25, 24), (18, 24)), ROJO_OSCURO),
        (poligono((19, 9.5), (26, 9.5), (26, 6.5), (30, 16), (26, 25.5), (26, 22.5), (19, 22.5)), ROJO),
        (rectangulo(4.5, 2.5, 20.5, 30.5), PUERTA_OSCURA),
        (rectangulo(6.5, 4.5, 18.5, 28.5), PUERTA),
        (circulo(16, 16.5, 2), AMARILLO),
    ]


def youtube():
    return [
        (rectangulo(0.5, 1.5, 47.5, 32.5, 9), ROJO),
        (poligono((18.5, 9), (18.5, 26), (34, 17.5)), BLANCO),
    ]


def dialogos():
    capas = []

    def en(i, figuras):
        for f, color in figuras:
            capas.append(((lambda f, dx: (lambda x, y: f(x - dx, y)))(f, 40 * i), color))

    # 0 notice: a warning triangle.
    en(0, [(poligono((20, 1.5), (39, 38), (1, 38)), OCRE),
           (poligono((20, 5), (36, 36), (4, 36)), AMARILLO),
           (rectangulo(17.5, 13, 22.5, 28, 1), NEGRO),
           (rectangulo(17.5, 30, 22.5, 34, 1), NEGRO)])
    # 1 error: a white cross on red.
    en(1, [(circulo(20, 20, 19), ROJO_OSCURO), (circulo(20, 20, 17), ROJO),
           (trazo(12.5, 12.5, 27.5, 27.5, 5), BLANCO), (trazo(27.5, 12.5, 12.5, 27.5, 5), BLANCO)])
    # 2 information: a white i on blue.
    en(2, [(circulo(20, 20, 19), AZUL_OSCURO), (circulo(20, 20, 17), AZUL),
           (circulo(20, 10.5, 2.8), BLANCO), (rectangulo(17.5, 16, 22.5, 32, 1), BLANCO)])
    # 3 question: a white question mark on blue.
    en(3, [(circulo(20, 20, 19), AZUL_OSCURO), (circulo(20, 20, 17), AZUL),
           (anillo(20, 14.5, 7.5, 3, hueco=(200, 270)), BLANCO),
           (rectangulo(17.5, 19, 22.5, 26, 1), BLANCO),
           (circulo(20, 31, 2.8), BLANCO)])
    # 4 maintenance: a white magnifier on orange.
    en(4, [(rectangulo(1, 1, 39, 39, 6), MARRON), (rectangulo(3, 3, 37, 37, 5), NARANJA),
           (trazo(9, 31, 19, 21, 5), BLANCO), (anillo(25, 14, 9, 5.5), BLANCO)])
    # 5 done: a white tick on green.
    en(5, [(circulo(20, 20, 19), VERDE_OSCURO), (circulo(20, 20, 17), VERDE),
           (trazo(11, 20.5, 17.5, 27, 5), BLANCO), (trazo(17.5, 27, 29.5, 13, 5), BLANCO)])
    return capas


def icono(lado):
    """The application icon: a yellow update arrow going round on teal."""
    e = lado / 48.0
    c = 24 * e
    return [
        (rectangulo(1 * e, 1 * e, 47 * e, 47 * e, 9 * e), NAVY),
        (rectangulo(3 * e, 3 * e, 45 * e, 45 * e, 7.5 * e), TEAL),
        (anillo(c, c, 16 * e, 10 * e, hueco=(20, 70)), AMARILLO_VIVO),
        (poligono((c + 8 * e, 4 * e), (c + 21 * e, 13 * e), (c + 6 * e, 20 * e)), AMARILLO_VIVO),
    ]


# ---- sampling and files -------------------------------------------------------

def muestrea(capas, ancho, alto):
    """Per pixel: (covered fraction, mean colour of what covers it)."""
    pixeles = []
    paso = 1.0 / MUESTRAS
    for y in range(alto):
        fila = []
        for x in range(ancho):
            suma, n = [0, 0, 0], 0
            for j in range(MUESTRAS):
                for i in range(MUESTRAS):
                    px, py = x + (i + 0.5) * paso, y + (j + 0.5) * paso
                    color = None
                    for f, c in capas:
                        if f(px, py):
                            color = c
                    if color:
                        n += 1
                        for k in range(3):
                            suma[k] += color[k]
            total = MUESTRAS * MUESTRAS
            fila.append((n / total, tuple(round(v / n) for v in suma) if n else None))
        pixeles.append(fila)
    return pixeles


def bmp(pixeles):
    alto, ancho = len(pixeles), len(pixeles[0])
    fila_bytes = (ancho * 3 + 3) // 4 * 4
    datos = bytearray()
    for fila in reversed(pixeles):
        b = bytearray()
        for cubierto, color in fila:
            r, g, bl = color if cubierto >= 0.5 else CLAVE
            b += bytes((bl, g, r))
        datos += b + bytes(fila_bytes - len(b))
    cabecera = struct.pack("<IiiHHIIiiII", 40, ancho, alto, 1, 24, 0, len(datos), 3780, 3780, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(datos), 0, 0, 54) + cabecera + datos


def ico(imagenes):
    """imagenes: list of sampled square pictures; 32-bit with alpha and a mask."""
    cuerpos = []
    for pixeles in imagenes:
        lado = len(pixeles)
        color = bytearray()
        mascara = bytearray()
        fila_mascara = (lado + 31) // 32 * 4
        for fila in reversed(pixeles):
            bits = bytearray(fila_mascara)
            for x, (cubierto, c) in enumerate(fila):
                a = round(cubierto * 255)
                r, g, b = c if c else (0, 0, 0)
                color += bytes((b, g, r, a))
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mascara += bits
        cabecera = struct.pack("<IiiHHIIiiII", 40, lado, 2 * lado, 1, 32, 0, len(color) + len(mascara), 0, 0, 0, 0)
        cuerpos.append((lado, cabecera + color + mascara))
    salida = struct.pack("<HHH", 0, 1, len(cuerpos))
    desplazamiento = 6 + 16 * len(cuerpos)
    for lado, cuerpo in cuerpos:
        salida += struct.pack("<BBBBHHII", lado % 256, lado % 256, 0, 0, 1, 32, len(cuerpo), desplazamiento)
        desplazamiento += len(cuerpo)
    return salida + b"".join(c for _, c in cuerpos)


def main():
    carpeta = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    dibujos = {
        "encendido.bmp": (encendido(), 32, 32),
        "salir.bmp": (salir(), 32, 32),
        "youtube.bmp": (youtube(), 48, 34),
        "dialogos.bmp": (dialogos(), 240, 40),
    }
    for nombre, (capas, ancho, alto) in dibujos.items():
        with open(os.path.join(carpeta, nombre), "wb") as f:
            f.write(bmp(muestrea(capas, ancho, alto)))
    with open(os.path.join(carpeta, "asistente.ico"), "wb") as f:
        f.write(ico([muestrea(icono(lado), lado, lado) for lado in (16, 32, 48)]))


if __name__ == "__main__":
    main()
