#!/usr/bin/env bash
# Palvarin set-up for Debian 12: installs what the machine lacks, builds, then
#   ./setup.sh demo   runs the program against the emulated gauge
#   ./setup.sh test   runs the whole test suite (plain build, then ASan+UBSan build)
#   ./setup.sh build  only installs and builds
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-}
case "$mode" in demo|test|build|package|package-test) ;; *) echo "usage: $0 demo|test|build|package|package-test" >&2; exit 2 ;; esac

packages=(cmake make g++ pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
          libhidapi-dev libudev-dev
          fonts-wqy-microhei xvfb xauth xfonts-base
          python3 python3-xlrd)
# The export drives LibreOffice Calc. A desktop LibreOffice already installed is used as it
# is; otherwise the headless core. libreoffice-dev conflicts with the desktop metapackage,
# so there the Calc back end is built only if the SDK is already present.
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
if installed libreoffice || installed libreoffice-calc; then
  installed libreoffice || packages+=(libreoffice-dev)
else
  packages+=(libreoffice-core-nogui libreoffice-calc-nogui libreoffice-dev)
fi

# The Debian package: building and checking it (./setup.sh package), the icons' renderer
# (packaging/icons/render.sh), and the install test in a clean Debian root (package-test).
case "$mode" in
  package|package-test) packages+=(dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin) ;;&
  package-test) packages+=(debootstrap netpbm) ;;
esac

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
build_tree() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

# ./setup.sh package: palvarin_<version>_<arch>.deb in build-package/ (or in
# $PALVARIN_PACKAGE_BUILD_DIR), built with Debian's flags and the /usr prefix it installs
# to, then checked with Debian's own tools.
# ./setup.sh package-test: then installs it into a clean Debian 12 root and tries it there.
if [ "$mode" = package ] || [ "$mode" = package-test ]; then
  # Without the office SDK the program builds without its .xls export: no package of that.
  if [ ! -x /usr/lib/libreoffice/sdk/bin/cppumaker ]; then
    echo "The package needs the LibreOffice SDK (libreoffice-dev) for the export; a desktop" >&2
    echo "LibreOffice conflicts with it: build the package on a machine without one." >&2
    exit 1
  fi
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cppflags=$(dpkg-buildflags --get CPPFLAGS)
  build_dir=$(realpath -m "${PALVARIN_PACKAGE_BUILD_DIR:-build-package}")
  # CPack's install step then builds nothing more than what the package holds.
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
  # The tests are built by ./setup.sh test.
  cmake --build "$build_dir" -j"$jobs" --target pv_package_contents
  rm -f "$build_dir"/palvarin_*.deb
  (cd "$build_dir" && cpack -G DEB >/dev/null)
  deb=$(ls "$build_dir"/palvarin_*.deb)
  echo "Built $deb"
  desktop-file-validate packaging/palvarin.desktop
  # appstreamcli exits 3 on warnings too; only errors fail the package.
  appstream_out=$(appstreamcli validate --no-net "$build_dir/packaging/palvarin.metainfo.xml" 2>&1) || [ $? -eq 3 ]
  echo "$appstream_out"
  if grep -q '^E:' <<<"$appstream_out"; then exit 1; fi
  lintian --fail-on error --info "$deb"
  echo "desktop-file-validate, appstreamcli validate and lintian: no error"
  if [ "$mode" = package-test ]; then
    packaging/install-test.sh "$deb"
  fi
  exit 0
fi

build_tree build

case "$mode" in
  build) ;;
  demo)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display found: run the demo under Xvfb with  xvfb-run -a ./setup.sh demo" >&2
      exit 1
    fi
    exec build/palvarin --demo
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build --output-on-failure -j"$jobs"
    build_tree build-asan -DPALVARIN_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-asan --output-on-failure -j"$jobs"
    ;;
esac
