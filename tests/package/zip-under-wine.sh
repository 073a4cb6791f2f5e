#!/usr/bin/env bash
# Unpacks the Windows download and runs its kestrel-cli.exe (and kestrel-info.exe) under Wine next
# to the Linux kestrel-cli, on the bundled samples and a generated tree: the
# rows (paths mapped from Z:\... to /..., names from the ANSI code page to
# UTF-8), counts, reports, exit statuses and output bytes must agree. Wine
# lists a folder in its own order, so the rows of one folder are compared as
# a set, the order of the folders as it stands. Lists on standard input
# (CR LF lines; NUL-separated, in two shards) give the rows and outputs of
# the same paths named on the command line. Then the rules of a run that
# must hold on Windows too: an output that is its own input refused, no
# partial output and the old report kept when writes fail, a closed standard
# output, answers and Ctrl-C at the overwrite question, a first Ctrl-C that
# stops after the current file and a second one that ends the program.
#
# Usage: zip-under-wine.sh ZIP NATIVE-BUILD
#   NATIVE-BUILD: a native build folder with cli/kestrel-cli and
#   bench/make_batch_tree (KESTREL_BUILD_BENCH=ON).
# Environment: KESTREL_WINE_KEEP=1 keeps the temporary folder.
# Ends with the line "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
zip=$(realpath "$1")
native=$(realpath "$2")
linux_cli=$native/cli/kestrel-cli
make_tree=$native/bench/make_batch_tree

source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

work=$(mktemp -d /tmp/kestrel-wine.XXXXXX)
cleanup() {
  wineserver -k >/dev/null 2>&1
  if [ "${KESTREL_WINE_KEEP:-0}" = 1 ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

for tool in wine wineserver iconv unzip "$linux_cli" "$make_tree"; do
  command -v "$tool" >/dev/null || { ko "$tool is at hand"; finish; }
done
unzip -q "$zip" -d "$work/zip" || { ko "$(basename "$zip") unpacks"; finish; }
cli_exe=$(echo "$work"/zip/*/kestrel-cli.exe)
[ -f "$cli_exe" ] || { ko "the zip holds kestrel-cli.exe"; finish; }

# Wine: a prefix of our own, its server kept running for all the runs.
# Arguments reach the program in the ANSI code page of the locale (1252).
export LC_ALL=C.UTF-8 WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH DISPLAY
t0=$(date +%s)
wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; ko "Wine prefix"; finish; }
wineserver -p
echo "Wine prefix ready in $(($(date +%s) - t0)) s"

win_path() { printf 'Z:%s' "${1//\//\\}"; }
# Windows rows or CSV on stdin in Linux spelling: UTF-8 names (from code
# page $1, default 1252), the path column (the third) without "Z:" and
# with '/'.
rows_to_linux() {
  iconv -f "CP${1:-1252}" -t UTF-8 | awk -F'\t' -v OFS='\t' 'NF == 4 { sub(/^Z:/, "", $3); gsub(/\\/, "/", $3) } { print }'
}
csv_to_linux() {
  iconv -f CP1252 -t UTF-8 | awk -F',' -v OFS=',' 'NR > 1 { sub(/^Z:/, "", $3); gsub(/\\/, "/", $3) } { print }'
}
# compare_rows NAME LINUX-ROWS WINDOWS-ROWS (already mapped): the same rows,
# the folders in the same order, the same counts.
# The detail of a failure the system reports is in the system's own words,
# which differ between the two; the other details are Kestrel's and compared.
file_rows() {
  awk -F'\t' -v OFS='\t' 'NF == 4 { if ($2 ~ /^NG: (File open|Output file open|File write) error\.$/) $4 = "(system)"; print }' "$1"
}
compare_rows() {
  local dir="$work/cmp"
  mkdir -p "$dir"
  file_rows "$2" | LC_ALL=C sort >"$dir/l.sorted"
  file_rows "$3" | LC_ALL=C sort >"$dir/w.sorted"
  same "$1: the same rows" "$dir/l.sorted" "$dir/w.sorted"
  file_rows "$2" | cut -f3 | sed 's|/[^/]*$||' | uniq >"$dir/l.folders"
  file_rows "$3" | cut -f3 | sed 's|/[^/]*$||' | uniq >"$dir/w.folders"
  same "$1: the folders in the same order" "$dir/l.folders" "$dir/w.folders"
  awk -F'\t' 'NF != 4' "$2" >"$dir/l.counts"
  awk -F'\t' 'NF != 4' "$3" >"$dir/w.counts"
  same "$1: the same counts" "$dir/l.counts" "$dir/w.counts"
}
no_temporary_files() { [ -z "$(find "$@" -name '.~kst*' 2>/dev/null)" ]; }
# every_output_whole NAME TREE REFERENCE: each file of TREE is the file of
# the same name below REFERENCE.
every_output_whole() {
  local f broken=""
  while IFS= read -r -d '' f; do
    cmp -s "$2/$f" "$3/$f" || broken+=" $f"
  done < <(cd "$2" && find . -type f -print0)
  if [ -z "$broken" ] && no_temporary_files "$2"; then ok "$1"; else ko "$1:$broken"; fi
}
# wait_until SECONDS COMMAND...: polls every 0.1 s.
wait_until() {
  local limit=$(($1 * 10)) i
  shift
  for ((i = 0; i < limit; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
blocked_on_pipe() { grep -q 'pipe_write' /proc/"$1"/task/*/wchan 2>/dev/null; }
has_ended() { ! kill -0 "$1" 2>/dev/null; }

# --- inputs ------------------------------------------------------------------
in=$work/in
mkdir -p "$in/odd/sub/deeper"
cp -r "$root/samples" "$in/samples"
"$make_tree" "$in/tree" 1000 >/dev/null || { ko "make_batch_tree"; finish; }
cp "$root/samples/format0_plain.mmf" "$in/odd/café.mmf"
cp "$root/samples/format0_tempo.mmf" "$in/odd/UPPER.MMF"
cp "$root/samples/format1_registers.mmf" "$in/odd/with space.mmf"
cp "$root/samples/album/format1_audio.mmf" "$in/odd/sub/deeper/audio.mmf"
echo "not a VELA file" >"$in/odd/notes.txt"
head -c 64 /dev/zero | tr '\0' 'x' >"$in/odd/broken.mmf"
: >"$in/odd/empty.mmf"
cd "$work" || finish

# --- the same run on both systems ------------------------------------------------
echo "== samples and a generated tree, outputs in OUTPUT"
# The first path sets the base folder (in); a path that starts with '/' is a
# path on Windows too; café.mmf comes twice (as a file and in its folder).
"$linux_cli" --overwrite=all --report linux.csv in/samples "$in/tree" in/odd in/odd/café.mmf \
  </dev/null >linux.rows 2>linux.err
linux_rc=$?
mv in/OUTPUT linux-OUTPUT
wine "$cli_exe" --overwrite=all --report "$(win_path "$work/win.csv")" 'in\samples' "$in/tree" 'in\odd' in/odd/café.mmf \
  </dev/null >win.raw 2>win.err
win_rc=$?
mv in/OUTPUT win-OUTPUT
rows_to_linux <win.raw >win.rows
expect "exit status as on Linux ($linux_rc)" "$win_rc" "$linux_rc"
compare_rows "first run" linux.rows win.rows
expect "every row ends in LF alone, as on Linux" "$(grep -c $'\r' win.raw)" "0"
expect "1000 generated files converted" "$(grep -c $'\tOK: Convert success.\t.*/tree/' win.rows)" "1000"
head -1 linux.csv >linux.csv.head
head -1 win.csv >win.csv.head
same "report: the same header" linux.csv.head win.csv.head
csv_to_linux <win.csv | tail -n +2 | LC_ALL=C sort >win.csv.sorted
tail -n +2 linux.csv | LC_ALL=C sort >linux.csv.sorted
same "report: the same rows, CRLF ends included" linux.csv.sorted win.csv.sorted

echo "== kestrel-info.exe: the outputs checked and a sample described as on Linux"
linux_info=$native/info/kestrel-info
info_exe=$(echo "$work"/zip/*/kestrel-info.exe)
if [ -f "$info_exe" ] && [ -x "$linux_info" ]; then
  "$linux_info" --check linux-OUTPUT >linux.check
  linux_rc=$?
  wine "$info_exe" --check win-OUTPUT >win.raw 2>win.err
  win_rc=$?
  expect "--check: exit status as on Linux ($linux_rc)" "$win_rc" "$linux_rc"
  LC_ALL=C sort linux.check >linux.check.sorted
  iconv -f CP1252 -t UTF-8 <win.raw | sed -e 's|\\|/|g' -e 's|win-OUTPUT|linux-OUTPUT|' | LC_ALL=C sort >win.check
  same "--check: the same line per output" linux.check.sorted win.check
  # The path is the first line of a text view and the "path" field of JSON.
  drop_path() { sed -e '1{/^[^ ]/d}' -e 's/"path":"[^"]*"/"path":""/'; }
  for view in "" --events --json; do
    "$linux_info" $view in/samples/format1_registers.mmf | drop_path >linux.info
    wine "$info_exe" $view 'in\samples\format1_registers.mmf' 2>win.err | drop_path >win.info
    same "kestrel-info ${view:-(summary)}: the same description, path aside" linux.info win.info
  done
else
  ko "the zip holds kestrel-info.exe (and the native build its kestrel-info)"
fi
if diff -r linux-OUTPUT win-OUTPUT >/dev/null; then ok "outputs byte-identical, the same tree"; else ko "outputs byte-identical, the same tree"; diff -r linux-OUTPUT win-OUTPUT | head; fi
if [ -f "win-OUTPUT/odd/café.mmf" ]; then ok "an ANSI name becomes the same file name"; else ko "an ANSI name becomes the same file name"; fi
if no_temporary_files "$work/win-OUTPUT" "$in"; then ok "no temporary file left"; else ko "no temporary file left"; fi

echo "== again over the outputs: replaced with two jobs, a read-only one refused"
cp -r linux-OUTPUT linux-again
cp -r win-OUTPUT win-again
chmod 444 linux-again/samples/format0_plain.mmf win-again/samples/format0_plain.mmf
echo OLD >linux-again/samples/format0_tempo.mmf
echo OLD >win-again/samples/format0_tempo.mmf
"$linux_cli" --overwrite=all --jobs 2 --output linux-again in/samples "$in/tree" in/odd </dev/null >linux.rows 2>linux.err
linux_rc=$?
wine "$cli_exe" --overwrite=all --jobs 2 --output win-again 'in\samples' "$in/tree" 'in\odd' </dev/null >win.raw 2>win.err
win_rc=$?
rows_to_linux <win.raw >win.rows
expect "exit status as on Linux ($linux_rc)" "$win_rc" "$linux_rc"
compare_rows "second run" linux.rows win.rows
expect "the read-only output is refused" "$(grep -c $'^format0_plain.mmf\tNG: File write error.\t' win.rows)" "1"
if diff -r linux-again win-again >/dev/null; then ok "replaced outputs byte-identical"; else ko "replaced outputs byte-identical"; fi

echo "== answers read from standard input"
# Which entry is asked first follows the listing order, so only the counts
# are compared.
mkdir win-ask
cp -r win-OUTPUT/samples win-ask/samples
printf 'n\ny\n' | wine "$cli_exe" --overwrite=ask --output win-ask 'in\samples' >win.raw 2>win.err
win_rc=$?
rows_to_linux <win.raw >win.rows
expect "No, then Yes: one output kept, the other four replaced, exit status 1 (README.md)" \
  "$win_rc $(grep -c $'\tNG: Convert cancel.\t' win.rows) $(grep -c $'\tOK: Convert success.\t' win.rows)" "1 1 4"
expect "two questions, asked on standard error" \
  "$(grep -o 'has already exists. Overwrite all ? \[y\]es/\[n\]o/\[c\]ancel: ' win.err | wc -l)" "2"

echo "== a list on standard input: CR LF lines, NUL-separated, in shards"
# Windows line ends and binary standard input: the list arrives as written.
printf '%s\r\n\r\n%s\r\n' 'in\odd\with space.mmf' 'in\samples\album' >list.crlf
printf '%s\0%s\0%s\0' 'in\odd\with space.mmf' 'in\samples\album' 'in\odd\UPPER.MMF' >list.nul
"$linux_cli" --overwrite=all --base . --output linux-list "in/odd/with space.mmf" in/samples/album </dev/null \
  >linux.rows 2>linux.err
linux_rc=$?
wine "$cli_exe" --overwrite=all --base . --output win-list --files-from - <list.crlf >win.raw 2>win.err
win_rc=$?
rows_to_linux <win.raw >win.rows
expect "CR LF list: exit status as on Linux ($linux_rc)" "$win_rc" "$linux_rc"
compare_rows "CR LF list" linux.rows win.rows
if diff -r linux-list win-list >/dev/null; then ok "CR LF list: outputs byte-identical"; else ko "CR LF list: outputs byte-identical"; fi
"$linux_cli" --overwrite=all --base . --output linux-list in/odd/UPPER.MMF </dev/null >/dev/null 2>&1
for k in 0 1; do
  wine "$cli_exe" --overwrite=all --base . --output win-shards --shard $k/2 --null --files-from - \
    --no-header --report "win-shard-$k.csv" <list.nul >/dev/null 2>&1
done
if diff -r linux-list win-shards >/dev/null; then ok "NUL list in two shards: the outputs of one run"; else ko "NUL list in two shards: the outputs of one run"; fi
expect "NUL list in two shards: reports without a header" "$(cat win-shard-0.csv win-shard-1.csv | grep -c '^File name')" "0"
expect "NUL list in two shards: every row once" \
  "$(cat win-shard-0.csv win-shard-1.csv | sed '1i header' | csv_to_linux | tail -n +2 | cut -d, -f3 |
    LC_ALL=C sort | tr '\n' ' ')" \
  "$(printf '%s\n' "$work/in/odd/UPPER.MMF" "$work/in/odd/with space.mmf" "$work"/in/samples/album/* | LC_ALL=C sort | tr '\n' ' ')"

# --- rules of a run ---------------------------------------------------------------
echo "== double-byte names (code page 932): a trail byte 0x5C is no separator"
# 表 and 能 end in 0x5C in code page 932. The folder comes once with and
# once without a trailing separator; the output folder is created level by
# level.
mkdir -p ja/表/ソ
cp "$root/samples/format0_plain.mmf" ja/表/ソ/表.mmf
cp "$root/samples/format0_tempo.mmf" ja/表/能.mmf
"$linux_cli" --overwrite=all --output ja/linux/出力/表 ja/表/ ja/表 </dev/null >linux.rows 2>linux.err
linux_rc=$?
LC_ALL=ja_JP.UTF-8 wine "$cli_exe" --overwrite=all --output 'ja\win\出力\表' 'ja\表\' 'ja\表' </dev/null >win.raw 2>win.err
win_rc=$?
rows_to_linux 932 <win.raw >win.rows
expect "exit status 0, as on Linux" "$win_rc $linux_rc" "0 0"
compare_rows "double-byte run" linux.rows win.rows
expect "four rows" "$(file_rows win.rows | wc -l)" "4"
if diff -r ja/linux ja/win >/dev/null; then ok "the same output tree and bytes"; else ko "the same output tree and bytes"; fi

echo "== an output that is its own input"
mkdir -p self
cp "$root/samples/format0_tempo.mmf" self/song.mmf
# The second spelling: another case, '/' for '\'.
for output in . "Z:$work/SELF"; do
  (cd self && wine "$cli_exe" --overwrite=all --output "$output" song.mmf </dev/null >../self.rows 2>/dev/null)
  rc=$?
  expect "--output $output: refused, exit status 1" "$rc $(head -1 self.rows)" \
    "1 song.mmf"$'\t'"NG: Output file open error."$'\t'"$(win_path "$work/self/song.mmf")"$'\t'"the output would overwrite the input itself"
  same "--output $output: the input untouched" self/song.mmf "$root/samples/format0_tempo.mmf"
done

echo "== writes that fail: a file size limit of 4 KiB"
printf 'OLD REPORT\r\n' >old.csv
cp old.csv old.csv.before
cp old.csv linux-old.csv
# Standard output goes to a pipe, which the limit does not cover.
( trap '' XFSZ; ulimit -f 8; exec "$linux_cli" --overwrite=all --report linux-old.csv --output linux-lim in/samples "$in/tree" ) \
  </dev/null 2>linux.err | cat >linux.rows
( trap '' XFSZ; ulimit -f 8; exec wine "$cli_exe" --overwrite=all --report old.csv --output win-lim 'in\samples' "$in/tree" ) \
  </dev/null 2>win.err | cat >win.raw
win_rc=${PIPESTATUS[0]}
rows_to_linux <win.raw >win.rows
expect "exit status 1" "$win_rc" "1"
compare_rows "limited run" linux.rows win.rows
failures=$(grep -c $'\tNG: File write error.\t' win.rows)
if [ "$failures" -gt 0 ]; then ok "some outputs failed to write ($failures)"; else ko "some outputs failed to write"; fi
expect "a failed output leaves no file" "$(find win-lim -type f | wc -l)" "$(grep -c $'\tOK: Convert success.\t' win.rows)"
every_output_whole "every output left is whole, no temporary file" "$work/win-lim" "$work/win-OUTPUT"
same "the old report is kept" old.csv old.csv.before
expect "the report failure is told on standard error" \
  "$(grep -c '^kestrel-cli: cannot write the report .* (an earlier report is kept)' win.err)" "1"
if no_temporary_files "$work"; then ok "no temporary report left"; else ko "no temporary report left"; fi

echo "== standard output closed"
"$linux_cli" --overwrite=all --report linux-closed.csv --output linux-closed in/samples "$in/tree" </dev/null 2>/dev/null | true
wine "$cli_exe" --overwrite=all --report win-closed.csv --output win-closed 'in\samples' "$in/tree" </dev/null 2>win.err | true
win_rc=${PIPESTATUS[0]}
expect "exit status 1" "$win_rc" "1"
expect "the cut is told on standard error" \
  "$(grep -c '^kestrel-cli: standard output was closed; the rows after that were not printed' win.err)" "1"
csv_to_linux <win-closed.csv | tail -n +2 | LC_ALL=C sort >win.csv.sorted
tail -n +2 linux-closed.csv | LC_ALL=C sort >linux.csv.sorted
same "the report is whole" linux.csv.sorted win.csv.sorted
every_output_whole "every output converted and whole" "$work/win-closed" "$work/win-OUTPUT"
expect "all 1005 outputs there" "$(find win-closed -type f | wc -l)" "1005"

echo "== Ctrl-C at the overwrite question"
# The album folder: both its outputs exist, so the first entry asks.
mkfifo answers.fifo
exec 6<>answers.fifo
cp -r win-closed/samples/album album.before
wine "$cli_exe" --overwrite=ask --output win-closed/samples 'in\samples\album' <answers.fifo >win.raw 2>win.err 6>&- &
pid=$!
if wait_until 30 grep -q 'has already exists. Overwrite all ?' win.err; then
  kill -INT "$pid"
  if wait_until 10 has_ended "$pid"; then ok "the waiting question ends"; else ko "the waiting question ends"; kill -KILL "$pid"; fi
  wait "$pid"
  rc=$?
  expect "cancelled: exit status 1, no row" "$rc $(file_rows win.raw | wc -l)" "1 0"
  # The entry cancelled at counts as done, as in the dialog.
  expect "stopped is told on standard error" "$(grep -c '^kestrel-cli: stopped after 1 of 2 files' win.err)" "1"
  if diff -r album.before win-closed/samples/album >/dev/null; then ok "the existing outputs untouched"; else ko "the existing outputs untouched"; fi
else
  ko "the question is asked"
  kill -KILL "$pid"
  wait "$pid"
fi
exec 6>&-

# stalled_run OUTPUT: converts the tree with standard output into a pipe
# that nobody reads, and waits until the run is stuck writing a row; pid in
# $pid, the pipe open as fd 7.
stalled_run() {
  rm -f rows.fifo
  mkfifo rows.fifo
  exec 7<>rows.fifo
  # One job: "the current file" is the one whose row is stuck.
  wine "$cli_exe" --jobs 1 --overwrite=all --output "$1" "$in/tree" </dev/null >rows.fifo 2>win.err 7>&- &
  pid=$!
  wait_until 60 blocked_on_pipe "$pid"
}
echo "== a first Ctrl-C stops after the current file"
if stalled_run win-stop; then
  kill -INT "$pid"
  sleep 1
  if kill -0 "$pid" 2>/dev/null; then ok "the run goes on with the current file"; else ko "the run goes on with the current file"; fi
  cat <&7 >/dev/null &
  reader=$!
  wait_until 30 has_ended "$pid" || kill -KILL "$pid"
  wait "$pid"
  rc=$?
  kill "$reader" 2>/dev/null
  wait "$reader" 2>/dev/null
  done_count=$(find win-stop -type f | wc -l)
  expect "stopped: exit status 1, told on standard error" \
    "$rc $(grep -c "^kestrel-cli: stopped after $done_count of 1000 files" win.err)" "1 1"
  every_output_whole "every output of the stopped run whole" "$work/win-stop" "$work/win-OUTPUT"
else
  ko "the run stalls on its full pipe"
  kill -KILL "$pid"
  wait "$pid"
fi
exec 7>&-

echo "== a second Ctrl-C ends the program at once"
if stalled_run win-kill; then
  kill -INT "$pid"
  sleep 0.5
  kill -INT "$pid"
  if wait_until 10 has_ended "$pid"; then ok "the program ends"; else ko "the program ends"; kill -KILL "$pid"; fi
  wait "$pid"
  # STATUS_CONTROL_C_EXIT (0xC000013A); Linux sees its low byte.
  expect "exit status of an interrupted program" "$?" "$((0xC000013A & 0xFF))"
  every_output_whole "every output of the ended run whole" "$work/win-kill" "$work/win-OUTPUT"
else
  ko "the run stalls on its full pipe"
  kill -KILL "$pid"
  wait "$pid"
fi
exec 7>&-

finish
