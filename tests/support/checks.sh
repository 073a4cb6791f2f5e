# Counting checks for the shell test scripts: each check prints one
# PASS:/FAIL: line, and finish prints the closing "N passed, M failed" line
# that test-all.sh adds up. Sourced, not run.
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "PASS: $1"; }
ko() { failed=$((failed + 1)); echo "FAIL: $1"; }
# expect NAME ACTUAL EXPECTED
expect() {
  if [ "$2" == "$3" ]; then ok "$1"; else ko "$1"; printf '  got:      %s\n  expected: %s\n' "$2" "$3"; fi
}
# expect_true NAME COMMAND...
expect_true() {
  local name=$1; shift
  if "$@"; then ok "$name"; else ko "$name"; fi
}
# same NAME FILE1 FILE2: the two files hold the same bytes.
same() {
  if cmp -s "$2" "$3"; then ok "$1"; else ko "$1"; diff "$2" "$3" | head -20; fi
}
# Prints the totals and ends the script, failing when any check failed.
finish() { echo "$passed passed, $failed failed"; [ "$failed" -eq 0 ]; exit; }
