#!/usr/bin/env bash
# Installs the Debian package into this system, as a user would, and takes
# it out again: dpkg -i, the installed kestrel-cli converts the bundled
# samples from another folder, the installed kestrel-info checks and
# describes the outputs, man finds both pages, bash finds both completions,
# the documents are the user's (the README and the user pages of docs/,
# every link among them holding; not the development notes), the page and
# its desktop entry are in place (desktop-file-validate clean), lintian has
# nothing to object, and after removal nothing the package brought is left.
# Needs root (CI runs as root). Whatever happens,
# the package is not left installed.
# Usage: deb-install.sh PACKAGE.deb SAMPLES-FOLDER
# Ends with the line "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
deb=$(realpath "$1")
samples=$(realpath "$2")
package=kestrel

source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
installed() { dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; }

[ "$(id -u)" -eq 0 ] || { echo "deb-install: needs root"; echo "0 passed, 1 failed"; exit 1; }
tmp=$(mktemp -d /tmp/kestrel-deb.XXXXXX)
cleanup() {
  if installed || dpkg-query -W "$package" >/dev/null 2>&1; then
    dpkg --purge "$package" >/dev/null 2>&1 || echo "deb-install: could not remove $package" >&2
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# A package left by an earlier, interrupted run goes first.
if dpkg-query -W "$package" >/dev/null 2>&1; then
  echo "removing $package left installed before this test"
  dpkg --purge "$package" >/dev/null
fi

version=$(dpkg-deb -f "$deb" Version)
echo "== dpkg -i $(basename "$deb")"
# Minimal images tell dpkg to leave out manual pages and documents; this
# package's own are needed here.
if dpkg --path-include='/usr/share/man/man1/kestrel-*' --path-include='/usr/share/doc/kestrel/*' \
    -i "$deb" >"$tmp/dpkg.log" 2>&1; then
  ok "dpkg -i installs the package"
else
  ko "dpkg -i installs the package"; cat "$tmp/dpkg.log"; finish
fi
expect_true "dpkg reports it installed" installed
expect "installed version" "$(dpkg-query -W -f='${Version}' "$package")" "$version"
mapfile -t files < <(dpkg -L "$package")
for tool in kestrel-cli kestrel-info; do
  expect_true "dpkg -L lists $tool" grep -qx "/usr/bin/$tool" <<<"$(printf '%s\n' "${files[@]}")"
done
missing=0
for f in "${files[@]}"; do [ -e "$f" ] || { echo "  listed but missing: $f"; missing=1; }; done
expect "every listed path exists" "$missing" "0"

echo "== the installed kestrel-cli"
expect "on the PATH" "$(command -v kestrel-cli)" "/usr/bin/kestrel-cli"
expect_true "--version names the package version and the engine" \
  grep -qE "^kestrel-cli $version \(engine [0-9]+\.[0-9]+\.[0-9]+\)$" <<<"$(kestrel-cli --version)"
mkdir -p "$tmp/in" "$tmp/elsewhere"
cp -r "$samples" "$tmp/in/samples"
rm -f "$tmp/in/samples/README.md"
expected_count=$(find "$tmp/in/samples" -type f | wc -l)
(cd "$tmp/elsewhere" && kestrel-cli --overwrite=all ../in/samples >"$tmp/rows.txt" 2>"$tmp/errors.txt")
expect "converts the samples (exit status)" "$?" "0"
expect "one OK row per sample" "$(grep -c $'\tOK: Convert success.\t' "$tmp/rows.txt")" "$expected_count"
expect "counts" "$(grep '^Total files' "$tmp/rows.txt")" "$(printf 'Total files :\t%d / %d' "$expected_count" "$expected_count")"
outputs_ok=1
while IFS= read -r input; do
  output=$tmp/in/OUTPUT/samples/${input#"$tmp/in/samples/"}
  [ "$(head -c 4 "$output" 2>/dev/null)" == "MMMD" ] || { echo "  no output for $input"; outputs_ok=0; }
done < <(find "$tmp/in/samples" -type f)
expect "every output in the mirrored OUTPUT tree" "$outputs_ok" "1"
expect "nothing written in the current folder" "$(ls -A "$tmp/elsewhere")" ""

echo "== the installed kestrel-info"
expect "on the PATH" "$(command -v kestrel-info)" "/usr/bin/kestrel-info"
expect_true "--version names the package version and the engine" \
  grep -qE "^kestrel-info $version \(engine [0-9]+\.[0-9]+\.[0-9]+\)$" <<<"$(kestrel-info --version)"
(cd "$tmp/elsewhere" && kestrel-info --check ../in/OUTPUT >"$tmp/check.txt" 2>"$tmp/check-errors.txt")
expect "--check passes every output (exit status)" "$?" "0"
expect "one OK line per output" "$(grep -c '^OK: ' "$tmp/check.txt")" "$expected_count"
first_output=$(find "$tmp/in/OUTPUT" -type f -name '*.mmf' | LC_ALL=C sort | head -n 1)
expect_true "the summary of an output names its generation" \
  grep -q '^  generation  Heron' <<<"$(kestrel-info "$first_output")"
expect "nothing written beside the inputs" "$(find "$tmp/in" -newer "$tmp/check.txt" | wc -l)" "0"

echo "== manual pages and completion"
for tool in kestrel-cli kestrel-info; do
  expect "man -w finds the page of $tool" "$(man -w "$tool" 2>&1)" "/usr/share/man/man1/$tool.1.gz"
  expect_true "the page of $tool renders without warnings" \
    bash -c 'out=$(MANWIDTH=80 man --warnings=w "$0" 2>&1 >/dev/null); [ -z "$out" ]' "$tool"
  if [ -f /usr/share/bash-completion/bash_completion ]; then
    expect "bash-completion loads the completion of $tool on demand" \
      "$(bash -c '. /usr/share/bash-completion/bash_completion; __load_completion "$0"; complete -p "$0"' "$tool")" \
      "complete -F _${tool//-/_} $tool"
  fi
done
echo "== documents"
docdir=/usr/share/doc/$package
for page in README.md docs/command-line.md docs/kestrel-info.md docs/many-machines.md docs/web-page.md; do
  expect_true "$docdir holds $page" test -s "$docdir/$page"
done
# The development notes stay in the sources; the README links them all the
# same, for readers of the sources.
dev_notes=(building-and-testing.md benchmarks.md)
for note in "${dev_notes[@]}"; do
  expect_true "$docdir leaves out docs/$note" test ! -e "$docdir/docs/$note"
done
absent=()
for note in "${dev_notes[@]}"; do absent+=(--absent "$note"); done
if "$root/tests/package/check-doc-links.sh" "${absent[@]}" "$docdir/README.md" "$docdir"/docs/*.md >"$tmp/links.log"; then
  ok "every link of the installed documents holds"
else
  ko "every link of the installed documents holds"; grep '^FAIL' "$tmp/links.log"
fi
named_ok=1
for tool in kestrel-cli kestrel-info; do
  while IFS= read -r named; do
    [ -e "$named" ] || { echo "  $tool(1) names $named, which is not installed"; named_ok=0; }
  done < <(zcat "/usr/share/man/man1/$tool.1.gz" | sed 's/\\-/-/g' | grep -o "$docdir/[^ \"]*" | sort -u)
done
expect "every document the manual pages name is installed" "$named_ok" "1"
echo "== the page and its desktop entry"
page=/usr/share/kestrel/kestrel.html
entry=/usr/share/applications/kestrel.desktop
for f in "$page" "$entry"; do
  expect_true "dpkg -L lists $f" grep -qx "$f" <<<"$(printf '%s\n' "${files[@]}")"
done
expect_true "the page is the single file, its worker inside" grep -q 'kestrelWorkerSource' "$page"
expect_true "the desktop entry opens the installed page" grep -qx "Exec=xdg-open $page" "$entry"
if command -v desktop-file-validate >/dev/null; then
  expect "desktop-file-validate has nothing to say" "$(desktop-file-validate "$entry" 2>&1)" ""
fi

if command -v lintian >/dev/null; then
  if lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1; then
    ok "lintian finds no error or warning"
  else
    ko "lintian finds no error or warning"; cat "$tmp/lintian.log"
  fi
fi

echo "== removal"
if dpkg --purge "$package" >"$tmp/dpkg.log" 2>&1; then ok "dpkg --purge removes it"; else ko "dpkg --purge removes it"; cat "$tmp/dpkg.log"; fi
expect_true "dpkg no longer knows it" bash -c "! dpkg-query -W $package >/dev/null 2>&1"
left=0
for f in "${files[@]}"; do
  if [ -d "$f" ] && [ ! -L "$f" ]; then
    # A folder may stay only when another package owns it too.
    [ -e "$f" ] && ! dpkg-query -S "$f" >/dev/null 2>&1 && { echo "  folder left: $f"; left=1; }
  elif [ -e "$f" ] || [ -L "$f" ]; then
    echo "  file left: $f"; left=1
  fi
done
expect "nothing of dpkg -L is left" "$left" "0"
expect "no kestrel-cli on the PATH" "$(command -v kestrel-cli)" ""
expect "no page or desktop entry left" "$(ls /usr/share/kestrel /usr/share/applications/kestrel.desktop 2>/dev/null)" ""
expect "no kestrel-info on the PATH" "$(command -v kestrel-info)" ""
finish
