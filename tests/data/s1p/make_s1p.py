#!/usr/bin/env python3
"""Writes one-port Touchstone files of the same reflection data in every
option-line variant: frequency unit Hz/kHz/MHz/GHz, format MA/DB/RI, and a
75 ohm reference. The data at 50 ohm is gamma_k = (0.1 + 0.15 k) at angle
(-60 + 30 k) degrees for k = 0..4, at 1000 + 25 k MHz.

Run from anywhere: python3 make_s1p.py  (rewrites the files beside it)."""
import cmath
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
N = 5


def gamma50(k):
    return cmath.rect(0.1 + 0.15 * k, math.radians(-60 + 30 * k))


def freq_hz(k):
    return (1000 + 25 * k) * 1e6


def renorm(g, r):
    z = 50 * (1 + g) / (1 - g)
    return (z - r) / (z + r)


UNITS = {"HZ": 1.0, "kHz": 1e3, "MHz": 1e6, "GHz": 1e9}


def write(name, unit, fmt, ref=50.0, comment=True, freqs=None, option=True):
    lines = []
    if comment:
        lines.append("! test data for the Touchstone reader")
    if option:
        lines.append("# %s S %s R %g" % (unit, fmt, ref) if unit else "# S %s R %g" % (fmt, ref))
    for k in range(N):
        g = renorm(gamma50(k), ref) if ref != 50 else gamma50(k)
        f = (freqs[k] if freqs else freq_hz(k)) / UNITS.get(unit or "GHz", 1e9)
        if fmt == "MA":
            a, b = abs(g), math.degrees(cmath.phase(g))
        elif fmt == "DB":
            a, b = 20 * math.log10(abs(g)), math.degrees(cmath.phase(g))
        else:
            a, b = g.real, g.imag
        lines.append("%.12g  %.12g %.12g ! point %d" % (f, a, b, k))
    with open(os.path.join(HERE, name), "w", newline="\r\n") as fh:
        fh.write("\n".join(lines) + "\n")


def main():
    for unit in UNITS:
        for fmt in ("MA", "DB", "RI"):
            write("%s_%s.s1p" % (unit.lower(), fmt.lower()), unit, fmt)
    # No unit on the option line: GHz by default.
    write("default_unit_ri.s1p", None, "RI")
    write("ref75_ma.s1p", "MHz", "MA", ref=75.0)
    # Non-uniform grid: refused.
    write("nonuniform.s1p", "MHz", "MA", freqs=[1000e6, 1025e6, 1060e6, 1075e6, 1100e6])


if __name__ == "__main__":
    main()
