#!/bin/sh
# Runs the benchmark of a Release build folder on a photograph: ImageMagick's
# built-in rose, resized to 128x96, and on a batch of over a hundred
# photographs (bench/photos.sh). Starts its own virtual X server when no
# display is set. Extra arguments go to Google Benchmark.
# Usage: bench/run-bench.sh BUILD_FOLDER [benchmark flags]
set -eu

build=${1:?usage: run-bench.sh BUILD_FOLDER}
shift

picture="$build/bench-rose.png"
# The real ImageMagick program under its Debian name, else whatever `convert` is.
magick=convert
command -v convert-im6.q16 >/dev/null 2>&1 && magick=convert-im6.q16
"$magick" rose: -resize '128x96!' "PNG24:$picture"

"$(dirname "$0")/photos.sh" "$build/bench-photos"

set -- "$build/zembrix_bench" "$picture" "$build/zembrix-convert" "$build/bench-photos/pictures" "$@"
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp -noreset" "$@"
