#!/usr/bin/env python3
"""Writes the demonstration documents the README pictures are drawn from.

The sweeps come from a small physical model of a cell-site feed: an antenna
(two coupled resonances across 1700-2200 MHz) at the end of a lossy coaxial
cable, a connector at the analyzer and, on some sectors, a damaged jumper
part way up the tower. Reflections add with their round-trip phase and cable
loss, which gives the ripple a real return-loss sweep shows and the peaks a
distance-to-fault view finds.

Run: python3 make_demo_documents.py   (writes demo_*.kdt beside this script)
"""
import cmath
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
C0 = 299792458.0


def crc16(data: bytes) -> int:
    crc = 0
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x8005) if crc & 0x8000 else (crc << 1)
            crc &= 0xFFFF
    return crc


def finish(text: str) -> bytes:
    body = text.encode("latin-1")
    if len(body) % 2:
        body += b"\0"
    c = crc16(body)
    return body + bytes([c >> 8, c & 0xFF])


def antenna_gamma(f_mhz, detune=0.0, match=(0.55, 0.47)):
    """Broadband panel antenna: two series-resonant branches in parallel."""
    f = f_mhz * 1e6
    y = 0j
    for f0, q, r in ((1780e6 + detune, 2.2, 1.08), (2080e6 + detune, 2.6, 1.12)):
        x = q * (f / f0 - f0 / f)
        y += 1.0 / complex(r, x)
    z = 1.0 / y
    z = z * match[0] + match[1]  # matching network brings the pair near 50 ohms
    return (z - 1) / (z + 1)


def feed_gamma(f_mhz, length, vp, loss_db_m, faults, detune=0.0, match=(0.55, 0.47)):
    """Input reflection of connector + cable + discontinuities + antenna."""
    beta = 2 * math.pi * f_mhz * 1e6 / (vp * C0)
    # Cable loss grows with the square root of frequency.
    alpha = loss_db_m * math.sqrt(f_mhz / 2000.0)
    g = 0.006 * cmath.exp(1j * 0.4)  # N connector at the analyzer
    for dist, mag, ph in faults + [(length, None, 0.0)]:
        refl = antenna_gamma(f_mhz, detune, match) if mag is None else mag * cmath.exp(1j * ph)
        g += refl * cmath.exp(-2j * beta * dist) * 10 ** (-2 * alpha * dist / 20)
    return g


def sweep(n, f0, f1, noise=0.004, seed=1, **kw):
    """noise: residual of the calibration (directivity, trace noise) as a
    reflection magnitude, about -48 dB."""
    rnd = random.Random(seed)
    mags, angles = [], []
    for k in range(n):
        f = f0 + (f1 - f0) * k / (n - 1)
        g = feed_gamma(f, **kw) + complex(rnd.gauss(0, noise), rnd.gauss(0, noise))
        rho = max(abs(g), 1e-5)
        mags.append(20 * math.log10(rho))
        angles.append(math.degrees(cmath.phase(g)))
    return mags, angles


def trace_block(i, title, label, site, sector, when, n, f0, f1, mags, angles, cable):
    name, loss, diel, start, stop = cable
    lines = [f"Trace Data {i}", title, f"{site} {sector} 1 {i + 1} {when}", label,
             '"LX-3250A","0412877","V3.20"', "2 1 305", f'"Site {site} PCS/AWS" 301 "{when}"',
             "", "", "", "", "", str(n), f"{f0:.3f} {f1:.3f}"]
    lines += [f"{m:.5f} {a:.3f}" for m, a in zip(mags, angles)]
    lines.append("")
    lines += ["0 0 0 0 0 0", "0 0 0 0 0 0", "0 0 0 0 0 0", "7 7 7 7 7 7"] * 2
    lines += [name, f"{loss:.4f} {diel:.4f}", f"{start:.3f} {stop:.3f}", "1", "", ""]
    return lines


def document(traces, plot_mode=1, unit=0, limit=None):
    f0 = traces[0][5]
    f1 = traces[0][6]
    lines = ["Korv SA File Version 7", "Return Loss", f"Frequency: {f0:.0f} MHz - {f1:.0f} MHz", "0 0", "0",
             "0 0 0 1 2", "", "", "", "General Information", "0 0", "0 0",
             "0.000 0.000", "0.000 0.000", "0.000 0.000", "0.000 0.000",
             f"{1 if limit is not None else 0} {limit if limit is not None else 97531.0:.3f}", "0 0.000",
             "0 97531.000", str(unit), "0", str(plot_mode), "", "", "", "", str(len(traces))]
    for i, t in enumerate(traces):
        lines += trace_block(i, *t)
    return "\r\n".join(lines) + "\r\n"


def main():
    n = 949
    f0, f1 = 1700.0, 2200.0
    # LMR-400-like feeder: Vp 0.85, 0.07 dB/m at 2 GHz; dielectric = 1 / Vp^2.
    vp = 0.85
    cable = ("LMR-400", 0.07, 1.0 / vp ** 2, 0.0, 50.0)
    sectors = [
        ("Alpha", 1, 38.0, [(1.2, 0.012, 1.0)], 0.0),
        ("Beta", 2, 41.5, [(1.2, 0.010, 2.1), (24.6, 0.09, -0.7)], 9e6),  # damaged jumper at 24.6 m
        ("Gamma", 3, 36.2, [(1.2, 0.014, 0.2)], -12e6),
    ]
    traces = []
    for k, (name, sec, length, faults, detune) in enumerate(sectors):
        mags, angles = sweep(n, f0, f1, seed=k + 1, length=length, vp=vp, loss_db_m=0.07, faults=faults,
                             detune=detune)
        when = f"6/{12 + k}/2026 10:{14 + 7 * k:02d}:32 AM"
        label = f"Site 412, Sector {name}, Antenna Tx1"
        traces.append((f"Sector {name}", label, 412, sec, when, n, f0, f1, mags, angles, cable))
    with open(os.path.join(HERE, "demo_site.kdt"), "wb") as f:
        f.write(finish(document(traces, limit=-15.0)))
    # One sector alone: the single-trace header (label and location lines).
    with open(os.path.join(HERE, "demo_sector.kdt"), "wb") as f:
        f.write(finish(document(traces[1:2], limit=-15.0)))
    # The antenna alone on a 1.5 m jumper, before and after retuning: the
    # Smith chart shows its two resonance loops.
    jumper = ("Jumper", 0.2, 1.0 / 0.83 ** 2, 0.0, 5.0)
    antenna = []
    for k, (name, detune, match) in enumerate((("as found", 60e6, (1.6, 0.25)), ("retuned", 0.0, (0.55, 0.47)))):
        mags, angles = sweep(401, f0, f1, noise=0.002, seed=10 + k, length=0.3, vp=0.83, loss_db_m=0.2,
                             faults=[], detune=detune, match=match)
        antenna.append((f"Antenna {name}", f"Panel antenna, {name}", 412, 2, f"6/13/2026 11:{5 + k * 9:02d}:10 AM",
                        401, f0, f1, mags, angles, jumper))
    with open(os.path.join(HERE, "demo_antenna.kdt"), "wb") as f:
        f.write(finish(document(antenna)))


if __name__ == "__main__":
    main()
