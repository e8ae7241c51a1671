#!/bin/sh
# Installs the Debian packages a task needs, only those that are missing.
# Usage: install-deps.sh [build|run|test|clang|bench|fuzz|package|lint]...
set -eu

packages_for() {
    case "$1" in
    build) echo "g++ cmake make pkg-config libx11-dev libpng-dev libjpeg62-turbo-dev libexif-dev libstb-dev libwebp-dev libheif-dev libgif-dev libtiff-dev liblcms2-dev" ;;
    run) echo "zenity xfonts-base" ;;
    test) echo "xvfb xauth xdotool x11-apps googletest libgtest-dev libxfixes-dev zenity xfonts-base desktop-file-utils man-db dpkg-dev shared-mime-info xdg-utils libfile-mimeinfo-perl webp libheif-examples" ;;
    clang) echo "clang" ;;
    bench) echo "libbenchmark-dev xvfb xauth xfonts-base pngquant imagemagick bc" ;;
    fuzz) echo "clang libclang-rt-14-dev" ;;
    package) echo "dpkg-dev fakeroot desktop-file-utils man-db" ;;
    lint) echo "lintian" ;;
    *) echo "install-deps.sh: unknown task '$1'" >&2; exit 2 ;;
    esac
}

wanted=""
for task in "${@:-build}"; do
    wanted="$wanted $(packages_for "$task")"
done

missing=""
for pkg in $wanted; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    case "$status" in
    *" installed") ;;
    *) case " $missing " in *" $pkg "*) ;; *) missing="$missing $pkg" ;; esac ;;
    esac
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
else
    as_root="sudo"
fi
echo "Installing:$missing"
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing
