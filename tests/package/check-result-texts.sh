#!/usr/bin/env bash
# Checks that a document for users quotes every per-file result text exactly
# as the programs print it (the trailing blank of the empty-input text
# included), and names the overwrite question, the folder notice and the
# end of a run in the programs' words. The texts come from the batch's own
# header, so a document cannot drift from the programs unnoticed. CR LF
# documents are read like LF ones.
# Usage: check-result-texts.sh BATCH-TEXTS-HEADER DOCUMENT...
# Ends with the line "N passed, M failed".
set -uo pipefail
header=$1
shift
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

mapfile -t results < <(sed -n 's/^inline constexpr char kText[A-Za-z]*\[\] = "\(\(OK\|NG\): [^"]*\)";$/\1/p' "$header")
# The question and the notice are quoted without the parts a document
# cannot show (the name before the question, the line break and blank
# around the notice).
phrases=("has already exists. Overwrite all ?" "There is no access authority to this folder."
         "Finished the converting.")
if [ "${#results[@]}" -ge 9 ]; then ok "${#results[@]} result texts in $(basename "$header")"; else ko "result texts in $header: ${#results[@]}"; fi

for document in "$@"; do
  name=$(basename "$document")
  text=$(tr -d '\r' <"$document") || { ko "$name: readable"; continue; }
  missing=()
  for result in "${results[@]}"; do
    grep -qF "\"$result\"" <<<"$text" || missing+=("\"$result\"")
  done
  for phrase in "${phrases[@]}"; do
    grep -qF "$phrase" <<<"$text" || missing+=("$phrase")
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    ok "$name quotes every result text exactly"
  else
    ko "$name quotes every result text exactly; missing: ${missing[*]}"
  fi
done
finish
