#!/usr/bin/env python3
"""Builds the handheld (.vnf) files of this folder line by line from the file
layout, independently of the program's own writer.

Run from anywhere: python3 make_vnf.py  (rewrites the files beside it)."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def i4(v):
    return "%.4d" % v


def e5(v):
    s = "%.5E" % v
    mant, exp = s.split("E")
    return mant + "E" + exp[0] + exp[1:].rjust(3, "0")


def freq(hz):
    return "%.4d%.6d" % (hz // 1000000, hz % 1000000)


def pair(a, b):
    return "%1.6f\t%1.6f" % (a, b)


def build(mode=1, unit=2, revision="Rev 2009.1", marker_line="0001", version=0, offset=1.5,
          limit1=(1, -15.0), limit2=(0, None), scale=(0.0, -50.0), n=5, types=(6, 0, 0, 0, 0, 0),
          dist_unit=0, extra=None, rows=None):
    L = [i4(version), revision, "SN12345", "Head 1", "Head 2", "13:05:09 03/07/2013",
         "Main Title", "Sub Title", "Text 3", "Text 4", "Label X", "Text 6", marker_line, i4(mode),
         freq(1962500000), freq(100000000), "free text", i4(-1), i4(1), i4(0),
         e5(scale[0]), e5(scale[1]), e5(offset), i4(unit + 20), e5(0.25), i4(0), i4(0), i4(2), i4(n)]
    values = [-20.0, 0.3, -10.0, -30.0, -5.5]
    for k in range(n if rows is None else rows):
        L.append(pair(values[k % 5], 0.1 * k))
    L.append(i4(limit1[0]))
    if limit1[0] == 1:
        L.append(e5(limit1[1]))
    L.append(i4(limit2[0]))
    if limit2[0] == 1:
        L.append(e5(limit2[1]))
    L.append(i4(7))
    for m in range(6):
        L += [i4(m), i4(1 if m == 0 else 0), i4(1 if m < 2 else 0), i4(1 if m == 1 else 0),
              i4(1 if m == 0 else 0), i4(types[m]), i4(m + 1), freq(1962500000 + m * 1000000 + 250),
              e5(-20.0 - m)]
    if mode == 2:
        L += ["LMR-400", e5(0.85), e5(0.066), i4(1), e5(0.0), e5(150.0), i4(dist_unit)]
        for k in range(n):
            L.append(pair(-40.0 + k, 10.0 * k))
    if mode == 3 or (mode == 4 and extra is not None):
        L.append(e5(extra if extra is not None else 0.0))
    L.append("0")
    return "".join(l + "\r\n" for l in L)


def write(name, text):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(text.encode("latin-1"))


def main():
    # Reflection sweep, offset 1.5 dB, limit 1 on, marker 1 of type 6.
    write("mode1_offset.vnf", build())
    # Distance to fault in feet; its limit is off, so type 6 reads as 0.
    write("mode2_dtf.vnf", build(mode=2, unit=0, limit1=(0, None), dist_unit=0, offset=0.0))
    # Cable loss with limit 2 and the extra value.
    write("mode3_cable.vnf", build(mode=3, unit=0, limit1=(0, None), limit2=(1, -3.0), extra=4.5, offset=0.0))
    # Mode 4, with and without the extra value line.
    write("mode4_extra.vnf", build(mode=4, unit=0, limit1=(0, None), extra=2.5, offset=0.0))
    write("mode4_plain.vnf", build(mode=4, unit=0, limit1=(0, None), offset=0.0))
    # Percent unit 5: scale values 1 and 100 percent.
    write("unit5_percent.vnf", build(unit=5, scale=(100.0, 1.0), limit1=(0, None), offset=0.0))
    # Refused: wrong format marker, too old a revision, too many points.
    write("bad_marker.vnf", build(marker_line="0002"))
    write("bad_year.vnf", build(revision="Rev 2007.9"))
    # Only the count is too large: the reader must refuse before the rows.
    write("too_many_points.vnf", build(n=11266, rows=5))


if __name__ == "__main__":
    main()
