#!/usr/bin/env bash
# Builds Kestrel.exe (MinGW-w64) with its test helpers and drives it under
# Wine inside Xvfb as a person would: real XDND drops of files and folders,
# the windows read back through KestrelProbe.exe, buttons pressed, the
# overwrite question answered, the OUTPUT tree checked; once more in a
# Japanese locale (code page 932) with names whose trail byte is 0x5C.
#
# Environment: KESTREL_UI_SCREENSHOTS (default build-win/screenshots),
# KESTREL_UI_KEEP=1 keeps the temporary folder (Wine prefix, inputs, logs).
# Ends with the line "N passed, M failed"; exit status 1 on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_WIN=$ROOT/build-win
BUILD_TOOLS=$ROOT/build-ui-tools
SHOTS=${KESTREL_UI_SCREENSHOTS:-$BUILD_WIN/screenshots}

elapsed_ms() { echo $((($(date +%s%N) - $1) / 1000000)); }
step() { printf '\n==== %s ====\n' "$*"; }
die() { echo "test-ui: $*" >&2; echo "0 passed, 1 failed"; exit 1; }

# --- dependencies ------------------------------------------------------------
step "dependencies"
scripts/install-deps.sh native windows ja-locale || die "installing the packages failed"

# --- build -------------------------------------------------------------------
step "build Kestrel.exe, KestrelProbe.exe and the native helpers"
cmake -S "$ROOT" -B "$BUILD_WIN" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DKESTREL_BUILD_TESTS=OFF -DKESTREL_WERROR=ON >/dev/null || die "configuring the Windows build failed"
cmake --build "$BUILD_WIN" --target Kestrel KestrelProbe Win32PlatformCheck || die "the Windows build failed"
cmake -S "$ROOT/tests/ui/native" -B "$BUILD_TOOLS" -G Ninja -DKESTREL_WERROR=ON >/dev/null \
  || die "configuring the native helpers failed"
cmake --build "$BUILD_TOOLS" || die "building the native helpers failed"

KESTREL=$BUILD_WIN/ui/Kestrel.exe
PROBE_EXE=$BUILD_WIN/tests/ui/probe/KestrelProbe.exe
PLATFORM_CHECK_EXE=$BUILD_WIN/tests/ui/probe/Win32PlatformCheck.exe
XDND=$BUILD_TOOLS/kestrel_xdnd_drag

# --- harness -----------------------------------------------------------------
source tests/support/checks.sh

TMP=$(mktemp -d /tmp/kestrel-ui.XXXXXX)
mkdir -p "$SHOTS"
rm -f "$SHOTS"/0[0-9]-*.png
XVFB_PID=
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  if [ "${KESTREL_UI_KEEP:-0}" = 1 ]; then echo "kept $TMP"; else rm -rf "$TMP"; fi
}
trap cleanup EXIT
# Signals end the script through exit, so the cleanup above runs too.
trap 'exit 130' INT TERM HUP PIPE

export WINEPREFIX=$TMP/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH

step "Xvfb and the Wine prefix"
# Xvfb picks a free display itself (-displayfd): other sessions on the same
# machine may hold display numbers whose sockets this one cannot see.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$TMP/display" >"$TMP/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 1 150); do [ -s "$TMP/display" ] && break; sleep 0.1; done
DISPLAY_NUM=$(tr -dc '0-9' <"$TMP/display")
[ -n "$DISPLAY_NUM" ] && kill -0 "$XVFB_PID" 2>/dev/null || { cat "$TMP/xvfb.log" >&2; die "Xvfb did not start"; }
export DISPLAY=":$DISPLAY_NUM"
xdpyinfo >/dev/null 2>&1 || { cat "$TMP/xvfb.log" >&2; die "cannot reach Xvfb on $DISPLAY"; }
echo "Xvfb on $DISPLAY"
t0=$(date +%s%N)
wineboot -i >"$TMP/wineboot.log" 2>&1 || die "wineboot failed (see $TMP/wineboot.log)"
# Unmanaged windows: Wine draws the frames itself, with no window manager.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
echo "Wine prefix ready in $(elapsed_ms "$t0") ms"

# probe ARGS...: KestrelProbe.exe output without carriage returns.
probe() { wine "$PROBE_EXE" "$@" 2>/dev/null | tr -d '\r'; }
# field KEY: the value of KEY=... in the probe output on stdin.
field() { grep -m1 "^$1=" | cut -d= -f2-; }
shot() { import -window root "$SHOTS/$1" 2>/dev/null && echo "screenshot $SHOTS/$1"; }

KESTREL_PID=
start_kestrel() {
  (cd "$TMP" && exec wine "$KESTREL" >"$TMP/kestrel-$1.log" 2>&1) &
  KESTREL_PID=$!
  probe wait-main 30000 >/dev/null
}
# Waits up to $1 seconds for the Kestrel process to end.
kestrel_ended() {
  local i
  for i in $(seq 1 $(($1 * 10))); do
    kill -0 "$KESTREL_PID" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}
# drop PATH...: moves the pointer over the result list and drops there.
drop() {
  local rect x y w h
  rect=$(probe main-state | field rect)
  read -r x y w h <<<"$rect"
  xdotool mousemove $((x + w / 2)) $((y + h / 2))
  "$XDND" --timeout 10000 "$@"
}
rows() { probe rows | grep '^row[0-9]'; }
win_path() { printf 'Z:%s' "${1//\//\\}"; }
starts_with_mmmd() { [ "$(head -c 4 "$1" 2>/dev/null)" = "MMMD" ]; }
# Presses the "Ok" of the finished box, then the progress window's "Ok".
dismiss_run() {
  probe click-box "Finished the converting." 1 >/dev/null
  wait_field enabled 1 main-state >/dev/null
  probe press-progress >/dev/null
  probe wait-progress-hidden 5000 >/dev/null
}
# Waits until the progress window reports field $1 = $2 (posted messages
# arrive a moment after the worker sent them).
wait_progress() {
  local i value
  for i in $(seq 1 30); do
    value=$(probe progress | field "$1")
    [ "$value" == "$2" ] && return 0
    sleep 0.1
  done
  echo "  progress $1 is '$value', expected '$2'"
  return 1
}

# wait_field FIELD EXPECTED PROBE-ARGS...: polls the probe output for up to
# 5 s until FIELD reads EXPECTED; prints the last value.
wait_field() {
  local key=$1 want=$2 i value
  shift 2
  for i in $(seq 1 50); do
    value=$(probe "$@" | field "$key")
    [ "$value" == "$want" ] && break
    sleep 0.1
  done
  echo "$value"
}

step "native unit tests of the helpers"
if "$BUILD_TOOLS/kestrel_ui_tools_test" --gtest_brief=1; then ok "helper unit tests"; else ko "helper unit tests"; fi

step "the Windows platform under Wine"
check_out=$(wine "$PLATFORM_CHECK_EXE" 2>/dev/null | tr -d '\r')
echo "$check_out" | grep -v '^PASS: \|^FAIL: '
while IFS= read -r line; do
  case "$line" in
    "PASS: "*) ok "platform: ${line#PASS: }" ;;
    "FAIL: "*) ko "platform: ${line#FAIL: }" ;;
  esac
done <<<"$check_out"
echo "$check_out" | grep -q '^0 failed$' || ko "platform checks ran to the end"

# --- inputs ------------------------------------------------------------------
SAMPLES=$TMP/samples
mkdir -p "$SAMPLES"
"$BUILD_TOOLS/make_samples" "$SAMPLES" >/dev/null || die "make_samples failed"
D=$TMP/drop
mkdir -p "$D/album/cd1"
cp "$SAMPLES/format0_tempo.mmf" "$D/a.mmf"
cp "$SAMPLES/format0_plain.mmf" "$D/b.mmf"
echo "not a VELA file" >"$D/notes.txt"
head -c 64 /dev/zero | tr '\0' 'x' >"$D/broken.mmf"
: >"$D/empty.mmf"
cp "$SAMPLES/album/format1_audio.mmf" "$D/album/audio.mmf"
cp "$SAMPLES/format1_registers.mmf" "$D/album/registers.mmf"
cp "$SAMPLES/album/large_format1.mmf" "$D/album/cd1/large.mmf"

# --- the main window at rest ---------------------------------------------------
step "start"
export LANG=C.UTF-8
start_kestrel en
state=$(probe main-state)
expect "main window shows up" "$(echo "$state" | field visible)" "1"
expect "drop hint text" "$(echo "$state" | field hinttext)" "Drop the VELA/Lark or VELA/Wren files here."
expect "Close button text" "$(echo "$state" | field closetext)" "&Close"
expect "window accepts dropped files" "$(echo "$state" | field acceptfiles)" "1"
# Wine hands the window icons to X as _NET_WM_ICON.
expect_true "window carries the application icon" \
  bash -c "xprop -id \"\$(xdotool search --name '^Kestrel\$' | head -1)\" _NET_WM_ICON | grep -q 'Icon (32 x 32)'"
expect "list: gridlines, header drag-drop, full-row select" "$(echo "$state" | field lvexstyle)" "0x31"
expect "columns: titles, widths, left-aligned" "$(probe columns | grep '^column' | tr '\n' ';')" \
  "column0=File name|130|fmt0;column1=Result|180|fmt0;column2=Input file path|230|fmt0;"
expect "progress window exists hidden" "$(probe progress | field visible)" "0"

# --- run 0: a drop that yields no files ------------------------------------------
step "run 0: a dropped path that cannot be read"
expect_true "XDND drop accepted" drop "$D/missing"
box=$(probe wait-box "There is no access authority" 20000)
expect "folder notice: text" "$(echo "$box" | field text)" \
  "$(win_path "$D/missing")\\r\\nThere is no access authority to this folder. "
expect "folder notice: caption and button" "$(echo "$box" | field caption) $(echo "$box" | field button1)" "Kestrel OK"
probe click-box "There is no access authority" 1 >/dev/null
box=$(probe wait-box "Finished the converting." 20000)
expect "an empty run still ends with the finished box" "$(echo "$box" | field text)" "Finished the converting."
expect_true "progress button reads Ok" wait_progress button "Ok"
progress=$(probe progress)
expect "empty run: counts and bar" \
  "$(echo "$progress" | field total);$(echo "$progress" | field convert);$(echo "$progress" | field error);$(echo "$progress" | field range)" \
  'Total files :\t0 / 0;Convert files :\t0;Error files :\t0;0 0'
dismiss_run

# --- run 1: files and a folder -------------------------------------------------
step "run 1: drop of five files and a folder"
expect_true "XDND drop accepted" drop "$D/a.mmf" "$D/b.mmf" "$D/notes.txt" "$D/broken.mmf" "$D/empty.mmf" "$D/album"
box=$(probe wait-box "Finished the converting." 20000)
expect "finished box: caption" "$(echo "$box" | field caption)" "Kestrel"
expect "finished box: text" "$(echo "$box" | field text)" "Finished the converting."
expect "finished box: owned by the progress window" "$(echo "$box" | field owner)" "Progress"
expect "finished box: only an OK button" "$(echo "$box" | grep '^button' | tr '\n' ';')" "button1=OK;"
expect_true "progress button reads Ok after the run" wait_progress button "Ok"
progress=$(probe progress)
expect "total count" "$(echo "$progress" | field total)" 'Total files :\t8 / 8'
expect "convert count" "$(echo "$progress" | field convert)" 'Convert files :\t5'
expect "error count" "$(echo "$progress" | field error)" 'Error files :\t3'
expect "bar at the end" "$(echo "$progress" | field pos)/$(echo "$progress" | field range)" "8/0 8"
expect "main window disabled while the finished box waits" "$(probe main-state | field enabled)" "0"
probe close >/dev/null
sleep 0.5
expect "main window stays while the worker shows the finished box" "$(probe count-main | field count)" "1"
shot 01-run-finished.png
r=$(rows)
expect "rows of the dropped files, in drop order" "$(echo "$r" | head -5)" "$(cat <<EOF
row0=a.mmf|OK: Convert success.|$(win_path "$D/a.mmf")
row1=b.mmf|OK: Convert success.|$(win_path "$D/b.mmf")
row2=notes.txt|NG: Input file is not VELA.|$(win_path "$D/notes.txt")
row3=broken.mmf|NG: Input file format is invalid.|$(win_path "$D/broken.mmf")
row4=empty.mmf|NG: Input file size is 0. |$(win_path "$D/empty.mmf")
EOF
)"
# The folder's own files come in listing order, then its subfolder's.
expect "rows of the folder's own files" "$(echo "$r" | sed -n '6,7p' | cut -d= -f2- | sort)" "$(cat <<EOF
audio.mmf|OK: Convert success.|$(win_path "$D/album/audio.mmf")
registers.mmf|OK: Convert success.|$(win_path "$D/album/registers.mmf")
EOF
)"
expect "row of the subfolder's file comes last" "$(echo "$r" | sed -n '8p')" \
  "row7=large.mmf|OK: Convert success.|$(win_path "$D/album/cd1/large.mmf")"
expect "OUTPUT tree mirrors the inputs" "$(cd "$D/OUTPUT" && find . | sort | tr '\n' ' ')" \
  ". ./a.mmf ./album ./album/audio.mmf ./album/cd1 ./album/cd1/large.mmf ./album/registers.mmf ./b.mmf "
all_mmmd=1
for f in a.mmf b.mmf album/audio.mmf album/registers.mmf album/cd1/large.mmf; do
  starts_with_mmmd "$D/OUTPUT/$f" || all_mmmd=0
done
expect "outputs are VELA files" "$all_mmmd" "1"

probe click-box "Finished the converting." 1 >/dev/null
expect "main window enabled again after the box" "$(wait_field enabled 1 main-state)" "1"
expect "Close button enabled again" "$(probe main-state | field close)" "1"
expect "progress window stays until dismissed" "$(probe progress | field visible)" "1"
if drop "$D/a.mmf" 2>/dev/null; then refused=0; else refused=1; fi
expect "drop refused while the progress window is shown" "$refused" "1"
expect "rows unchanged by the refused drop" "$(rows | wc -l)" "8"
probe press-progress >/dev/null
expect_true "Ok hides the progress window" probe wait-progress-hidden 5000
expect "drops accepted again" "$(probe main-state | field acceptfiles)" "1"
probe resize 1100 330 >/dev/null
shot 02-results.png

# --- the idle window -----------------------------------------------------------
step "idle window: size limits, keys, About"
state=$(probe resize 300 100)
expect "window refuses to shrink below 600 x 200" "$(echo "$state" | field rect | cut -d' ' -f3-)" "600 200"
state=$(probe resize 820 560)
read -r _ _ cw ch <<<"$(echo "$state" | field client)"
expect "list keeps its margins" "$(echo "$state" | field list)" "5 50 $((cw - 10)) $((ch - 65))"
probe key 13 >/dev/null
sleep 1
expect "Enter does not close the window" "$(probe count-main | field count)" "1"
probe syscommand 0x10 >/dev/null
if probe wait-dialog "About Kestrel" 5000 >/dev/null; then ok "system menu About opens the About box"; else ko "system menu About opens the About box"; fi
shot 03-about.png
probe click-dialog "About Kestrel" 1 >/dev/null
sleep 0.5
if probe wait-dialog "About Kestrel" 0 >/dev/null; then ko "About box closes with OK"; else ok "About box closes with OK"; fi

# --- run 2: the overwrite question -----------------------------------------------
step "run 2: second drop onto the same files (overwrite question)"
echo "OLD-A" >"$D/OUTPUT/a.mmf"
echo "OLD-B" >"$D/OUTPUT/b.mmf"
expect_true "XDND drop accepted" drop "$D/a.mmf" "$D/b.mmf" "$D/album"
box=$(probe wait-box "has already exists" 20000)
expect "question text" "$(echo "$box" | field text)" "a.mmf has already exists. Overwrite all ?"
expect "question caption" "$(echo "$box" | field caption)" "Kestrel"
expect "question buttons" "$(echo "$box" | grep '^button' | tr '\n' ';')" "button2=Cancel;button6=&Yes;button7=&No;"
# The worker waits in the question: the run is active, deterministically.
progress=$(probe progress)
expect "progress shown during the run" "$(echo "$progress" | field visible)" "1"
expect "progress button reads Stop during the run" "$(echo "$progress" | field button)" "Stop"
expect "counts before the first entry" "$(echo "$progress" | field total)" 'Total files :\t0 / 5'
expect "bar reads 1 while the first entry converts" "$(echo "$progress" | field pos)/$(echo "$progress" | field range)" "1/0 5"
state=$(probe main-state)
expect "Close button disabled during the run" "$(echo "$state" | field close)" "0"
expect "drop hint disabled during the run" "$(echo "$state" | field hint)" "0"
shot 04-overwrite-question.png
probe key 27 >/dev/null
probe close >/dev/null
probe syscommand 0xF060 >/dev/null
sleep 1
expect "Escape, close box and system-menu Close do nothing during a run" "$(probe count-main | field count)" "1"
t0=$(date +%s%N)
(cd "$TMP" && timeout 60 wine "$KESTREL" >"$TMP/kestrel-second.log" 2>&1)
second_rc=$?
echo "second copy ended after $(elapsed_ms "$t0") ms"
expect "a second copy ends by itself" "$second_rc" "0"
expect "a second copy shows no window" "$(probe count-main | field count)" "1"
if drop "$D/b.mmf" 2>/dev/null; then refused=0; else refused=1; fi
expect "drop refused during a run" "$refused" "1"
probe click-box "a.mmf has already exists" 7 >/dev/null
box=$(probe wait-box "b.mmf has already exists" 10000)
expect "after No the next existing output is asked about" "$(echo "$box" | field text)" \
  "b.mmf has already exists. Overwrite all ?"
probe click-box "b.mmf has already exists" 6 >/dev/null
box=$(probe wait-box "Finished the converting." 20000)
expect "after Yes no more questions" "$(echo "$box" | field text)" "Finished the converting."
expect_true "progress button reads Ok" wait_progress button "Ok"
progress=$(probe progress)
expect "counts: cancelled entry counts as converted" \
  "$(echo "$progress" | field total);$(echo "$progress" | field convert);$(echo "$progress" | field error)" \
  'Total files :\t5 / 5;Convert files :\t5;Error files :\t0'
expect "rows of the second run" "$(rows | head -2)" "$(cat <<EOF
row0=a.mmf|NG: Convert cancel.|$(win_path "$D/a.mmf")
row1=b.mmf|OK: Convert success.|$(win_path "$D/b.mmf")
EOF
)"
expect "folder rows overwritten without a question" "$(rows | sed -n '3,5p' | cut -d'|' -f2 | sort -u)" "OK: Convert success."
expect "No keeps the old output" "$(cat "$D/OUTPUT/a.mmf")" "OLD-A"
expect_true "Yes overwrites the old output" starts_with_mmmd "$D/OUTPUT/b.mmf"
dismiss_run

# --- run 3: Cancel at the question -----------------------------------------------
step "run 3: Cancel at the overwrite question"
expect_true "XDND drop accepted" drop "$D/a.mmf" "$D/b.mmf"
probe wait-box "a.mmf has already exists" 20000 >/dev/null
probe click-box "a.mmf has already exists" 2 >/dev/null
probe wait-box "Finished the converting." 20000 >/dev/null
expect_true "progress button reads Ok" wait_progress button "Ok"
progress=$(probe progress)
expect "cancel: one entry counted as converted, run ended" \
  "$(echo "$progress" | field total);$(echo "$progress" | field convert);$(echo "$progress" | field error)" \
  'Total files :\t1 / 2;Convert files :\t1;Error files :\t0'
expect "cancel: no row for the cancelled entry" "$(probe rows | field rows)" "0"
expect "cancel: old output untouched" "$(cat "$D/OUTPUT/a.mmf")" "OLD-A"
dismiss_run

# --- run 4: Stop, and a second press of the button --------------------------------
step "run 4: Stop during a run"
expect_true "XDND drop accepted" drop "$D/a.mmf" "$D/b.mmf" "$D/notes.txt"
probe wait-box "a.mmf has already exists" 20000 >/dev/null
probe press-progress >/dev/null
sleep 0.5
progress=$(probe progress)
expect "after Stop the window stays and still reads Stop" \
  "$(echo "$progress" | field visible) $(echo "$progress" | field button)" "1 Stop"
probe press-progress >/dev/null
expect_true "a second press hides the progress window at once" probe wait-progress-hidden 5000
drop "$D/notes.txt" 2>/dev/null
sleep 0.5
expect "a drop before the run has wound down starts nothing" "$(probe progress | field visible)" "0"
probe click-box "a.mmf has already exists" 6 >/dev/null
probe wait-box "Finished the converting." 20000 >/dev/null
shot 05-stopped.png
progress=$(probe progress)
expect "stop: the current entry finished, the loop ended" \
  "$(echo "$progress" | field total);$(echo "$progress" | field convert)" 'Total files :\t1 / 3;Convert files :\t1'
expect "stop: one row" "$(rows)" "row0=a.mmf|OK: Convert success.|$(win_path "$D/a.mmf")"
expect_true "stop: the entry was converted" starts_with_mmmd "$D/OUTPUT/a.mmf"
probe click-box "Finished the converting." 1 >/dev/null
# The worker's last act is enabling the main window again.
wait_field enabled 1 main-state >/dev/null

# --- closing ---------------------------------------------------------------------
step "Escape closes the idle window"
probe key 27 >/dev/null
expect_true "Escape closes the window when idle" probe wait-gone 10000
expect_true "the program ends" kestrel_ended 20
wineserver -w

# --- Japanese locale ---------------------------------------------------------------
step "Japanese locale (code page 932): names with trail byte 0x5C"
export LANG=ja_JP.UTF-8
J=$TMP/ja
FOLDER="表示ソング"
mkdir -p "$J/$FOLDER/ソ"
cp "$SAMPLES/format0_tempo.mmf" "$J/表.mmf"
cp "$SAMPLES/format0_plain.mmf" "$J/$FOLDER/ソナタ.mmf"
cp "$SAMPLES/format1_registers.mmf" "$J/$FOLDER/ソ/表2.mmf"
start_kestrel ja
expect_true "XDND drop accepted" drop "$J/表.mmf" "$J/$FOLDER"
probe wait-box "Finished the converting." 20000 >/dev/null
expect_true "progress button reads Ok" wait_progress button "Ok"
expect "rows with double-byte names" "$(rows)" "$(cat <<EOF
row0=表.mmf|OK: Convert success.|$(win_path "$J/表.mmf")
row1=ソナタ.mmf|OK: Convert success.|$(win_path "$J/$FOLDER/ソナタ.mmf")
row2=表2.mmf|OK: Convert success.|$(win_path "$J/$FOLDER/ソ/表2.mmf")
EOF
)"
expect "OUTPUT tree with double-byte folder names" "$(cd "$J/OUTPUT" && find . | sort | tr '\n' ' ')" \
  ". ./表.mmf ./$FOLDER ./$FOLDER/ソ ./$FOLDER/ソ/表2.mmf ./$FOLDER/ソナタ.mmf "
all_mmmd=1
for f in 表.mmf "$FOLDER/ソナタ.mmf" "$FOLDER/ソ/表2.mmf"; do starts_with_mmmd "$J/OUTPUT/$f" || all_mmmd=0; done
expect "outputs are VELA files" "$all_mmmd" "1"
probe click-box "Finished the converting." 1 >/dev/null
wait_field enabled 1 main-state >/dev/null
probe press-progress >/dev/null
probe wait-progress-hidden 5000 >/dev/null
probe resize 1100 330 >/dev/null
shot 06-japanese-results.png
probe click-dialog Kestrel 1 >/dev/null
expect_true "the Close button closes the idle window" probe wait-gone 10000
expect_true "the program ends" kestrel_ended 20
wineserver -w

echo
echo "screenshots in $SHOTS"
finish
