#!/usr/bin/env bash
# Palvarin set-up for Debian 12: installs what the machine lacks, builds, then
#   ./setup.sh demo   runs the program against the emulated gauge
#   ./setup.sh test   runs the whole test suite (plain build, then ASan+UBSan build)
#   ./setup.sh build  only installs and builds
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-}
case "$mode" in demo|test|build) ;; *) echo "usage: $0 demo|test|build" >&2; exit 2 ;; esac

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
