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

skimage_dir=usr/lib/python3/dist-packages/skimage/data
matplotlib_dir=usr/share/matplotlib/mpl-data/sample_data
photos="$skimage_dir/astronaut.png $skimage_dir/chelsea.png $skimage_dir/coffee.png
$skimage_dir/hubble_deep_field.jpg $skimage_dir/ihc.png $skimage_dir/motorcycle_left.png
$skimage_dir/motorcycle_right.png $skimage_dir/retina.jpg $skimage_dir/rocket.jpg
$matplotlib_dir/grace_hopper.jpg
$skimage_dir/camera.png $skimage_dir/coins.png $skimage_dir/moon.png $skimage_dir/brick.png
$skimage_dir/gravel.png"

for tool in apt-get dpkg-deb "$convert"; do
    command -v "$tool" >/dev/null || {
        echo "fit_quality.sh: $tool is missing (make bench-fit installs it)" >&2
        exit 1
    }
done

mkdir -p "$work/debs" "$work/root" "$work/reference"
for package in python3-skimage python-matplotlib-data; do
    if ! ls "$work/debs/${package}"_*.deb >/dev/null 2>&1; then
        if ! (cd "$work/debs" && apt-get download "$package" >/dev/null); then
            if [ "$(id -u)" -eq 0 ]; then apt-get update -qq; else sudo apt-get update -qq; fi
            (cd "$work/debs" && apt-get download "$package" >/dev/null)
        fi
    fi
    dpkg-deb -x "$work/debs/${package}"_*.deb "$work/root"
done

printf '%-22s %11s %9s\n' photo size "PSNR dB"
total=0
count=0
for photo in $photos; do
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
