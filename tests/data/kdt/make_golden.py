#!/usr/bin/env python3
"""Writes golden .kdt files from the documented line layout with an
independent CRC-16/UMTS, so the C++ reader is checked against a second
implementation. Run: python3 make_golden.py (writes beside this script)."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


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


def trace_block(i, title, n, f0, f1, mags, angles, markers_v7=True):
    lines = [f"Trace Data {i}", title, "7 3 2 1 3/14/2024 9:26:53 AM", "Tower 7 feed",
             '"LX-3250A","012345","V3.10"', "2 1 305", '"Cell B" 301 "3/13/2024 4:00:00 PM"',
             "", "", "", "", "", str(n), f"{f0:.3f} {f1:.3f}"]
    lines += [f"{m:.5f} {a:.3f}" for m, a in zip(mags, angles)]
    lines.append("")
    lines += ["1 1 0 0 0 0", "10 20 0 0 0 0", "0 1 0 0 0 0", "7 0 7 7 7 7"]
    lines += ["0 0 0 0 0 0", "0 0 0 0 0 0", "0 0 0 0 0 0", "7 7 7 7 7 7"]
    lines += ["LMR-400", "0.0700 1.1779", "0.000 40.000", "0", "", ""]
    return lines


def main():
    n = 101
    f0, f1 = 1700.0, 2000.0
    mags = [-25.0 + 8.0 * math.sin(k / 7.0) for k in range(n)]
    angles = [((k * 37.0) % 360.0) - 180.0 for k in range(n)]
    lines = ["Korv SA File Version 7", "Return Loss", "Frequency: 1700 MHz - 2000 MHz", "0 0", "0",
             "0 0 0 1 2", "", "", "", "General Information", "0 1", "0 1",
             "1694.000 2006.000", "-35.000 -15.000", "-0.800 40.800", "-80.000 0.000",
             "1 -18.000", "0 0.000", "0 97531.000", "0", "0", "1", "", "", "", "", "2"]
    lines += trace_block(0, "Sector A", n, f0, f1, mags, angles)
    lines += trace_block(1, "Sector A again", n, f0, f1, [m - 1 for m in mags], angles)
    text = "\r\n".join(lines) + "\r\n"
    with open(os.path.join(HERE, "golden_v7.kdt"), "wb") as f:
        f.write(finish(text))


if __name__ == "__main__":
    main()
