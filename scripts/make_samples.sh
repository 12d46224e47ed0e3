#!/bin/sh
# Builds the sample documents in resources/samples/ from the synthetic
# feed-line model. The model is deterministic (seeded noise, fixed dates), so
# running this again reproduces the committed files byte for byte.
#
# usage: scripts/make_samples.sh [path/to/korvtool]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
korvtool=${1:-${KORVTOOL:-$here/build/src/cli/korvtool}}
out=$here/resources/samples

if [ ! -x "$korvtool" ]; then
  echo "korvtool not found at $korvtool (build it, or pass its path)" >&2
  exit 1
fi
mkdir -p "$out"

# 45 m of 7/8" foam cable (Vp 0.89, 0.061 dB/m near 1.9 GHz) to a PCS panel
# antenna, with the small echoes of the jumpers at both ends.
"$korvtool" synth "$out/GoodAntennaFeed.kdt" --points 238 --start 1700 --stop 2000 \
  --vp 0.89 --loss 0.061 --fault 1.5:0.02 --fault 44.0:0.03 \
  --length 45 --load 0.04 --antenna 1850 --q 2 --noise 0.002 --seed 11 \
  --title "Sector Alpha feed" --label "Site 1042, Sector Alpha, Antenna Tx1"

# The same feed with water in the connector at 23.4 m.
"$korvtool" synth "$out/BadConnector23m.kdt" --points 238 --start 1700 --stop 2000 \
  --vp 0.89 --loss 0.061 --fault 1.5:0.02 --fault 23.4:0.25 --fault 44.0:0.03 \
  --length 45 --load 0.04 --antenna 1850 --q 2 --noise 0.002 --seed 12 \
  --title "Sector Beta feed" --label "Site 1042, Sector Beta, Antenna Tx1" --view dtf

# A wide sweep of 949 points: 40 m of LMR-400 to a broadband antenna.
"$korvtool" synth "$out/WideSweep949.kdt" --points 949 --start 800 --stop 2200 \
  --vp 0.85 --loss 0.216 --fault 0.8:0.03 --length 40 --load 0.08 --antenna 1500 --q 1 \
  --noise 0.003 --seed 13 --title "Wide band check" --label "Site 2210, Sector Gamma, Antenna Rx2"

# The bad connector again, shown in feet and VSWR.
"$korvtool" synth "$out/BadConnectorFeetVSWR.kdt" --points 238 --start 1700 --stop 2000 \
  --vp 0.89 --loss 0.061 --fault 1.5:0.02 --fault 23.4:0.25 --fault 44.0:0.03 \
  --length 45 --load 0.04 --antenna 1850 --q 2 --noise 0.002 --seed 12 \
  --unit ft --scale vswr --view dtf \
  --title "Sector Beta feed" --label "Site 1042, Sector Beta, Antenna Tx1"

echo "samples written to $out"
