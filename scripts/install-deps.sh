#!/usr/bin/env bash
# Installs the Debian packages a build needs, only when something is missing.
# Usage: scripts/install-deps.sh [native] [fuzz] [windows] [package]
set -euo pipefail

declare -a wanted=()
for group in "${@:-native}"; do
  case "$group" in
    native)  wanted+=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
                      nlohmann-json3-dev libtinyxml2-dev libcsv-dev) ;;
    fuzz)    wanted+=(clang libclang-rt-14-dev) ;;
    windows) wanted+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 xvfb xauth xdotool
                      imagemagick x11-utils fonts-wine fonts-liberation libx11-dev locales fonts-ipafont-gothic) ;;
    # Packages and their checks: manual pages, the Debian package (with
    # lintian), the Windows zip (MinGW-w64), completion tests.
    package) wanted+=(help2man groff-base man-db dpkg-dev lintian file gzip git unzip bash-completion
                      g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev) ;;
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
