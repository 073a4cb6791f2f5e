#!/usr/bin/env bash
# Builds the packages of Kestrel into out/packages/:
#   kestrel_<version>_<arch>.deb        Debian package: kestrel-cli and
#                                       kestrel-info, their manual pages and
#                                       bash completion, the README and the
#                                       user pages of docs/, the page
#                                       kestrel.html with its desktop entry
#   kestrel-<version>-windows-x64.zip   Windows download: Kestrel.exe,
#                                       kestrel-cli.exe, kestrel-info.exe,
#                                       kestrel.html, a README.txt for
#                                       Windows users, licence (MinGW-w64
#                                       build)
# Two builds of one commit give identical packages: time stamps come from
# SOURCE_DATE_EPOCH (default: the time of the checked-out commit), and no
# folder of the build machine ends up in a binary.
#
# Usage: scripts/package.sh [deb] [zip]          (default: both)
# Environment: KESTREL_PACKAGE_BUILD (build folder, default build/package),
# KESTREL_PACKAGE_OUT (default out/packages), SOURCE_DATE_EPOCH.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${KESTREL_PACKAGE_BUILD:-$root/build/package}
out=${KESTREL_PACKAGE_OUT:-$root/out/packages}
jobs=$(nproc)

make_deb=0
make_zip=0
for what in "${@:-deb zip}"; do
  for w in $what; do
    case "$w" in
      deb) make_deb=1 ;;
      zip) make_zip=1 ;;
      *) echo "usage: scripts/package.sh [deb] [zip]" >&2; exit 2 ;;
    esac
  done
done

scripts/install-deps.sh native package

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) && [ -n "$SOURCE_DATE_EPOCH" ]; then
    :
  else
    SOURCE_DATE_EPOCH=$(date +%s)
    echo "package: not a git checkout; time stamps from the clock, so this build is not reproducible" >&2
  fi
fi
export SOURCE_DATE_EPOCH
# Zip entries hold local times.
export TZ=UTC0
# cpack gives the members of a .deb the modes of its own temporary files.
umask 022
# Nothing of the caller's compiler settings leaks into a package.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS
mkdir -p "$out"

# The page, one self-contained file, goes into both packages (build-web.sh
# installs emscripten when it is missing).
echo "== the page"
KESTREL_WEB_BUILD=$build/web scripts/build-web.sh "$build/web-page"
page=$build/web-page/kestrel.html

if [ "$make_deb" = 1 ]; then
  echo "== Debian package"
  # Debian's hardening flags; -g is left out because the programs are
  # stripped anyway.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  cxxflags=$(printf '%s\n' $cxxflags | grep -vx -e '-g' -e '-ffile-prefix-map=.*' | tr '\n' ' ')
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  cmake -S "$root" -B "$build/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKESTREL_BUILD_TESTS=OFF -DKESTREL_WERROR=ON -DKESTREL_REPRODUCIBLE=ON -DKESTREL_WEB_PAGE="$page" \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
  cmake --build "$build/linux" -j "$jobs"
  rm -rf "$build/linux/cpack"
  cpack --config "$build/linux/CPackConfig.cmake" -B "$build/linux/cpack" >/dev/null
  rm -f "$out"/kestrel_*.deb
  cp "$build/linux/cpack"/kestrel_*.deb "$out/"
fi

if [ "$make_zip" = 1 ]; then
  echo "== Windows zip"
  cmake --preset windows -B "$build/windows" -DKESTREL_REPRODUCIBLE=ON -DKESTREL_WEB_PAGE="$page" >/dev/null
  cmake --build "$build/windows" -j "$jobs"
  rm -rf "$build/windows/cpack"
  cpack --config "$build/windows/CPackConfig.cmake" -B "$build/windows/cpack" >/dev/null
  rm -f "$out"/kestrel-*-windows-x64.zip
  cp "$build/windows/cpack"/kestrel-*-windows-x64.zip "$out/"
fi

echo
echo "== packages in ${out#"$root"/}"
(cd "$out" && sha256sum kestrel*)
