#!/bin/bash
# How close zembrix-convert's --fit crop comes to an image editor's resize,
# before any colour reduction, on real photographs.
#
# The photographs are bench/quality.sh's: scikit-image's and matplotlib's
# samples from the Debian packages python3-skimage and python-matplotlib-data
# (fetched with apt-get download and unpacked, not installed). For each, the
# yardstick is ImageMagick's resize in linear light,
#   -colorspace RGB -resize 128x96^ -gravity center -extent 128x96 -colorspace sRGB
# and the figure is the PSNR of the converter's fitted image against it
# (zembrix-fit-probe). ImageMagick is only the yardstick here.
#
# Usage: bench/fit_quality.sh [PROBE] [WORK_DIR]
set -euo pipefail

probe=$(realpath "${1:-build/zembrix-fit-probe}")
# ImageMagick's convert; CONVERT names another one.
convert=${CONVERT:-convert}
work=${2:-build/bench-fit}

source "$(dirname "$0")/debian-photos.sh"
require_tools fit_quality.sh bench-fit apt-get dpkg-deb "$convert"
mkdir -p "$work/reference"
unpack_packages "$work" python3-skimage python-matplotlib-data

printf '%-22s %11s %9s\n' photo size "PSNR dB"
total=0
count=0
for photo in $quality_photos; do
    name=$(basename "${photo%.*}")
    reference="$work/reference/$name.png"
    "$convert" "$work/root/$photo" -colorspace RGB -resize '128x96^' -gravity center \
        -extent 128x96 -colorspace sRGB -type TrueColor -define png:color-type=2 \
        "PNG24:$reference" 2>/dev/null
    size=$("$convert" "$work/root/$photo" -format '%wx%h' info: 2>/dev/null || echo '?')
    psnr=$("$probe" crop "$work/root/$photo" "$reference")
    printf '%-22s %11s %9.2f\n' "$name" "$size" "$psnr"
    total=$(awk -v t="$total" -v p="$psnr" 'BEGIN { print t + p }')
    count=$((count + 1))
done
awk -v t="$total" -v n="$count" 'BEGIN { printf "%-22s %11s %9.2f\n", "mean", "", t / n }'
