#!/usr/bin/env bash
# Checks the Windows download: one top folder named after the zip, holding
# Kestrel.exe, kestrel-cli.exe, kestrel-info.exe, the page kestrel.html, README.txt, LICENSE.txt
# and the notices of
# the code compiled in (CLI11's text among them); every program in it a
# 64-bit Windows program that needs no DLL beyond those of Windows itself
# (the runtime is linked in). The README.txt is the one written for Windows
# users (CR LF line ends for Notepad, the zip's version, the three programs,
# every result text as the programs print it), not the developers' README.
# Usage: check-zip.sh ZIP
# Ends with the line "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
zip=$1
top=$(basename "$zip" .zip)
version=${top#kestrel-}
version=${version%-windows-x64}
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

# DLLs that every Windows system has (msvcrt.dll is the C runtime of
# Windows itself, which MinGW-w64 programs use).
system_dlls="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
             oleaut32.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if unzip -q "$zip" -d "$work"; then ok "$(basename "$zip") unpacks"; else ko "$(basename "$zip") unpacks"; fi
if [ "$(ls -A "$work")" == "$top" ]; then ok "one top folder, $top"; else ko "one top folder, $top: $(ls -A "$work")"; fi
for member in Kestrel.exe kestrel-cli.exe kestrel-info.exe kestrel.html README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  if [ -f "$work/$top/$member" ]; then ok "holds $member"; else ko "holds $member"; fi
done
if [ -z "$(find "$work/$top" -iname '*.md')" ]; then ok "no Markdown: the developers' README stays out"; else ko "no Markdown: $(cd "$work/$top" && find . -iname '*.md')"; fi

readme=$work/$top/README.txt
if [ -s "$readme" ] && ! grep -q $'[^\r]$\|^$' "$readme" && [ "$(tail -c 2 "$readme" | od -An -c | tr -d ' ')" == '\r\n' ]; then
  ok "README.txt: every line ends in CR LF"
else
  ko "README.txt: every line ends in CR LF"
fi
readme_text=$(tr -d '\r' <"$readme" 2>/dev/null)
if [ "$(head -n 1 <<<"$readme_text")" == "Kestrel $version for Windows" ]; then ok "README.txt: headed with the version, $version"; else ko "README.txt: headed with the version: $(head -n 1 <<<"$readme_text")"; fi
for program in Kestrel.exe kestrel-cli.exe kestrel-info.exe; do
  if grep -qF "$program" <<<"$readme_text"; then ok "README.txt tells of $program"; else ko "README.txt tells of $program"; fi
done
if ! grep -qE 'apt-get|apt install|scripts/|cmake|ctest|```' <<<"$readme_text"; then
  ok "README.txt holds no development notes"
else
  ko "README.txt holds no development notes: $(grep -nE 'apt-get|apt install|scripts/|cmake|ctest|```' <<<"$readme_text" | head -3)"
fi
if "$root/tests/package/check-result-texts.sh" "$root/batch/BatchTexts.h" "$readme" >"$work/result-texts.log"; then
  ok "README.txt quotes every result text exactly"
else
  ko "README.txt quotes every result text exactly"; grep '^FAIL' "$work/result-texts.log"
fi

notices=$work/$top/THIRD-PARTY-NOTICES.txt
if grep -q '^CLI11 ' "$notices" 2>/dev/null && grep -q '^Redistribution and use' "$notices" && ! grep -q '@KESTREL' "$notices"; then
  ok "the notices hold CLI11's licence, filled in"
else
  ko "the notices hold CLI11's licence, filled in"
fi
shopt -s nullglob
for program in "$work/$top"/*.exe; do
  name=$(basename "$program")
  if file "$program" | grep -q 'PE32+ executable .*x86-64'; then ok "$name: 64-bit Windows program"; else ko "$name: 64-bit Windows program: $(file -b "$program")"; fi
  foreign=""
  for dll in $(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]'); do
    [[ " $(echo $system_dlls) " == *" $dll "* ]] || foreign+=" $dll"
  done
  if [ -z "$foreign" ]; then ok "$name: needs only DLLs of Windows"; else ko "$name: needs$foreign"; fi
done
finish
