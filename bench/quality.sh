#!/bin/bash
# Quality and speed of zembrix-convert's methods on real photographs.
#
# The photographs come from two Debian packages, fetched with apt-get download
# and unpacked with dpkg-deb, without installing them: python3-skimage
# (scikit-image's sample photographs) and python-matplotlib-data (matplotlib's
# sample photograph). Each is scaled to fill 128x96 and cropped to it with
# ImageMagick, and `zembrix-convert --compare` measures every method on it.
# Prints each picture's table, the mean figures per method, and the mean time
# of one whole converter process per picture for three methods.
#
# With a PROBE (zembrix-perceptual-probe), also prints the perceptual
# method's figures beside refined-dither's on the same pictures.
#
# Usage: bench/quality.sh [CONVERTER] [WORK_DIR] [PROBE]   (RUNS=n sets the timed runs)
set -euo pipefail

converter=$(realpath "${1:-build/zembrix-convert}")
work=${2:-build/bench-quality}
probe=${3:-}
runs=${RUNS:-10}

source "$(dirname "$0")/debian-photos.sh"
require_tools quality.sh bench-quality apt-get dpkg-deb convert
mkdir -p "$work/pictures"
unpack_packages "$work" python3-skimage python-matplotlib-data

pictures=()
for photo in $quality_photos; do
    name=$(basename "${photo%.*}")
    picture="$work/pictures/$name.png"
    convert "$work/root/$photo" -resize '128x96^' -gravity center -extent 128x96 \
        -colorspace sRGB -type TrueColor -define png:color-type=2 "PNG24:$picture" 2>/dev/null
    pictures+=("$picture")
done

tables="$work/tables.txt"
: >"$tables"
for picture in "${pictures[@]}"; do
    echo "== $(basename "$picture") =="
    "$converter" --compare "$picture" | tee -a "$tables"
done

echo
echo "== Mean over ${#pictures[@]} photographs =="
awk '
    $1 == "method" { next }
    {
        if (!($1 in count)) order[++methods] = $1
        count[$1]++; colours[$1] += $2; psnr[$1] += $3; de[$1] += $4
    }
    END {
        printf "%-16s %7s %9s %10s\n", "method", "colours", "PSNR dB", "CIEDE2000"
        for (i = 1; i <= methods; i++) {
            m = order[i]
            printf "%-16s %7.1f %9.2f %10.3f\n", m, colours[m] / count[m], psnr[m] / count[m],
                de[m] / count[m]
        }
        printf "\nrefined minus closest: %+.2f dB\n", (psnr["refined"] - psnr["closest"]) / count["closest"]
        printf "CIEDE2000 of refined-dither %.3f, of floyd-steinberg %.3f\n",
            de["refined-dither"] / count["refined-dither"], de["floyd-steinberg"] / count["floyd-steinberg"]
    }' "$tables"

# Outputs go to memory where it can be had, so that the file system's flush
# of each written file does not hide the conversion's own time.
out_dir=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d -p "$work")
trap 'rm -rf "$out_dir"' EXIT
echo
echo "== One whole process per picture, mean of $runs runs over ${#pictures[@]} pictures =="
TIMEFORMAT='%R %U %S'
for method in closest refined refined-dither perceptual; do
    timing=$({ time (for picture in "${pictures[@]}"; do
        for ((run = 0; run < runs; run++)); do
            "$converter" --method "$method" "$picture" "$out_dir/out.MQ4"
        done
    done); } 2>&1)
    awk -v t="$timing" -v n=$((runs * ${#pictures[@]})) -v m="$method" 'BEGIN {
        split(t, f, " ")
        printf "%-16s %6.2f ms wall, %6.2f ms CPU\n", m, f[1] * 1000 / n, (f[2] + f[3]) * 1000 / n
    }'
done

if [ -n "$probe" ]; then
    echo
    echo "== perceptual against refined-dither: perceived difference at sigma 1, 0.7, 1.5, PSNR, CIEDE2000 =="
    "$probe" "${pictures[@]}"
fi
