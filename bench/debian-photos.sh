# Sourced by the bench scripts that take photographs from Debian packages,
# fetched with apt-get download and unpacked with dpkg-deb, never installed.
# The packages are kept, so a second run fetches nothing.

skimage=usr/lib/python3/dist-packages/skimage/data
matplotlib=usr/share/matplotlib/mpl-data/sample_data

# The fifteen photographs of make bench-quality and make bench-fit, in the
# packages python3-skimage and python-matplotlib-data: ten in colour, then
# five greyscale.
quality_photos="$skimage/astronaut.png $skimage/chelsea.png $skimage/coffee.png
$skimage/hubble_deep_field.jpg $skimage/ihc.png $skimage/motorcycle_left.png
$skimage/motorcycle_right.png $skimage/retina.jpg $skimage/rocket.jpg
$matplotlib/grace_hopper.jpg
$skimage/camera.png $skimage/coins.png $skimage/moon.png $skimage/brick.png
$skimage/gravel.png"

# require_tools SCRIPT TARGET TOOL...: stops unless every tool is at hand,
# naming the make target that installs them.
require_tools() {
    local script=$1 target=$2 tool
    shift 2
    for tool in "$@"; do
        command -v "$tool" >/dev/null || {
            echo "$script: $tool is missing (make $target installs it)" >&2
            exit 1
        }
    done
}

# unpack_packages WORK PACKAGE...: each package fetched into WORK/debs and
# unpacked into WORK/root, once.
unpack_packages() {
    local work=$1 package
    shift
    mkdir -p "$work/debs" "$work/root"
    for package in "$@"; do
        if ! ls "$work/debs/${package}"_*.deb >/dev/null 2>&1; then
            if ! (cd "$work/debs" && apt-get download "$package" >/dev/null 2>&1); then
                # A machine that never read the package lists needs them first.
                if [ "$(id -u)" -eq 0 ]; then apt-get update -qq; else sudo apt-get update -qq; fi
                (cd "$work/debs" && apt-get download "$package" >/dev/null)
            fi
        fi
        if [ ! -e "$work/root/.$package" ]; then
            dpkg-deb -x "$work/debs/${package}"_*.deb "$work/root"
            touch "$work/root/.$package"
        fi
    done
}
