# bash completion for zorv, the command line of Zorv Mod Editor.
#
# The commands and options are read from the program's own help (`zorv
# [COMMAND...] --help`) each time, so the completion knows exactly the
# commands and options of the zorv it completes for.

# The words of one section ("Subcommands:" or "Options:") of a help text:
# command names, or option names (both spellings of "-o,--out").
_zorv_help_section() {
  local help="$1" section="$2"
  printf '%s\n' "$help" | awk -v section="$section" '
    /^[^ ]/ { inside = ($0 == section) ; next }
    inside && /^  [^ ]/ {
      word = $1
      if (section == "Options:") { n = split(word, names, ","); for (i = 1; i <= n; i++) print names[i] }
      else print word
    }'
}

# Whether the option takes a value: its help line names a type after it.
_zorv_option_takes_value() {
  local help="$1" option="$2"
  printf '%s\n' "$help" | awk -v option="$option" '
    /^  -/ {
      n = split($1, names, ",")
      for (i = 1; i <= n; i++) if (names[i] == option) { found = ($2 ~ /^[A-Z]/ && $2 != "REQUIRED") ? 1 : 0; exit }
    }
    END { exit !found }'
}

_zorv() {
  local cur="${COMP_WORDS[COMP_CWORD]}" prev="" program="${COMP_WORDS[0]}"
  [ "$COMP_CWORD" -gt 0 ] && prev="${COMP_WORDS[COMP_CWORD-1]}"
  COMPREPLY=()

  # Follow the command words typed so far: zorv project add ... After
  # `zorv help` the words name commands in the same way.
  local -a path=()
  local help word i asking_help=""
  help="$("$program" --help 2>/dev/null)" || return 0
  for ((i = 1; i < COMP_CWORD; i++)); do
    word="${COMP_WORDS[i]}"
    [[ "$word" == -* ]] && break
    if [ "$i" = 1 ] && [ "$word" = help ]; then
      asking_help=1
    elif _zorv_help_section "$help" "Subcommands:" | grep -qxF -- "$word"; then
      path+=("$word")
      help="$("$program" "${path[@]}" --help 2>/dev/null)" || return 0
    else
      break
    fi
  done

  if [[ "$cur" == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$(_zorv_help_section "$help" "Options:")" -- "$cur")
    return 0
  fi
  if [[ "$prev" == -* ]] && _zorv_option_takes_value "$help" "$prev"; then
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    return 0
  fi
  local commands
  commands="$(_zorv_help_section "$help" "Subcommands:")"
  if [ -n "$commands" ] || [ -n "$asking_help" ]; then
    mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
  else
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
  return 0
}

complete -F _zorv zorv
