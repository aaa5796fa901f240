#!/usr/bin/env bash
# Wall time and peak memory (maximum resident set size) of zorv on huge but
# valid inputs:
#   - an SLX graphic of 10,000 small frames converted to SLP and back,
#     beside the same conversion of one such frame;
#   - one 4000 x 4000 frame converted both ways;
#   - a project of 5,000 resources built with "zorv project add" in batches,
#     then compiled and described with "zorv info".
# The conversions hold one frame at a time, so the 10,000-frame peak should
# stay close to the one-frame peak; the script says so at the end.
#
# Use, from the repository root after a build:
#   cmake --build build --target zorv make_limits_input
#   bench/limits.sh [BUILD_FOLDER]        # BUILD_FOLDER defaults to "build"
# Needs /usr/bin/time (Debian package "time"). Inputs go to a temporary
# folder that is removed afterwards (about 400 MB at the peak).
set -euo pipefail

build=${1:-build}
zorv=$PWD/$build/zorv
make_input=$PWD/$build/bench/make_limits_input
for program in "$zorv" "$make_input" /usr/bin/time; do
  if [[ ! -x $program ]]; then
    echo "limits.sh: $program is missing; build zorv and make_limits_input first" >&2
    exit 2
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure LABEL COMMAND...: runs the command, prints its wall time and peak
# RSS and keeps the peak in $peak_kb.
peak_kb=0
measure() {
  local label=$1
  shift
  if ! /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >"$work/output.txt" 2>&1; then
    echo "FAILED: $label" >&2
    tail -20 "$work/output.txt" >&2
    exit 1
  fi
  local seconds
  read -r seconds peak_kb <"$work/time.txt"
  printf '%-52s %9s s %9s KB\n' "$label" "$seconds" "$peak_kb"
}

printf '%-52s %11s %12s\n' "step" "wall time" "peak RSS"

# 1. Many small frames, beside a single one of the same size.
mkdir -p "$work/one" "$work/many"
measure "make 1 frame of 64 x 48" "$make_input" slx "$work/one" unit 1 64 48
measure "slx2slp, 1 frame of 64 x 48" "$zorv" slx2slp "$work/one/unit.slx" "$work/one/unit.slp"
one_to_slp=$peak_kb
measure "slp2slx, 1 frame of 64 x 48" "$zorv" slp2slx "$work/one/unit.slp" "$work/one/back.slx"
one_to_slx=$peak_kb
measure "make 10,000 frames of 64 x 48" "$make_input" slx "$work/many" unit 10000 64 48
measure "slx2slp, 10,000 frames of 64 x 48" "$zorv" slx2slp "$work/many/unit.slx" "$work/many/unit.slp"
many_to_slp=$peak_kb
rm -f "$work"/many/unit_*.bmp
measure "slp2slx, 10,000 frames of 64 x 48" "$zorv" slp2slx "$work/many/unit.slp" "$work/many/back.slx"
many_to_slx=$peak_kb
slp_kb=$(( $(stat -c %s "$work/many/unit.slp") / 1024 ))
rm -rf "$work/many"

# 2. One huge frame.
mkdir -p "$work/huge"
measure "make 1 frame of 4000 x 4000" "$make_input" slx "$work/huge" unit 1 4000 4000
measure "slx2slp, 1 frame of 4000 x 4000" "$zorv" slx2slp "$work/huge/unit.slx" "$work/huge/unit.slp"
measure "slp2slx, 1 frame of 4000 x 4000" "$zorv" slp2slx "$work/huge/unit.slp" "$work/huge/back.slx"
rm -rf "$work/huge"

# 3. A project of 5,000 resources: a readme, ten SLX graphics, ten BMP icons
# and the rest small data files and sounds.
res=$work/res
mkdir -p "$res"
printf 'A mod of five thousand resources.\r\n' >"$res/readme.txt"
files=("$res/readme.txt")
for i in $(seq 1 10); do
  cp "$work/one/unit.slx" "$res/$((9000 + i)).slx"
  cp "$work/one/unit_1.bmp" "$res/unit_1.bmp"
  cp "$work/one/unit_1d.bmp" "$res/unit_1d.bmp"
  cp "$work/one/unit_1.bmp" "$res/$((8000 + i)).bmp"
  files+=("$res/$((9000 + i)).slx" "$res/$((8000 + i)).bmp")
done
for i in $(seq 1 4979); do
  if ((i % 5 == 0)); then name=$i.wav; else name=$i.bin; fi
  printf 'resource %d data %0200d' "$i" 0 >"$res/$name"
  files+=("$res/$name")
done
measure "project new" "$zorv" project new "$work/mod.mpr" --title "Five thousand"
batches=0
add_seconds=0
add_peak=0
for ((start = 0; start < ${#files[@]}; start += 500)); do
  /usr/bin/time -f '%e %M' -o "$work/time.txt" \
    "$zorv" project add "$work/mod.mpr" "${files[@]:start:500}" >"$work/output.txt" 2>&1 ||
    { echo "FAILED: project add" >&2; tail -20 "$work/output.txt" >&2; exit 1; }
  read -r seconds kb <"$work/time.txt"
  add_seconds=$(awk -v a="$add_seconds" -v b="$seconds" 'BEGIN { printf "%.2f", a + b }')
  ((kb > add_peak)) && add_peak=$kb
  batches=$((batches + 1))
done
printf '%-52s %9s s %9s KB\n' "project add, ${#files[@]} files in $batches batches" \
  "$add_seconds" "$add_peak"
measure "project add, 1 more to a list of ${#files[@]}" "$zorv" project add "$work/mod.mpr" "$res/1.bin"
measure "compile, 5,001 resources" "$zorv" compile "$work/mod.mpr" "$work/mod.mpi"
measure "info on the project" "$zorv" info "$work/mod.mpr"
measure "info on the package" "$zorv" info "$work/mod.mpi"
echo "project file: $(( $(stat -c %s "$work/mod.mpr") / 1024 )) KB," \
  "package: $(( $(stat -c %s "$work/mod.mpi") / 1024 )) KB"

echo
echo "SLP of 10,000 frames: $slp_kb KB"
echo "peak RSS, 10,000 frames against 1: slx2slp $many_to_slp / $one_to_slp KB," \
  "slp2slx $many_to_slx / $one_to_slx KB"
