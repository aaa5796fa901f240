#!/usr/bin/env bash
# Installs the build with `cmake --install` into a fresh temporary prefix and
# checks what it gives the command line: the zorv manual page and its bash
# completion.
#   check_installed_cli.sh BUILD_DIR man|completion
# Exits 77 (a skipped test to ctest) when the build made no manual page
# because help2man was missing; ./run installs it.
set -euo pipefail
build="$1" check="$2"

fail() { echo "FAILED: $*" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
env -u DESTDIR cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install"; }
zorv="$prefix/bin/zorv"
[ -x "$zorv" ] || fail "bin/zorv is not installed"

# Every command the program's help lists.
commands="$("$zorv" --help | awk '/^Subcommands:/ { inside = 1; next } /^[^ ]/ { inside = 0 } inside && /^  [^ ]/ { print $1 }')"
[ -n "$commands" ] || fail "zorv --help lists no commands"

case "$check" in
  man)
    page="$prefix/share/man/man1/zorv.1"
    if [ ! -f "$page" ]; then
      grep -q "HELP2MAN_PROGRAM:FILEPATH=.*NOTFOUND" "$build/CMakeCache.txt" &&
        { echo "skipped: the build made no manual page (help2man is not installed)"; exit 77; }
      fail "no manual page at share/man/man1/zorv.1"
    fi
    grep -q '^\.TH ZORV "1" .*"zorv '"$("$zorv" --version | cut -d' ' -f2)"'"' "$page" ||
      fail "the page's heading does not name zorv's version"
    grep -q '^\.SH "EXIT STATUS"' "$page" || fail "the page has no EXIT STATUS section"
    for command in $commands; do
      grep -q "^$command\$" "$page" || fail "the manual page does not describe $command"
    done
    if command -v man >/dev/null; then
      shown="$(MANWIDTH=80 man -l "$page" 2>"$work/man.err")" || fail "man -l: $(cat "$work/man.err")"
      grep -q "frames2slx" <<<"$shown" || fail "man shows no frames2slx"
    fi
    ;;
  completion)
    script="$prefix/share/bash-completion/completions/zorv"
    [ -f "$script" ] || fail "no completion at share/bash-completion/completions/zorv"
    touch "$work/walk1.bmp" "$work/walk2.bmp" "$work/stand.slp"
    # What the completion offers for the words, the last one being
    # completed; zorv itself is the installed one.
    complete_words() {
      bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
               _zorv; printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$script" "$zorv" "$@"
    }
    expect() {
      local want="$1"; shift
      local got; got="$(complete_words "$@")"
      [ "$got" = "$want" ] || fail "completing \"zorv $*\" gave \"$got\", not \"$want\""
    }
    expect "$(printf '%s\n' $commands | sort | tr '\n' ' ')" ""
    expect "slp2slx slx2slp " sl
    expect "--json " info --js
    expect "add " project a
    expect "frames2slx " help fr
    expect "title " help project t
    expect "$work/walk1.bmp $work/walk2.bmp " frames2slx "$work/w"
    expect "$work/walk1.bmp $work/walk2.bmp " frames2slx "$work/stand.slp" -o "$work/w"
    expect "$work/stand.slp " info "$work/s"
    bash -c 'source "$1"; complete -p zorv' _ "$script" | grep -q -- "-F _zorv zorv" ||
      fail "the script does not register its completion for zorv"
    ;;
  *) fail "unknown check \"$check\"" ;;
esac
echo "ok: $check"
