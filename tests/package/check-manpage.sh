#!/usr/bin/env bash
# Checks a generated manual page: groff renders it without a single warning,
# lexgrog (man-db's whatis parser) reads its NAME line, and the sections the
# include file adds to help2man's output are all there.
# Usage: check-manpage.sh PAGE SECTION...
set -uo pipefail
page=$1
shift
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

warnings=$(groff -ww -z -man "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warns: $warnings"
if ! whatis=$(lexgrog "$page" 2>&1); then
  fail "lexgrog cannot read the NAME section: $whatis"
fi
name=$(basename "$page" .1)
grep -q "\"$name - ." <<<"$whatis" || fail "NAME line is not '$name - ...': $whatis"
for section in "$@"; do
  grep -qx "\.SH \"\?$section\"\?" "$page" || fail "no section $section"
done
[ "$failures" -eq 0 ] && echo "$whatis"
[ "$failures" -eq 0 ]
