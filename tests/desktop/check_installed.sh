#!/usr/bin/env bash
# Installs the build with `cmake --install` into a fresh temporary prefix and
# checks one part of what a Linux desktop gets from it:
#   check_installed.sh BUILD_DIR desktop-entry|metainfo|mime|icons [MIME_PROBE]
# Exits 77 (a skipped test to ctest) when a checking tool is not installed;
# ./run installs them all.
set -euo pipefail
build="$1" check="$2" probe="${3:-}"

need() {
  command -v "$1" >/dev/null || { echo "skipped: $1 is not installed (Debian package $2)"; exit 77; }
}
fail() { echo "FAILED: $*" >&2; exit 1; }

case "$check" in
  desktop-entry) need desktop-file-validate desktop-file-utils ;;
  metainfo) need appstreamcli appstream ;;
  mime) need update-mime-database shared-mime-info; need xmllint libxml2-utils ;;
  icons) need xmllint libxml2-utils ;;
  *) fail "unknown check \"$check\"" ;;
esac

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
env -u DESTDIR cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install"; }
share="$prefix/share"
entry="$share/applications/zorv-mod-editor.desktop"
mime_xml="$share/mime/packages/zorv-mod-editor.xml"
for program in zorv-mod-editor zorv; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done

# The MIME types the entry and the metainfo name must be defined by the
# installed MIME package.
defined_types() { grep -o '<mime-type type="[^"]*"' "$mime_xml" | cut -d'"' -f2 | sort; }

# Width and height of a PNG, from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }

case "$check" in
  desktop-entry)
    [ -f "$entry" ] || fail "no desktop entry at share/applications"
    said="$(desktop-file-validate "$entry" 2>&1)" || fail "desktop-file-validate: $said"
    [ -z "$said" ] || fail "desktop-file-validate has remarks: $said"
    grep -qx 'Exec=zorv-mod-editor %f' "$entry" || fail "Exec does not start zorv-mod-editor with one file"
    grep -qx 'Icon=zorv-mod-editor' "$entry" || fail "Icon is not zorv-mod-editor"
    declared="$(grep '^MimeType=' "$entry" | cut -d= -f2 | tr ';' '\n' | sed '/^$/d' | sort)"
    [ "$declared" = "$(defined_types)" ] ||
      fail "MimeType lists \"$declared\", the MIME package defines \"$(defined_types)\""
    ;;
  metainfo)
    shopt -s nullglob
    files=("$share"/metainfo/*.metainfo.xml)
    [ ${#files[@]} -eq 1 ] || fail "expected one metainfo file, found ${#files[@]}"
    metainfo="${files[0]}"
    id="$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")"
    [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "$(basename "$metainfo") is not named after its id $id"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
    launchable="$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")"
    [ -f "$share/applications/$launchable" ] || fail "launchable $launchable is not installed"
    provided="$(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' "$metainfo" | sort)"
    [ "$provided" = "$(defined_types)" ] || fail "provides \"$provided\", the MIME package defines \"$(defined_types)\""
    for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo"); do
      [ -x "$prefix/bin/$binary" ] || fail "provided binary $binary is not installed"
    done
    ;;
  mime)
    [ -f "$mime_xml" ] || fail "no MIME package at share/mime/packages"
    xmllint --noout "$mime_xml" || fail "xmllint"
    # Installing into a prefix of its own rebuilds that prefix's database.
    [ -f "$share/mime/mime.cache" ] || fail "cmake --install did not rebuild the MIME database"
    XDG_DATA_HOME="$share" update-mime-database "$share/mime" 2>"$work/update.log" || fail "update-mime-database: $(cat "$work/update.log")"
    [ ! -s "$work/update.log" ] || fail "update-mime-database complains: $(cat "$work/update.log")"
    for type in $(defined_types); do
      [ -f "$share/mime/${type}.xml" ] || fail "$type is not in the rebuilt database"
    done
    [ -x "$probe" ] || fail "no MIME probe program given"

    # Files known by name, and the same contents without a name to go by:
    # the first bytes alone say what they are.
    files="$work/files"
    mkdir "$files"
    printf 'Mod Project - v0.50\r\nCastle\r\n0\r\n' >"$files/castle.mpr"
    printf 'SLX 0.5\r\n1\r\n3,4\r\nknight_001d.bmp\r\nknight_001.bmp\r\n' >"$files/knight.slx"
    printf '2.0N\001\000\000\000Mod Editor by Brakmol \000\000' >"$files/knight.slp"
    cp "$files/castle.mpr" "$files/project"
    cp "$files/knight.slx" "$files/graphic"
    cp "$files/knight.slp" "$files/sprite"
    printf 'SLX 0.5 is a format\r\n' >"$files/notes"
    printf 'Mod Project - v0.50\r\nCastle\r\n0\r\n' >"$files/CASTLE.MPR"
    expected="$work/expected" got="$work/got"
    : >"$expected"
    probe_args=()
    add() { probe_args+=("$1"); echo "$1 $2" >>"$expected"; }
    add "$files/castle.mpr" application/x-zorv-mod-project
    add "$files/project" application/x-zorv-mod-project
    add "$files/CASTLE.MPR" application/x-zorv-mod-project
    add "$files/knight.slx" application/x-zorv-slx
    add "$files/graphic" application/x-zorv-slx
    add "$files/knight.slp" application/x-zorv-slp
    add "$files/notes" text/plain
    if [ -n "${ZORV_SAMPLES:-}" ] && [ -f "$ZORV_SAMPLES/unit.slp" ]; then
      add "$ZORV_SAMPLES/unit.slp" application/x-zorv-slp
      ln -s "$ZORV_SAMPLES/screen.slp" "$files/screen-sprite"
      add "$files/screen-sprite" application/x-zorv-slp
    fi
    add "$files/sprite" application/x-zorv-slp
    XDG_DATA_HOME="$share" XDG_DATA_DIRS=/usr/share "$probe" "${probe_args[@]}" |
      paste -d' ' <(printf '%s\n' "${probe_args[@]}") - >"$got"
    diff -u "$expected" "$got" || fail "MIME types detected differ from those expected"
    description="$(XDG_DATA_HOME="$share" XDG_DATA_DIRS=/usr/share "$probe" --describe application/x-zorv-slx)"
    [ "$description" = "$(printf 'SLX sprite graphic\ntext/plain')" ] ||
      fail "application/x-zorv-slx is described as: $description"
    ;;
  icons)
    for size in 16 22 24 32 48 64 128 256; do
      icon="$share/icons/hicolor/${size}x${size}/apps/zorv-mod-editor.png"
      [ -f "$icon" ] || fail "no ${size}x${size} icon"
      [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] || fail "$icon is not a PNG"
      [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "$icon is $(png_size "$icon"), not ${size}x${size}"
    done
    svg="$share/icons/hicolor/scalable/apps/zorv-mod-editor.svg"
    [ -f "$svg" ] || fail "no scalable icon"
    xmllint --noout "$svg" || fail "xmllint $svg"
    [ "$(xmllint --xpath 'local-name(/*)' "$svg")" = "svg" ] || fail "$svg is not an SVG"
    ;;
esac
echo "ok: $check"
