#!/bin/sh
# Runs each fuzz target for a while and fails on the first finding.
# Usage: run-fuzz.sh BUILD_DIR SECONDS [TARGET]...
# The corpus each target grows is kept in BUILD_DIR/corpus; a finding is
# saved in BUILD_DIR/findings and belongs, once fixed, in
# tests/fuzz_regressions/TARGET.
set -eu
cd "$(dirname "$0")/.."
build=$1
seconds=$2
shift 2
targets=${*:-image_loader mq4_reader conversion photo_input webp_input heif_input gif_input tiff_input color_profile}

rm -rf "$build/seeds"
# x265, which writes the HEIC seeds, keeps a block to the end.
ASAN_OPTIONS=detect_leaks=0 "$build/write_fuzz_seeds" "$build/seeds"
mkdir -p "$build/findings"

# Leaks inside the libraries themselves are not the program's.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"

status=0
for target in $targets; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus" "tests/fuzz_regressions/$target"
    log="$build/findings/$target.log"
    # Whole 128x96 images for the conversion; small files elsewhere, where
    # longer inputs would mostly be legitimate huge images, slow to decode.
    case $target in
    conversion) max_len=40000 ;;
    *) max_len=8192 ;;
    esac
    echo "fuzz_$target: $seconds s"
    # The loader's messages would bury libFuzzer's own lines; sanitizer
    # reports still come through.
    if "$build/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 \
        -max_len=$max_len -close_fd_mask=3 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" \
        "$corpus" "$build/seeds/$target" "tests/fuzz_regressions/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz_$target: $runs runs, no findings"
    else
        echo "fuzz_$target: FINDING (see $log)"
        tail -n 40 "$log"
        status=1
    fi
done
exit $status
