#!/usr/bin/env bash
# Checks the links and pictures of Markdown pages: every relative target
# exists, and a link to a heading (page.md#heading) finds that heading, named
# as Markdown viewers name it (lower case, punctuation dropped, blanks as
# dashes). Web addresses are not followed.
# Usage: check-doc-links.sh [--absent FILE-NAME]... PAGE.md...
#   --absent: links to a file of that name may point nowhere (pages that an
#   installation leaves out on purpose).
# Ends with the line "N passed, M failed".
set -uo pipefail
absent=()
while [ $# -gt 0 ] && [ "$1" == "--absent" ]; do
  absent+=("$2")
  shift 2
done
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

# anchors PAGE: the anchor of each heading, one a line (indented lines are
# code, not headings).
anchors() {
  sed -n 's/^#\{1,6\}[[:space:]]\{1,\}//p' "$1" |
    tr '[:upper:]' '[:lower:]' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}

for page in "$@"; do
  dir=$(dirname "$page")
  broken=()
  count=0
  while IFS= read -r target; do
    case "$target" in http://* | https://* | mailto:*) continue ;; esac
    count=$((count + 1))
    file=${target%%#*}
    anchor=
    [[ "$target" == *"#"* ]] && anchor=${target#*#}
    path=$page
    [ -n "$file" ] && path=$dir/$file
    if [ ! -e "$path" ]; then
      left_out=0
      for name in "${absent[@]}"; do [ "$(basename "$file")" == "$name" ] && left_out=1; done
      [ "$left_out" -eq 1 ] || broken+=("$target")
      continue
    fi
    if [ -n "$anchor" ] && ! anchors "$path" | grep -qxF "$anchor"; then
      broken+=("$target (no such heading)")
    fi
  done < <(grep -oE '\]\([^) ]+\)' "$page" | sed 's/^](//; s/)$//')
  if [ "${#broken[@]}" -eq 0 ]; then
    ok "$(basename "$page"): $count links hold"
  else
    ko "$(basename "$page"): broken links: ${broken[*]}"
  fi
done
finish
