#!/usr/bin/env bash
# Renders the editor's icon at every size the desktop entry installs, from
# zorv-mod-editor.svg beside this script. The PNGs are kept in the
# repository, so building needs no SVG renderer; run this after changing the
# SVG (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || {
  echo "render.sh: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2
  exit 1
}
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" zorv-mod-editor.svg \
    --output "zorv-mod-editor-$size.png"
done
