#!/usr/bin/env bash
# Builds the packages twice from the same sources and compares them byte
# for byte: once in this checkout, once in a copy of it in another folder,
# with other build folders and a stricter umask. Where they differ, shows
# which members differ. Also checks that no folder of either build appears
# in a packaged file.
# Usage: reproducible.sh BUILD-FOLDER
#   The first build goes to BUILD-FOLDER, its packages to BUILD-FOLDER/out
#   (kept, so later tests can install them).
# Ends with the line "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
first=$(realpath -m "$1")
work=$(mktemp -d /tmp/kestrel-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct) || { ko "time of the checked-out commit"; finish; }
fi
export SOURCE_DATE_EPOCH

# The copy: every file git knows or would add, as it is in the work tree.
mkdir -p "$work/src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard) |
  (cd "$root" && while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done) |
  (cd "$root" && xargs -0 cp -a --parents -t "$work/src")

build() {  # LABEL SOURCE BUILD-FOLDER [umask]
  local log=$3.log
  mkdir -p "$3"
  if (umask "${4:-022}" && KESTREL_PACKAGE_BUILD=$3 KESTREL_PACKAGE_OUT=$3/out "$2/scripts/package.sh") >"$log" 2>&1; then
    ok "$1 builds"
  else
    ko "$1 builds"; tail -40 "$log"; finish
  fi
}
rm -rf "$first"
echo "== first build: $first"
build "first build" "$root" "$first"
echo "== second build: $work/build (sources in $work/src, umask 077)"
build "second build" "$work/src" "$work/build" 077

# unpack PACKAGE FOLDER: the files of a package, for comparing members.
unpack() {
  mkdir -p "$2"
  case "$1" in
    *.deb) dpkg-deb -x "$1" "$2/data" && dpkg-deb -e "$1" "$2/control" ;;
    *.zip) unzip -q "$1" -d "$2" ;;
  esac
}
listing() {
  case "$1" in
    *.deb) dpkg-deb -c "$1"; dpkg-deb -I "$1" ;;
    *.zip) unzip -Z -v "$1" | grep -v '^Archive:\|^  There is no zipfile comment' ;;
  esac
}

shopt -s nullglob
packages=("$first"/out/kestrel*)
[ ${#packages[@]} -eq 2 ] && ok "two packages made (.deb and .zip)" || ko "two packages made: ${packages[*]}"
for a in "${packages[@]}"; do
  name=$(basename "$a")
  b=$work/build/out/$name
  if [ ! -f "$b" ]; then
    ko "$name: made by the second build too"
    continue
  fi
  if cmp -s "$a" "$b"; then
    ok "$name: identical ($(sha256sum <"$a" | cut -c1-16)...)"
  else
    ko "$name: identical"
    diff <(listing "$a") <(listing "$b") | head -40
    unpack "$a" "$work/diff-a/$name"
    unpack "$b" "$work/diff-b/$name"
    diff <(cd "$work/diff-a/$name" && find . -type f -exec sha256sum {} + | sort -k2) \
         <(cd "$work/diff-b/$name" && find . -type f -exec sha256sum {} + | sort -k2)
  fi
  # No path of either build in any packaged file (the manual page is
  # compressed, but help2man writes no paths into it).
  unpack "$a" "$work/files/$name"
  leaks=$(grep -r -l -a -F -e "$root" -e "$work" -e "$first" "$work/files/$name" || true)
  if [ -z "$leaks" ]; then ok "$name: no build folder in its files"; else ko "$name: build folders in: $leaks"; fi
done
finish
