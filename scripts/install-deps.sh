#!/usr/bin/env bash
# Installs the Debian packages a build needs, only when something is missing.
# Usage: scripts/install-deps.sh [native] [fuzz] [windows] [package] [ja-locale] [web]
set -euo pipefail

declare -a wanted=()
for group in "${@:-native}"; do
  case "$group" in
    native)  wanted+=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
                      nlohmann-json3-dev libtinyxml2-dev libcsv-dev
                      parallel strace) ;;  # GNU parallel runs the parts of one batch in the cli tests; strace
                                           # kills a run at a chosen system call in the reliability tests
    fuzz)    wanted+=(clang libclang-rt-14-dev) ;;
    windows) wanted+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 xvfb xauth xdotool
                      imagemagick x11-utils fonts-wine fonts-liberation libx11-dev locales fonts-ipafont-gothic) ;;
    # Packages and their checks: manual pages, the Debian package (with
    # lintian, desktop-file-validate), the Windows zip (MinGW-w64), completion
    # tests.
    package) wanted+=(help2man groff-base man-db dpkg-dev lintian file gzip git unzip bash-completion
                      desktop-file-utils g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev) ;;
    # The Japanese locale, in which Wine runs programs in code page 932
    # (double-byte names).
    ja-locale) wanted+=(locales); want_ja_locale=1 ;;
    # The web page: its WebAssembly build (emscripten's optimizer needs
    # node-acorn) and the headless browser of its tests, with Debian's own
    # driver and Selenium so that nothing downloads a browser.
    web)     wanted+=(emscripten node-acorn chromium chromium-driver python3-selenium) ;;
    *) echo "unknown package group: $group" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Debian's locale-gen builds what /etc/locale.gen lists and ignores its arguments.
if [ "${want_ja_locale:-0}" = 1 ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen >/dev/null
fi
