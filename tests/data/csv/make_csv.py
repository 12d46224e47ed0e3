#!/usr/bin/env python3
"""Builds the CSV trace files of this folder by hand from the file layout
(header literal, settings-row columns, point rows, CRC-16 over the text up to
the last comma), independently of the program's own writer.

Run from anywhere: python3 make_csv.py  (rewrites the files beside it)."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))

HEADER = (
    "Mag,Angle,LXZT Trace File Rev,Label,DateTime,Model,SN,Revision,Mode,CalState,VCOTemp,FMOnOff,SetupName,"
    "SetupVCOTemp,SetupDateTime,NumPoints,StartFreq,StopFreq,ScaleUnit,ScaleMin,ScaleMax,FreqMarkPos1,"
    "FreqMarkType1,FreqMarkState1,FreqMarkDelta1,FreqMarkPos2,FreqMarkType2,FreqMarkState2,FreqMarkDelta2,"
    "FreqMarkPos3,FreqMarkType3,FreqMarkState3,FreqMarkDelta3,FreqMarkPos4,FreqMarkType4,FreqMarkState4,"
    "FreqMarkDelta4,FreqMarkPos5,FreqMarkType5,FreqMarkState5,FreqMarkDelta5,FreqMarkPos6,FreqMarkType6,"
    "FreqMarkState6,FreqMarkDelta6,FreqLimitMode,FreqLimitValue,DistUnit,StartDist,StopDist,ScaleUnit,ScaleMin,"
    "ScaleMax,Smoothing,CableType,Vp,Loss,DTFMarkPos1,DTFMarkType1,DTFMarkState1,DTFMarkDelta1,DTFMarkPos2,"
    "DTFMarkType2,DTFMarkState2,DTFMarkDelta2,DTFMarkPos3,DTFMarkType3,DTFMarkState3,DTFMarkDelta3,DTFMarkPos4,"
    "DTFMarkType4,DTFMarkState4,DTFMarkDelta4,DTFMarkPos5,DTFMarkType5,DTFMarkState5,DTFMarkDelta5,DTFMarkPos6,"
    "DTFMarkType6,DTFMarkState6,DTFMarkDelta6,DistLimitMode,DistLimitValue,GPS Time,GPS LatitudeDeg,"
    "GPS LatitudeMin,GPS LatitudeHemisphere,GPS LongitudeDeg,GPS LongitudeMin,GPS LongitudeHemisphere,"
    "GPS FixQuality,GPS NumSatellites,GPS HDOP,GPS Altitude,GPS GeodialSeparation,GPS Data_Age,GPS Station_ID,"
    "GPS Location,,"
)
HEADER_REV1 = HEADER[: HEADER.index("DistLimitValue") + len("DistLimitValue")] + ",,"


def crc16(data: bytes) -> int:
    """CRC-16/UMTS: poly 0x8005, init 0, MSB first, odd length padded with 0."""
    if len(data) % 2:
        data += b"\0"
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x8005) if crc & 0x8000 else (crc << 1)
            crc &= 0xFFFF
    return crc


def settings(rev, over=None):
    """Columns 2..97 (82 for revision 1) as text, keyed by column number."""
    c = {
        2: rev, 3: "Site A", 4: "07-Mar-2013 01:05p", 5: "LX-3600ZT", 6: "123456789", 7: "1.23",
        8: "0", 9: "1", 10: "301.5", 11: "1", 12: "Setup1", 13: "302.5", 14: "01-Jan-2013 12:30a",
        15: "5", 16: "800000", 17: "1000000", 18: "1", 19: "-50", 20: "0",
        45: "1", 46: "-15", 47: "1", 48: "0", 49: "30", 50: "1", 51: "-60", 52: "0", 53: "2",
        54: "LMR-400", 55: "0.85", 56: "0.22", 81: "2", 82: "-30",
    }
    for k in range(6):  # Pos, Type, State, Delta
        for base in (21, 57):
            c[base + 4 * k] = "0"
            c[base + 4 * k + 1] = "0"
            c[base + 4 * k + 2] = "0"
            c[base + 4 * k + 3] = "7"
    # second frequency marker shown at point 3, delta to the limit line
    c[25], c[26], c[27], c[28] = "3", "1", "1", "6"
    # first DTF marker shown, no delta
    c[57], c[58], c[59], c[60] = "2", "0", "2", "7"
    gps = ["123519", "48", "07.038", "N", "11", "31.000", "E", "1", "08", "0.9", "545.4", "46.9", "", "", "Mast 7"]
    for i, g in enumerate(gps):
        c[83 + i] = g
    c.update(over or {})
    return c


def points(n):
    return [(0.05 + 0.1 * k, -0.5 + 0.25 * k) for k in range(n)]


def row(cols, width):
    cells = [""] * width
    for k, v in cols.items():
        cells[k] = v
    return ",".join(cells)


def build(rev, cols, pts, width=99, header=HEADER, extra_row=None):
    lines = [header, extra_row if extra_row is not None else row({k: v for k, v in cols.items() if k < width}, width)]
    for mag, ang in pts:
        lines.append(row({0: repr(mag), 1: repr(ang)}, width))
    text = "\r\n".join(lines)  # the last line ends with the comma before the CRC
    return text + "%4.4x" % crc16(text.encode("latin-1")) + "\r\n"


def write(name, text):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(text.encode("latin-1"))


def main():
    pts = points(5)
    write("rev3_basic.csv", build("3", settings("3"), pts))

    # Revision 2 in feet with Loss 1.5: the stream reader scales it to 0.15.
    write("rev2_feet.csv", build("2", settings("2", {47: "2", 56: "1.5"}), pts))

    # Revision 1: 84 columns, no GPS, CRC in column 83.
    c1 = {k: v for k, v in settings("1", {47: "2", 56: "1"}).items() if k <= 82}
    write("rev1.csv", build("1", c1, pts, width=84, header=HEADER_REV1))

    # A label with commas written without quotes: 101 fields on line 2.
    c = settings("3")
    cells = [""] * 99
    for k, v in c.items():
        cells[k] = v
    cells[3] = "Site 1,Sector Alpha,Ant 2"  # two extra commas
    write("rev3_label_commas.csv", build("3", c, pts, extra_row=",".join(cells)))

    # A label with a comma and quotes, written as the joiner does.
    lab = 'He said "hi", ok'
    c = settings("3", {3: '"' + lab.replace('"', '""') + '"'})
    write("rev3_quoted_label.csv", build("3", c, pts))

    # Edited CRC digits: loads with a CRC message.
    good = build("3", settings("3"), pts)
    bad = good[:-6] + ("0000" if good[-6:-2] != "0000" else "1111") + "\r\n"
    write("rev3_bad_crc.csv", bad)

    # Distance-to-fault sweep shown in VSWR, empty date.
    write("rev3_dtf_vswr.csv", build("3", settings("3", {8: "1", 18: "0", 4: ""}), pts))

    # 950 points declared: more than a file may hold; refused before the rows,
    # so five rows are enough.
    write("rev3_950_points.csv", build("3", settings("3", {15: "950"}), pts))


if __name__ == "__main__":
    main()
