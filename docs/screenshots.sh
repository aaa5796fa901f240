#!/usr/bin/env bash
# Takes the pictures in docs/screenshots/ (README.md shows some of them) on
# a virtual screen of its own, so anyone can take them again after the
# windows change:
#   docs/screenshots.sh [BUILD_DIR]        (default: build)
# It makes a project with a 120-frame SLX graphic of 1280 x 1024 pixels,
# built with zorv from the sample screen.slp, starts the editor on it,
# selects the graphic, clicks "Convert to SLP", types the file name into the
# file dialog and shoots the screen every 0.3 s while the conversion runs;
# then shoots the main window after it, and the SLX editor showing
# screen.slp's graphic.
# Needs a build, the sample sprites (ZORV_SAMPLES, or ../shared/samples as
# ./run uses), Xvfb, xdotool and ImageMagick's import (Debian packages xvfb,
# xdotool, imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
build="$(cd "${1:-build}" && pwd)"
out="$root/docs/screenshots"
zorv="$build/zorv"
editor="$build/app/gui/zorv-mod-editor"
samples="${ZORV_SAMPLES:-$root/../shared/samples}"

fail() {
  echo "screenshots.sh: $*" >&2
  [ -s "${work:-}/editor.log" ] && sed 's/^/  editor: /' "$work/editor.log" >&2
  exit 1
}
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || fail "$tool is missing (apt-get install xvfb xdotool imagemagick)"
done
[ -x "$zorv" ] && [ -x "$editor" ] || fail "build zorv and zorv-mod-editor in $build first"
[ -f "$samples/screen.slp" ] || fail "no screen.slp in $samples; set ZORV_SAMPLES"

work="$(mktemp -d)"
xvfb_pid="" editor_pid=""
stop_editor() {
  if [ -n "$editor_pid" ]; then
    kill "$editor_pid" 2>/dev/null || true
    wait "$editor_pid" 2>/dev/null || true
    editor_pid=""
  fi
}
finish() {
  stop_editor
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT

# A screen of its own, on the first free display number; kept as it is when
# the last program leaves it (an X server resets then, and refuses new
# programs meanwhile).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# The id of the visible window whose title matches, once it is there.
window() {
  local id=""
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  local shown
  shown="$(xdotool search --onlyvisible --name . 2>/dev/null | while read -r id; do
    printf ' "%s"' "$(xdotool getwindowname "$id")"; done || true)"
  fail "no window \"$1\" appeared; the screen shows:${shown:- nothing}"
}

# Shoots the smallest part of the screen that holds every visible window of
# the editor. Without a window manager the windows have no frames and stand
# where they ask to.
shoot_editor() {
  local left=100000 top=100000 right=0 bottom=0 id x y w h
  for id in $(xdotool search --onlyvisible --pid "$editor_pid" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    x=$X y=$Y w=$WIDTH h=$HEIGHT
    [ "$x" -lt "$left" ] && left=$x
    [ "$y" -lt "$top" ] && top=$y
    [ $((x + w)) -gt "$right" ] && right=$((x + w))
    [ $((y + h)) -gt "$bottom" ] && bottom=$((y + h))
  done
  [ "$right" -gt 0 ] || return 1
  import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$1"
}

start_editor() {
  (cd "$work" && exec "$editor" "$@" >>"$work/editor.log" 2>&1) &
  editor_pid=$!
}

# The project: the sample screen as an SLX graphic of 120 frames (every
# frame the same two bitmaps), the sample unit as SLX and SLP.
mkdir "$work/screen" "$work/unit"
"$zorv" slp2slx "$samples/screen.slp" "$work/screen/screen.slx" --palette "$samples/screen.pal" >/dev/null
hot_spot="$(sed -n 3p "$work/screen/screen.slx" | tr -d '\r')"
{
  printf 'SLX 0.5\r\n120\r\n'
  for _ in $(seq 120); do printf '%s\r\nscreen_001d.bmp\r\nscreen_001.bmp\r\n' "$hot_spot"; done
} >"$work/screen/menu.slx"
cp "$samples/unit.slp" "$work/unit.slp"
"$zorv" slp2slx "$work/unit.slp" "$work/unit/unit.slx" >/dev/null
"$zorv" project new "$work/castle.mpr" >/dev/null
"$zorv" project title "$work/castle.mpr" "Castle walls" >/dev/null
"$zorv" project add "$work/castle.mpr" "$work/screen/menu.slx" "$work/unit/unit.slx" \
  "$work/unit.slp" >/dev/null

mkdir -p "$out"
rm -f "$out"/*.png

# The main window with the project, the 120-frame graphic selected. Places
# in the window are those of its design: the list's first line, then the
# "Convert to SLP" button, below the menu bar.
start_editor "$work/castle.mpr"
main="$(window '^Zorv Mod Editor - version')"
sleep 0.5
xdotool mousemove --window "$main" 30 36 click 1
sleep 0.5
import -window "$main" "$out/main-window.png"

# "Convert to SLP": the file name typed into the dialog, then a picture
# every 0.3 s for as long as the progress window stands.
xdotool mousemove --window "$main" 264 111 click 1
window '^Select new filename$' >/dev/null
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 30 "menu_converted.slp"
xdotool key Return
window '^Progress$' >/dev/null
progress_shown() { xdotool search --onlyvisible --name '^Progress$' >/dev/null 2>&1; }
shot=0
while [ "$shot" -lt 8 ] && progress_shown; do
  shoot_editor "$work/shot.png" || break
  # A picture taken as the conversion ended shows its end, not its middle.
  progress_shown || break
  shot=$((shot + 1))
  mv "$work/shot.png" "$out/converting-$shot.png"
  sleep 0.3
done
for _ in $(seq 600); do progress_shown || break; sleep 0.1; done
[ -f "$work/menu_converted.slp" ] || fail "the conversion wrote no SLP file; see $work/editor.log"
sleep 0.3
import -window "$main" "$out/converted.png"
stop_editor

# The SLX editor with the sample screen, opened from the command line.
start_editor "$work/screen/screen.slx"
slx_editor="$(window '^SLX Editor( - frame .*)?$')"
sleep 0.5
import -window "$slx_editor" "$out/slx-editor.png"
stop_editor

# The archive browser on a game archive built from the samples (the unit
# as slp 1, the screen as slp 2, the unit's palette as bina 50500), the
# unit selected and stepped to its third frame. Places are those of the
# designs: the Tools menu, its second item, the list's second line, ">".
mkdir "$work/drs"
cp "$samples/unit.slp" "$work/drs/1.slp"
cp "$samples/screen.slp" "$work/drs/2.slp"
cp "$samples/unit.pal" "$work/drs/50500.bina"
"$zorv" drs build "$work/drs" -o "$work/graphics.drs" -q
start_editor "$work/castle.mpr"
main="$(window '^Zorv Mod Editor - version')"
sleep 0.5
xdotool mousemove --window "$main" 115 8 click 1
sleep 0.4
xdotool mousemove --window "$main" 190 51 click 1
window '^Select a game archive$' >/dev/null
sleep 0.3
xdotool type --delay 30 "$work/graphics.drs"
xdotool key Return
browser="$(window '^Browse game archive$')"
sleep 0.5
xdotool mousemove --window "$browser" 30 61 click 1
sleep 0.3
for _ in 1 2; do xdotool mousemove --window "$browser" 280 324 click 1; sleep 0.2; done
import -window "$browser" "$out/archive-browser.png"
stop_editor

echo "Wrote $(ls "$out" | wc -l) pictures to docs/screenshots: $(cd "$out" && echo *.png)"
