#!/usr/bin/env python3
"""Writes two-port (and version 2 one-port) Touchstone files of known
scattering parameters in every data form, and expected.txt: S11 and S22 at
50 ohm as scikit-rf reads and renormalises each file (the reference the
program's reader is checked against, within 1e-9 relative).

The network at the file's reference impedance, k = 0..6 at 100 + 50 k MHz:
  S11 = (0.2 + 0.05 k) at (30 - 20 k) deg     S21 = (0.9 - 0.03 k) at (-40 k) deg
  S12 = (0.85 - 0.02 k) at (-40 k + 5) deg    S22 = (0.35 - 0.02 k) at (-100 + 15 k) deg

Run from anywhere (needs python3-scikit-rf): python3 make_s2p.py"""
import cmath
import math
import os

import numpy as np

# The scikit-rf of Debian 12 still uses aliases numpy 1.24 removed.
for _alias, _type in (("complex", complex), ("float", float), ("int", int)):
    if not hasattr(np, _alias):
        setattr(np, _alias, _type)

import skrf  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
N = 7
UNITS = {"Hz": 1.0, "kHz": 1e3, "MHz": 1e6, "GHz": 1e9}


def freq_hz(k):
    return (100 + 50 * k) * 1e6


def s_matrix(k):
    def p(m, deg):
        return cmath.rect(m, math.radians(deg))
    return [[p(0.2 + 0.05 * k, 30 - 20 * k), p(0.85 - 0.02 * k, -40 * k + 5)],
            [p(0.9 - 0.03 * k, -40 * k), p(0.35 - 0.02 * k, -100 + 15 * k)]]


def pair(g, fmt):
    if fmt == "MA":
        return abs(g), math.degrees(cmath.phase(g))
    if fmt == "DB":
        return 20 * math.log10(abs(g)), math.degrees(cmath.phase(g))
    return g.real, g.imag


def values(k, fmt, order):
    s = s_matrix(k)
    pick = {"11": s[0][0], "21": s[1][0], "12": s[0][1], "22": s[1][1]}
    out = []
    for name in order:
        out += pair(pick[name], fmt)
    return " ".join("%.15g" % v for v in out)


def write_v1(name, unit, fmt, ref):
    lines = ["! two-port test data", "# %s S %s R %g" % (unit, fmt, ref)]
    for k in range(N):
        lines.append("%.15g %s" % (freq_hz(k) / UNITS[unit], values(k, fmt, ["11", "21", "12", "22"])))
    # Noise parameters may follow the network data of a version 1 file.
    lines.append("! noise parameters")
    lines.append("%.15g 1.5 0.5 120 0.3" % (freq_hz(0) / UNITS[unit]))
    save(name, lines)


def write_v2(name, unit, fmt, refs, order="21_12"):
    names = ["11", "21", "12", "22"] if order == "21_12" else ["11", "12", "21", "22"]
    lines = ["[Version] 2.0", "# %s S %s R 50" % (unit, fmt), "[Number of Ports] 2",
             "[Two-Port Data Order] %s" % order, "[Number of Frequencies] %d" % N,
             "[Reference] %s" % " ".join("%g" % r for r in refs), "[Network Data]"]
    for k in range(N):
        # Version 2 lets a point continue on the next line.
        v = values(k, fmt, names).split()
        lines.append("%.15g %s" % (freq_hz(k) / UNITS[unit], " ".join(v[:4])))
        lines.append("  " + " ".join(v[4:]))
    lines.append("[End]")
    save(name, lines)


def write_v2_oneport(name):
    lines = ["[Version] 2.0", "# MHz S RI R 75", "[Number of Ports] 1", "[Number of Frequencies] %d" % N,
             "[Network Data]"]
    for k in range(N):
        lines.append("%.15g %s" % (freq_hz(k) / 1e6, values(k, "RI", ["11"])))
    lines.append("[End]")
    save(name, lines)


def save(name, lines):
    with open(os.path.join(HERE, name), "w", newline="\r\n") as fh:
        fh.write("\n".join(lines) + "\n")


def main():
    files = []
    for fmt, unit in (("RI", "Hz"), ("MA", "MHz"), ("DB", "GHz")):
        for ref in (50, 75):
            name = "%s_r%d.s2p" % (fmt.lower(), ref)
            write_v1(name, unit, fmt, ref)
            files.append(name)
    write_v2("v2_ma_ref50_75.s2p", "kHz", "MA", [50, 75])
    write_v2("v2_ri_12_21.s2p", "MHz", "RI", [75, 75], order="12_21")
    write_v2_oneport("v2_oneport.s1p")
    files += ["v2_ma_ref50_75.s2p", "v2_ri_12_21.s2p", "v2_oneport.s1p"]
    out = ["# file parameter frequency_hz re im (at 50 ohm, by scikit-rf)"]
    # Version 1 files as scikit-rf reads them; its reader of this vintage
    # does not know every version 2 keyword, so those networks are built
    # from the same numbers and renormalised by scikit-rf directly.
    nets = {}
    for name in files[:6]:
        nets[name] = skrf.Network(os.path.join(HERE, name))
    f = np.array([freq_hz(k) for k in range(N)])
    s2 = np.array([s_matrix(k) for k in range(N)])
    for name, refs in (("v2_ma_ref50_75.s2p", [50, 75]), ("v2_ri_12_21.s2p", [75, 75])):
        nets[name] = skrf.Network(frequency=skrf.Frequency.from_f(f, unit="hz"), s=s2,
                                  z0=np.array(refs, dtype=complex))
    nets["v2_oneport.s1p"] = skrf.Network(frequency=skrf.Frequency.from_f(f, unit="hz"), s=s2[:, :1, :1], z0=75)
    for name in files:
        net = nets[name]
        net.renormalize(50)
        for p in ((1, 2) if net.nports == 2 else (1,)):
            for fr, s in zip(net.f, net.s[:, p - 1, p - 1]):
                out.append("%s S%d%d %.17g %.17g %.17g" % (name, p, p, fr, s.real, s.imag))
    with open(os.path.join(HERE, "expected.txt"), "w") as fh:
        fh.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
