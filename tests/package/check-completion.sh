#!/usr/bin/env bash
# Checks a tool's bash completion against the tool's own --help, so the two
# cannot drift apart: every option of --help is offered and nothing else,
# and each option's value is completed by its kind, read from the value
# placeholder of --help:
#   TEXT:{a,b,c}  exactly a, b and c
#   DIR           folders only
#   FILE...       files and folders
#   N             positive numbers
#   K/N           parts K/N of a split, 0 <= K < N
# Arguments after the options complete to folders and .mmf files.
# Usage: check-completion.sh TOOL COMPLETION-SCRIPT
set -uo pipefail
tool=$1
script=$2
name=$(basename "$tool")

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# shellcheck source=/dev/null
source "$script" || { echo "FAIL: cannot source $script"; exit 1; }
registration=$(complete -p "$name" 2>/dev/null) || { echo "FAIL: $script registers no completion for $name"; exit 1; }
function=$(sed -n 's/.*-F \([^ ]*\).*/\1/p' <<<"$registration")
[ -n "$function" ] || { echo "FAIL: no completion function in: $registration"; exit 1; }

# complete WORD... : the words of the command line, the last one being
# completed; prints the offers sorted, one a line.
complete_words() {
  COMP_WORDS=("$name" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  "$function" "$name" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort
}
lines() { printf '%s\n' "$@" | sed '/^$/d' | LC_ALL=C sort; }
expect() {  # NAME ACTUAL EXPECTED
  if [ "$2" != "$3" ]; then
    fail "$1"
    printf '  got:      %s\n  expected: %s\n' "$(tr '\n' ' ' <<<"$2")" "$(tr '\n' ' ' <<<"$3")"
  fi
}

help=$("$tool" --help) || { echo "FAIL: $tool --help"; exit 1; }
# Option lines: "  -o,--output DIR    text" (names, a value placeholder, then
# the description after a run of blanks).
declare -a all_options=()
declare -A value_of=()
while IFS= read -r line; do
  head=$(sed -E 's/^ +//; s/ {2,}.*$//' <<<"$line")
  names=${head%% *}
  value=""
  [[ $head == *" "* ]] && value=${head#* }
  value=${value%% *}
  IFS=, read -ra spellings <<<"$names"
  for option in "${spellings[@]}"; do
    all_options+=("$option")
    value_of[$option]=$value
  done
done < <(grep -E '^ +-' <<<"$help")
[ ${#all_options[@]} -gt 0 ] || { echo "FAIL: no options found in $tool --help"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub
: >song.mmf
: >SONG2.MMF
: >notes.txt

expect "every option of --help is offered, and only those" "$(complete_words -)" "$(lines "${all_options[@]}")"

for option in "${all_options[@]}"; do
  value=${value_of[$option]}
  case "$value" in
    "") continue ;;
    TEXT:\{*\})
      set_values=${value#TEXT:\{}
      set_values=${set_values%\}}
      expected=$(lines ${set_values//,/ })
      expect "$option: its values" "$(complete_words "$option" "")" "$expected"
      if [[ $option == --* ]]; then
        expect "$option=: its values" "$(complete_words "$option" "=" "")" "$expected"
        first=${set_values%%,*}
        expect "$option=${first:0:1}: the values beginning so" "$(complete_words "$option" "=" "${first:0:1}")" \
          "$(lines $(tr ',' '\n' <<<"$set_values" | grep "^${first:0:1}"))"
      fi
      ;;
    DIR) expect "$option: folders only" "$(complete_words "$option" "")" "sub" ;;
    FILE*) expect "$option: files and folders" "$(complete_words "$option" "")" \
      "$(lines SONG2.MMF notes.txt song.mmf sub)" ;;
    N)
      offers=$(complete_words "$option" "")
      if [ -z "$offers" ] || grep -qvE '^[1-9][0-9]*$' <<<"$offers"; then
        fail "$option: positive numbers (got: $(tr '\n' ' ' <<<"$offers"))"
      fi
      ;;
    K/N)
      offers=$(complete_words "$option" "")
      [ -n "$offers" ] || fail "$option: no K/N offered"
      while IFS=/ read -r k n; do
        if ! [[ $k =~ ^[0-9]+$ && $n =~ ^[1-9][0-9]*$ ]] || ((k >= n)); then
          fail "$option: offers K/N with 0 <= K < N (got: $k/$n)"
        fi
      done <<<"$offers"
      ;;
    *) fail "$option: unknown value kind '$value'; teach $(basename "$0") and the completion" ;;
  esac
done

paths=$(lines SONG2.MMF song.mmf sub)
expect "arguments: folders and .mmf files in any case" "$(complete_words "")" "$paths"
for option in "${all_options[@]}"; do
  if [ -z "${value_of[$option]}" ]; then
    expect "arguments after $option" "$(complete_words "$option" "")" "$paths"
  fi
done
expect "after --, a word with a dash is a path too" "$(complete_words -- -)" ""

if [ "$failures" -eq 0 ]; then
  echo "completion of $name matches its --help (${#all_options[@]} option spellings)"
fi
[ "$failures" -eq 0 ]
