#!/usr/bin/env python3
"""Converts trace files to .s1p with korvtool and checks that scikit-rf reads
back the same frequencies and complex reflection values (1e-6 relative).

usage: check_s1p_skrf.py KORVTOOL FILE[:TRACE]...
Exit 77 (skipped) when scikit-rf is not installed."""
import json
import os
import subprocess
import sys
import tempfile


def import_skrf():
    try:
        import skrf  # noqa: F401
        return True
    except ImportError:
        return False


if not import_skrf():
    # The distribution's package lives with the system interpreter.
    system = "/usr/bin/python3"
    if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system) \
            and not os.environ.get("KORV_SKRF_REEXEC"):
        os.environ["KORV_SKRF_REEXEC"] = "1"
        os.execv(system, [system] + sys.argv)
    print("SKIPPED: scikit-rf (python3-scikit-rf) is not installed")
    sys.exit(77)

import numpy as np  # noqa: E402
import skrf  # noqa: E402


def rho_of(value, unit):
    if unit in (0, 4):
        return 10 ** (value / 20)
    if unit == 1:
        return (value - 1) / (value + 1)
    if unit == 2:
        return value
    return value / 1000


def check(korvtool, item, tmp):
    path, _, trace = item.partition(":")
    trace = int(trace or 0)
    out = os.path.join(tmp, os.path.basename(path) + ".s1p")
    cmd = [korvtool, "convert", path, out]
    if trace:
        cmd += ["--trace", str(trace)]
    subprocess.run(cmd, check=True)
    doc = json.loads(subprocess.run([korvtool, "dump", path], check=True, capture_output=True, text=True).stdout)
    t = doc["traces"][trace]
    unit = doc["scaleUnit"]
    freq = np.array(t["freq"]) * 1e6
    gamma = np.array([rho_of(m, unit) for m in t["mag"]]) * np.exp(1j * np.radians(np.array(t["angle"])))

    net = skrf.Network(out)
    assert net.nports == 1, net.nports
    assert len(net.f) == len(freq), (len(net.f), len(freq))
    np.testing.assert_allclose(net.f, freq, rtol=1e-6)
    s = net.s[:, 0, 0]
    err = np.abs(s - gamma) / np.maximum(np.abs(gamma), 1e-12)
    assert err.max() <= 1e-6, "worst relative error %g at point %d" % (err.max(), int(err.argmax()))
    print("%s: %d points read back by scikit-rf %s, worst relative error %.3g"
          % (item, len(freq), skrf.__version__, err.max()))


def main():
    korvtool = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        for item in sys.argv[2:]:
            check(korvtool, item, tmp)


if __name__ == "__main__":
    main()
