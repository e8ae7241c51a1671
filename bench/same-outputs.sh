#!/bin/bash
# Checks that two builds of zembrix-convert write the same bytes and say the
# same things: every method, MQ4 and PNG, as a batch (the second build also
# on several threads) and one input at a time. For a change that must not
# alter any output, run it with the build from before the change first.
#
# Usage: bench/same-outputs.sh OLD_CONVERTER NEW_CONVERTER INPUT...
# Prints one line per comparison and ends with status 1 if any differs.
# OPTIONS in the environment are added to every run, e.g. OPTIONS='--fit crop'.
set -uo pipefail

old=$(realpath "${1:?usage: same-outputs.sh OLD_CONVERTER NEW_CONVERTER INPUT...}")
new=$(realpath "${2:?usage: same-outputs.sh OLD_CONVERTER NEW_CONVERTER INPUT...}")
shift 2
[ $# -gt 0 ] || { echo "same-outputs.sh: no INPUT" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
differences=0
read -r -a options <<<"${OPTIONS:-}"

# Runs a converter with its outputs, messages and status kept under $work/NAME.
run() {
    local name=$1
    shift
    mkdir -p "$work/$name/files"
    "$@" >"$work/$name/stdout" 2>"$work/$name/stderr"
    echo $? >"$work/$name/status"
}

same() {
    local what=$1 a=$2 b=$3
    if diff -r "$work/$a" "$work/$b" >/dev/null; then
        echo "same      $what"
    else
        echo "DIFFERENT $what"
        differences=$((differences + 1))
    fi
    rm -rf "${work:?}/$b"
}

for method in floyd-steinberg diffusion octree closest refined refined-dither; do
    for format in mq4 png; do
        run old "$old" "${options[@]}" --method "$method" --format "$format" --scale 2 -o "$work/old/files" "$@"
        for jobs in 1 4; do
            run "new-$jobs" "$new" "${options[@]}" --method "$method" --format "$format" --scale 2 -j "$jobs" \
                -o "$work/new-$jobs/files" "$@"
            # The folder names differ; what is in them may not.
            sed -i "s|$work/new-$jobs/files|$work/old/files|g" "$work/new-$jobs/stderr"
            same "batch, $method, $format, -j $jobs" old "new-$jobs"
        done
        rm -rf "${work:?}/old"
    done
done

# One palette fitted to all the inputs together: the octree then reduces
# them all as one tall image, far more pixels than one picture has.
for method in floyd-steinberg closest refined-dither; do
    run old "$old" --shared-palette --method "$method" -o "$work/old/files" "$@"
    for jobs in 1 4; do
        run "new-$jobs" "$new" --shared-palette --method "$method" -j "$jobs" \
            -o "$work/new-$jobs/files" "$@"
        sed -i "s|$work/new-$jobs/files|$work/old/files|g" "$work/new-$jobs/stderr"
        same "batch, shared palette, $method, -j $jobs" old "new-$jobs"
    done
    rm -rf "${work:?}/old"
done

# Every image resized to the picture first.
for fit in crop pad stretch; do
    run old "$old" --fit "$fit" -o "$work/old/files" "$@"
    run new "$new" --fit "$fit" -o "$work/new/files" "$@"
    sed -i "s|$work/new/files|$work/old/files|g" "$work/new/stderr"
    same "batch, --fit $fit" old new
    rm -rf "${work:?}/old"
done

index=0
for input in "$@"; do
    index=$((index + 1))
    run old "$old" "${options[@]}" "$input" "$work/old/files/picture.MQ4"
    run new "$new" "${options[@]}" "$input" "$work/new/files/picture.MQ4"
    sed -i "s|$work/new/files|$work/old/files|g" "$work/new/stderr"
    same "one input ($index): $input" old new
    rm -rf "${work:?}/old"
    # Every method's figures, from the same conversions.
    run old "$old" --compare "$input"
    run new "$new" --compare "$input"
    same "compare ($index): $input" old new
    rm -rf "${work:?}/old"
done

echo "$differences difference(s)"
[ "$differences" -eq 0 ]
