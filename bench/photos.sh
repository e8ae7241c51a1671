#!/bin/bash
# Makes the batch benchmark's pictures: over a hundred photographs from six
# Debian packages, fetched with apt-get download and unpacked with dpkg-deb, never
# installed, each scaled to fill 128x96 and cropped to it with ImageMagick
# as bench/quality.sh does. The packages are kept, so a second run fetches
# nothing.
#
# Usage: bench/photos.sh WORK_DIR    (the pictures land in WORK_DIR/pictures)
set -euo pipefail

work=${1:?usage: photos.sh WORK_DIR}

source "$(dirname "$0")/debian-photos.sh"
backgrounds=usr/share/backgrounds
mate=usr/share/backgrounds/mate/nature
opencv=usr/share/doc/opencv-doc/examples/data

# Photographs only: the packages' drawings, renders, charts, logos and text
# pages are left out.
photos="
$skimage/astronaut.png $skimage/brick.png $skimage/camera.png $skimage/cell.png
$skimage/chelsea.png $skimage/clock_motion.png $skimage/coffee.png $skimage/coins.png
$skimage/grass.png $skimage/gravel.png $skimage/hubble_deep_field.jpg $skimage/ihc.png
$skimage/microaneurysms.png $skimage/moon.png $skimage/motorcycle_left.png
$skimage/motorcycle_right.png $skimage/retina.jpg $skimage/rocket.jpg $skimage/text.png
$matplotlib/grace_hopper.jpg
$backgrounds/Bridge_by_Sander_Klootwijk.jpg $backgrounds/Dragonfly_by_Bolly.jpg
$backgrounds/Kleiber_by_Lukas_Baubkus.jpg $backgrounds/Picture_0B_by_freespace.jpg
$backgrounds/Picture_1A_by_freespace.jpg $backgrounds/Wine_by_Jakkub_Mede.jpg
$backgrounds/aitzgorri_by_Aitzol_Berasategi.jpg $backgrounds/analogpattern_by_Peter_Nerlich.jpg
$backgrounds/free_by_Peter_Nerlich.jpg $backgrounds/friends_by_Aitzol_Berasategi.jpg
$backgrounds/greentock_by_Peter_Nerlich.jpg $backgrounds/life_by_Aitzol_Berasategi.jpg
$backgrounds/seeding_by_Clements_Engelhardt.jpg $backgrounds/sunset_by_Aitzol_Berasategi.jpg
$mate/Aqua.jpg $mate/Blinds.jpg $mate/Dune.jpg $mate/FreshFlower.jpg $mate/Garden.jpg
$mate/GreenMeadow.jpg $mate/LadyBird.jpg $mate/RainDrops.jpg $mate/Storm.jpg $mate/TwoWings.jpg
$mate/Wood.jpg $mate/YellowFlower.jpg
$opencv/aero1.jpg $opencv/aero3.jpg $opencv/aloeL.jpg $opencv/aloeR.jpg $opencv/apple.jpg
$opencv/baboon.jpg $opencv/basketball1.png $opencv/basketball2.png $opencv/board.jpg
$opencv/box_in_scene.png $opencv/building.jpg $opencv/butterfly.jpg $opencv/chicky_512.png
$opencv/ela_modified.jpg $opencv/ela_original.jpg $opencv/fruits.jpg $opencv/graf1.png
$opencv/graf3.png $opencv/home.jpg $opencv/left.jpg $opencv/leuvenA.jpg $opencv/leuvenB.jpg
$opencv/licenseplate_motion.jpg $opencv/messi5.jpg $opencv/orange.jpg $opencv/right.jpg
$opencv/rubberwhale1.png $opencv/rubberwhale2.png $opencv/squirrel_cls.jpg $opencv/stuff.jpg
$opencv/sudoku.png $opencv/text_defocus.jpg $opencv/text_motion.jpg"
for n in 01 02 03 04 05 06 07 08 09 11 12 13 14; do
    photos="$photos $opencv/left$n.jpg $opencv/right$n.jpg"
done

require_tools photos.sh bench apt-get dpkg-deb convert
mkdir -p "$work/pictures"
unpack_packages "$work" python3-skimage python-matplotlib-data lomiri-wallpapers-16.04 \
    lomiri-wallpapers-20.04 mate-backgrounds opencv-doc

count=0
for photo in $photos; do
    picture="$work/pictures/$(basename "${photo%.*}").png"
    if [ ! -s "$picture" ]; then
        convert "$work/root/$photo[0]" -resize '128x96^' -gravity center -extent 128x96 \
            -colorspace sRGB -type TrueColor -define png:color-type=2 "PNG24:$picture" 2>/dev/null ||
            { echo "photos.sh: cannot make $picture" >&2; exit 1; }
    fi
    count=$((count + 1))
done
echo "$count photographs in $work/pictures" >&2
