#!/bin/bash
# Quality and speed of zembrix-convert's methods on real photographs.
#
# The photographs come from two Debian packages, fetched with apt-get download
# and unpacked with dpkg-deb, without installing them: python3-skimage
# (scikit-image's sample photographs) and python-matplotlib-data (matplotlib's
# sample photograph). Each is scaled to fill 128x96 and cropped to it with
# ImageMagick, and `zembrix-convert --compare` measures every method on it.
# Prints each picture's table, the mean figures per method and per dither
# kind with the refined palette, the goals of the dither kinds and kept
# colours (the best pattern against refined-dither; series stability; the
# PSNR cost of keeping black and white), and the mean time of one whole
# converter process per picture for the methods and every dither kind.
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
        count[$1]++; colours[$1] += $2; psnr[$1] += $3; de[$1] += $4; seen[$1] += $5
    }
    END {
        printf "%-19s %7s %9s %10s %10s\n", "method", "colours", "PSNR dB", "CIEDE2000", "perceived"
        for (i = 1; i <= methods; i++) {
            m = order[i]
            printf "%-19s %7.1f %9.2f %10.3f %10.4f\n", m, colours[m] / count[m], psnr[m] / count[m],
                de[m] / count[m], seen[m] / count[m]
        }
        printf "\nrefined minus closest: %+.2f dB\n", (psnr["refined"] - psnr["closest"]) / count["closest"]
        printf "CIEDE2000 of refined-dither %.3f, of floyd-steinberg %.3f\n",
            de["refined-dither"] / count["refined-dither"], de["floyd-steinberg"] / count["floyd-steinberg"]
        best = ""
        split("refined+bayer2 refined+bayer4 refined+bayer8 refined+blue-noise", ordered, " ")
        for (i in ordered) {
            m = ordered[i]
            if (best == "" || seen[m] < seen[best]) best = m
        }
        fs = seen["refined-dither"] / count["refined-dither"]
        printf "perceived of the best pattern, %s, %.4f against refined-dither %.4f: %+.1f%%\n",
            best, seen[best] / count[best], fs, 100 * (seen[best] / count[best] - fs) / fs
    }' "$tables"

# Series stability: each photograph again with one 16x16 corner changed,
# both on the palette of the first; pixels more than 16 from the change
# (outside the 32x32 corner) must stay the same with the patterns.
echo
echo "== Series stability: pixels outside the changed corner's 32x32 that differ =="
series="$work/series"
mkdir -p "$series"
for kind in bayer2 bayer4 bayer8 blue-noise floyd-steinberg; do
    differing=0
    for picture in "${pictures[@]}"; do
        name=$(basename "${picture%.*}")
        convert "$picture" -fill '#ff00ff' -draw 'rectangle 0,0 15,15' "PNG24:$series/$name-changed.png"
        "$converter" --method refined --write-palette "$series/$name.gpl" "$picture" "$series/free.MQ4"
        for variant in "$picture" "$series/$name-changed.png"; do
            "$converter" --method refined --dither "$kind" --palette "$series/$name.gpl" \
                --format png - - <"$variant" >"$series/$(basename "${variant%.*}")-$kind.png"
        done
        for side in "$name" "$name-changed"; do
            convert "$series/$side-$kind.png" -fill black -draw 'rectangle 0,0 31,31' \
                "PNG24:$series/$side-$kind-masked.png"
        done
        count=$(compare -metric AE "$series/$name-$kind-masked.png" \
            "$series/$name-changed-$kind-masked.png" null: 2>&1 || true)
        differing=$((differing + ${count%%.*}))
    done
    printf "%-16s %6d pixels over %d photographs\n" "$kind" "$differing" "${#pictures[@]}"
done

# Kept colours: black and white always in the palette, at what cost in PSNR.
echo
echo "== --keep-colour 000000 --keep-colour F8F8F8 against the free fit (refined) =="
kept_all=1
awk_sum=""
for picture in "${pictures[@]}"; do
    name=$(basename "${picture%.*}")
    "$converter" --method refined --format png "$picture" - >"$series/$name-free.png"
    "$converter" --method refined --keep-colour 000000 --keep-colour F8F8F8 \
        --write-palette "$series/$name-kept.hex" --format png "$picture" - >"$series/$name-kept.png"
    grep -qx 000000 "$series/$name-kept.hex" && grep -qx f8f8f8 "$series/$name-kept.hex" || kept_all=0
    free=$(compare -metric PSNR "$picture" "$series/$name-free.png" null: 2>&1 || true)
    kept=$(compare -metric PSNR "$picture" "$series/$name-kept.png" null: 2>&1 || true)
    awk_sum="$awk_sum $free $kept"
done
echo "$awk_sum" | awk -v all="$kept_all" '{
    for (i = 1; i <= NF; i += 2) { free += $i; kept += $(i + 1); n++ }
    printf "both kept in every palette: %s; mean PSNR free %.2f dB, kept %.2f dB (%+.2f dB)\n",
        all ? "yes" : "NO", free / n, kept / n, (kept - free) / n
}'

# Outputs go to memory where it can be had, so that the file system's flush
# of each written file does not hide the conversion's own time.
out_dir=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d -p "$work")
trap 'rm -rf "$out_dir"' EXIT
echo
echo "== One whole process per picture, mean of $runs runs over ${#pictures[@]} pictures =="
TIMEFORMAT='%R %U %S'
for option in "closest" "refined" "refined-dither" "refined --dither atkinson" \
    "refined --dither sierra-lite" "refined --dither jarvis" "refined --dither bayer2" \
    "refined --dither bayer4" "refined --dither bayer8" "refined --dither blue-noise" "perceptual"; do
    read -r -a method <<<"$option"
    timing=$({ time (for picture in "${pictures[@]}"; do
        for ((run = 0; run < runs; run++)); do
            "$converter" --method "${method[@]}" "$picture" "$out_dir/out.MQ4"
        done
    done); } 2>&1)
    awk -v t="$timing" -v n=$((runs * ${#pictures[@]})) -v m="${method[*]: -1}" 'BEGIN {
        split(t, f, " ")
        printf "%-16s %6.2f ms wall, %6.2f ms CPU\n", m, f[1] * 1000 / n, (f[2] + f[3]) * 1000 / n
    }'
done

if [ -n "$probe" ]; then
    echo
    echo "== perceptual against refined-dither: perceived difference at sigma 1, 0.7, 1.5, PSNR, CIEDE2000 =="
    "$probe" "${pictures[@]}"
fi
