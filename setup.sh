#!/usr/bin/env bash
# Palvarin set-up for Debian 12: installs what the machine lacks, builds, then
#   ./setup.sh demo   runs the program against the emulated gauge (no display: the
#                     command-line tool prints the emulated gauge's records)
#   ./setup.sh test   runs the whole test suite (plain build, then ASan+UBSan build)
#   ./setup.sh build  only installs and builds
#   ./setup.sh fuzz [seconds]  builds the libFuzzer targets (clang) and runs each for the
#                     given time (default 60) from its corpus in fuzz/corpus/
#   ./setup.sh tsan   builds with ThreadSanitizer and runs the suites that use the poll
#                     worker's thread
#   ./setup.sh package       builds the Debian package and checks it
#   ./setup.sh package-test  then installs it into a clean Debian 12 root and tries it there
#   ./setup.sh demo-hidraw   runs the program against the emulated gauge as /dev/hidraw0 under
#                     umockdev, through the real hidapi and udev path (tools/demo-hidraw.sh)
#   ./setup.sh fresh-test    runs "demo" and "test" as above in a clean Debian 12 root, as a
#                     newcomer's machine would (tools/fresh-test.sh); run it after changing
#                     the build or its packages
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-}
case "$mode" in demo|demo-hidraw|test|build|fuzz|tsan|package|package-test|fresh-test) ;;
  *) echo "usage: $0 demo|demo-hidraw|test|build|fuzz [seconds]|tsan|package|package-test|fresh-test" >&2; exit 2 ;; esac

packages=(cmake make g++ pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
          qt6-translations-l10n
          qt6-charts-dev libqt6opengl6-dev
          libhidapi-dev libudev-dev libsqlite3-dev
          fonts-wqy-microhei xvfb xauth xfonts-base
          python3 python3-xlrd
          libxlsxwriter-dev zlib1g-dev python3-openpyxl poppler-utils
          umockdev libumockdev-dev
          postgresql-15 libpq-dev)
# postgresql-15: the team store's tests run a throwaway server of their own (tools/pg-cluster.sh);
# libpq-dev: its C client library.
# zlib1g-dev: libxlsxwriter's pkg-config file links -lz, and its -dev package does not bring it.
# The export drives LibreOffice Calc. A desktop LibreOffice already installed is used as it
# is; otherwise the headless core. libreoffice-dev conflicts with the desktop metapackage,
# so there the Calc back end is built only if the SDK is already present.
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
if installed libreoffice || installed libreoffice-calc; then
  installed libreoffice || packages+=(libreoffice-dev)
else
  packages+=(libreoffice-core-nogui libreoffice-calc-nogui libreoffice-dev)
fi

# The fuzz targets need clang with its libFuzzer and sanitizer run-times.
[ "$mode" = fuzz ] && packages+=(clang-14 libfuzzer-14-dev libclang-rt-14-dev)
# The Debian package: building and checking it (./setup.sh package), the icons' renderer
# (packaging/icons/render.sh), and the install test in a clean Debian root (package-test).
case "$mode" in
  package|package-test) packages+=(dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin) ;;&
  package-test) packages+=(debootstrap netpbm) ;;
esac

# The fresh-machine test needs only debootstrap here; the clean root installs the rest.
[ "$mode" = fresh-test ] && packages=(debootstrap git)

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ "$mode" = fresh-test ]; then
  exec tools/fresh-test.sh
fi

jobs=$(nproc)
# A compiler cache, where the machine has one, spares rebuilding what did not change.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
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

# Leak reports name only the project's own code: LibreOffice's and the system libraries'
# lasting allocations are listed in the suppression files with the reason for each.
sanitizer_env() {
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/tools/sanitizers/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1
}

case "$mode" in fuzz|tsan) ;; *) build_tree build ;; esac

case "$mode" in
  build) ;;
  demo-hidraw) exec tools/demo-hidraw.sh ;;
  demo)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      # No screen to show the window on: the command-line tool reads the emulated gauge.
      echo "No display found: the records of the emulated gauge, read by build/palvarin-cli --demo read -o - :" >&2
      build/palvarin-cli --demo read -o -
      echo "To see the window, run ./setup.sh demo on a desktop (or over ssh -X), or on a virtual" >&2
      echo "screen with  xvfb-run -a ./setup.sh demo . More: build/palvarin-cli --help" >&2
      exit 0
    fi
    exec build/palvarin --demo
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build --output-on-failure -j"$jobs"
    build_tree build-asan -DPALVARIN_SANITIZE=ON
    sanitizer_env
    ctest --test-dir build-asan --output-on-failure -j"$jobs"
    ;;
  fuzz)
    seconds=${2:-60}
    CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPALVARIN_FUZZ=ON -DPALVARIN_WITH_CALC=OFF >/dev/null
    cmake --build build-fuzz -j"$jobs" --target palvarin_fuzzers
    sanitizer_env
    failed=0
    summary=()
    for dir in fuzz/corpus/*/; do
      target=$(basename "$dir")
      work=build-fuzz/corpus/$target    # new inputs go here, the checked-in seeds stay as they are
      mkdir -p "$work" build-fuzz/artifacts
      echo "== $target, ${seconds} s"
      log=build-fuzz/$target.log
      if build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -max_len=2048 \
           -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/"$target"- \
           "$work" "$dir" >"$log" 2>&1; then result=ok; else result=FAILED; failed=1; tail -40 "$log"; fi
      runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
      rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
      summary+=("$(printf '%-22s %s  %10s inputs  %6s exec/s' "$target" "$result" "${runs:-?}" "${rate:-?}")")
    done
    printf '%s\n' "${summary[@]}"
    exit "$failed"
    ;;
  tsan)
    # Qt is not built with TSan: its internals are listed in tools/sanitizers/tsan.supp.
    suites=(tst_HidDevice tst_HidLink tst_FramedLinkPushes tst_InstrumentCommands tst_EmulatorBackend
            test_connection test_reading tst_survey_store)
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALVARIN_TSAN=ON -DPALVARIN_WITH_CALC=OFF >/dev/null
    cmake --build build-tsan -j"$jobs" --target "${suites[@]}"
    # die_after_fork=0: the survey suite starts a child program (it execs at once).
    # ignore_noninstrumented_modules: allocations and copies that Qt's own code makes through
    # the run-time (its thread pools' tasks, freed on a pooled thread) are not judged.
    export TSAN_OPTIONS="suppressions=$PWD/tools/sanitizers/tsan.supp second_deadlock_stack=1 history_size=4 die_after_fork=0 ignore_noninstrumented_modules=1"
    # Tells TSan about the mutex release inside QWaitCondition::wait (link/TsanQtWait.cpp).
    export LD_PRELOAD=$PWD/build-tsan/link/libpv_tsan_qt_wait.so
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build-tsan --output-on-failure -j"$jobs" -R "^($(IFS='|'; echo "${suites[*]}"))\$"
    ;;
esac
