#!/bin/bash
# The converter's further formats and colour management, measured against
# the goals of the README's "From a photo" table:
#   1. colour profiles: the PSNR of --fit crop --method refined against the
#      original photograph resized to 128x96 in linear light (ImageMagick's
#      -colorspace RGB -resize, as bench/fit_quality.sh), for scikit-image's
#      astronaut converted into Adobe RGB, Wide Gamut RGB, ProPhoto and
#      Display P3 with its profile embedded (zembrix-icc-embed, lcms2), as a
#      PNG and as a JPEG, against the same figure for its sRGB file;
#   2. the JPEG photographs and wallpapers of the Debian packages that
#      bench/photos.sh uses (but scikit-image's deliberately truncated one),
#      converted with --fit crop: how many are read;
#   3. peak memory (maximum resident set) with --fit crop for a 24-megapixel
#      HEIC, a 10000x10000 WebP and a 50-megapixel progressive JPEG (4:2:0,
#      and 4:4:4);
#   4. CPU (user + system) per photo against ImageMagick's
#      -resize 128x96^ -extent 128x96 -colors 16, both on the same files: five
#      photographs enlarged to 12 megapixels, in each format.
# BASELINE names an older converter to measure beside (for the figures of
# "today"); the packages are fetched with apt-get download, never installed.
#
# Usage: bench/formats.sh [CONVERTER] [ICC_EMBED] [WORK_DIR]
set -euo pipefail

zembrix=$(realpath "${1:-build/zembrix-convert}")
embed=$(realpath "${2:-build/zembrix-icc-embed}")
work=${3:-build/bench-formats}
baseline=${BASELINE:-}

source "$(dirname "$0")/debian-photos.sh"
require_tools formats.sh bench-formats apt-get dpkg-deb convert compare cwebp heif-enc
mkdir -p "$work/files" "$work/out"
unpack_packages "$work" python3-skimage python-matplotlib-data lomiri-wallpapers-16.04 \
    lomiri-wallpapers-20.04 mate-backgrounds opencv-doc
astronaut="$work/root/$skimage/astronaut.png"
files="$work/files"

# psnr CONVERTER FILE: the PSNR in dB of the refined crop against the reference.
psnr() {
    "$1" --fit crop --method refined "$2" "$work/out/psnr.png" >/dev/null 2>&1 || { echo "-"; return; }
    # compare's status is 1 when the images differ, which they do.
    { compare -metric PSNR "$work/out/psnr.png" "$work/reference.png" null: 2>&1 || true; } |
        awk '{ print $1 }'
}

echo "== Colour profiles: PSNR dB of --fit crop --method refined against the photograph"
convert "$astronaut" -colorspace RGB -resize '128x96^' -gravity center -extent 128x96 \
    -colorspace sRGB -type TrueColor -define png:color-type=2 "PNG24:$work/reference.png" 2>/dev/null
convert "$astronaut" -quality 95 "$files/srgb.jpg" 2>/dev/null
printf '%-12s %9s %9s %9s %9s\n' file PNG "below" JPEG "below"
for converter in "$zembrix" $baseline; do
    [ "$converter" = "$zembrix" ] || echo "-- $converter"
    srgb_png=$(psnr "$converter" "$astronaut")
    srgb_jpg=$(psnr "$converter" "$files/srgb.jpg")
    printf '%-12s %9s %9s %9s %9s\n' sRGB "$srgb_png" "" "$srgb_jpg" ""
    for space in adobe widegamut prophoto p3; do
        "$embed" "$space" "$astronaut" "$files/$space.png" 2>/dev/null
        convert "$files/$space.png" -quality 95 "$files/$space.jpg" 2>/dev/null
        png=$(psnr "$converter" "$files/$space.png")
        jpg=$(psnr "$converter" "$files/$space.jpg")
        printf '%-12s %9s %9.2f %9s %9.2f\n' "$space" "$png" "$(echo "$srgb_png - $png" | bc -l)" \
            "$jpg" "$(echo "$srgb_jpg - $jpg" | bc -l)"
    done
done

echo "== JPEGs from Debian packages read with --fit crop"
for converter in "$zembrix" $baseline; do
    read_count=0
    total=0
    while IFS= read -r photo; do
        total=$((total + 1))
        if "$converter" --fit crop "$photo" "$work/out/jpeg.png" >/dev/null 2>&1; then
            read_count=$((read_count + 1))
        fi
    done < <(find "$work/root/usr/share/backgrounds" "$work/root/$skimage" "$work/root/$matplotlib" \
        "$work/root/usr/share/doc/opencv-doc/examples/data" -iname '*.jpg' ! -name truncated.jpg | sort)
    echo "$(basename "$converter"): $read_count of $total"
done

echo "== Peak memory with --fit crop (maximum resident set, MiB)"
# ImageMagick's default limits would send these sizes to its disk cache.
big="convert -limit memory 4GiB -limit map 8GiB -limit area 4GP"
[ -s "$files/big24.heic" ] || {
    $big "$astronaut" -resize '6000x4000!' "$files/big24.png"
    heif-enc -q 80 "$files/big24.png" -o "$files/big24.heic" >/dev/null
}
[ -s "$files/big100.webp" ] || cwebp -quiet -q 80 -resize 10000 10000 "$astronaut" -o "$files/big100.webp"
# At 4:2:0, as cameras and phones save, and at full colour resolution.
[ -s "$files/big50.jpg" ] || $big "$astronaut" -resize '8660x5774!' -interlace Plane -quality 90 \
    -sampling-factor 4:2:0 "$files/big50.jpg"
[ -s "$files/big50-444.jpg" ] || $big "$astronaut" -resize '8660x5774!' -interlace Plane \
    -quality 90 -sampling-factor 4:4:4 "$files/big50-444.jpg"
rm -f "$files/big24.png" "$files/big100.png"
for file in big24.heic big100.webp big50.jpg big50-444.jpg; do
    /usr/bin/time -f '%M' -o "$work/out/time.txt" "$zembrix" --fit crop "$files/$file" \
        "$work/out/big.png" >/dev/null 2>&1 || echo "$file: not converted"
    printf '%-12s %6d MiB\n' "$file" $(($(tail -n 1 "$work/out/time.txt") / 1024))
done

echo "== CPU per photo, seconds (12 megapixels): zembrix-convert --fit crop against ImageMagick"
photos12=""
for photo in $skimage/astronaut.png $skimage/chelsea.png $skimage/coffee.png $skimage/rocket.jpg \
    $matplotlib/grace_hopper.jpg; do
    name=$(basename "${photo%.*}")
    photos12="$photos12 $name"
    base="$files/$name"
    [ -s "$base.png" ] || $big "$work/root/$photo" -resize '4000x3000!' "$base.png"
    [ -s "$base.jpg" ] || convert "$base.png" -quality 90 "$base.jpg"
    [ -s "$base.webp" ] || cwebp -quiet -q 85 "$base.png" -o "$base.webp"
    [ -s "$base.heic" ] || heif-enc -q 70 "$base.png" -o "$base.heic" >/dev/null
    [ -s "$base.avif" ] || heif-enc -q 70 -p speed=8 "$base.png" -o "$base.avif" >/dev/null
    [ -s "$base.gif" ] || convert "$base.png" "$base.gif"
    [ -s "$base.tif" ] || convert "$base.png" -compress lzw "$base.tif"
done
# cpu COMMAND...: user + system seconds.
cpu() {
    /usr/bin/time -f '%U %S' -o "$work/out/time.txt" "$@" >/dev/null 2>&1 || echo "$*: failed" >&2
    tail -n 1 "$work/out/time.txt" | awk '{ print $1 + $2 }'
}
printf '%-6s %10s %12s %7s\n' format zembrix imagemagick ratio
for format in jpg webp heic avif gif tif png; do
    ours=0
    theirs=0
    for name in $photos12; do
        file="$files/$name.$format"
        ours=$(echo "$ours + $(cpu "$zembrix" --fit crop "$file" "$work/out/cpu.png")" | bc -l)
        theirs=$(echo "$theirs + $(cpu convert "$file" -resize '128x96^' -gravity center \
            -extent 128x96 -colors 16 "$work/out/cpu_im.png")" | bc -l)
    done
    count=$(echo $photos12 | wc -w)
    printf '%-6s %10.3f %12.3f %6.1fx\n' "$format" "$(echo "$ours / $count" | bc -l)" \
        "$(echo "$theirs / $count" | bc -l)" "$(echo "$theirs / $ours" | bc -l)"
done
