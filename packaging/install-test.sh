#!/usr/bin/env bash
# Installs palvarin_<version>_<arch>.deb into a clean Debian 12 root, the way a user would
# (apt resolves the dependencies), tries the program there, then purges it and checks that
# nothing of the package is left. Needs root, debootstrap, netpbm and file (./setup.sh package-test).
#
#   packaging/install-test.sh build-package/palvarin_1.2_amd64.deb
#   packaging/install-test.sh --prepare     only makes the cached clean root
#
# The clean root (tools/clean-root.sh: debootstrap --variant=minbase bookworm) and the
# downloaded packages are cached under $PALVARIN_TEST_ROOT_CACHE; every run works on a fresh
# copy of the root, so nothing of an earlier run or of the build is in it. Xvfb for the
# window test is installed with the package.
set -euo pipefail

arg=${1:?usage: $0 palvarin_VERSION_ARCH.deb | --prepare}
deb=
[ "$arg" = --prepare ] || deb=$(realpath "$arg")
start_label="install test"
# shellcheck source=../tools/clean-root.sh
. "$(dirname "$0")/../tools/clean-root.sh"
screenshot=${PALVARIN_TEST_SCREENSHOT:-$(dirname "${deb:-.}")/install-test-demo.png}
# As the test user, in a login-like environment without a display.
as_user() { chroot --userspec=tester:tester "$root" /usr/bin/env -i PATH=/usr/bin:/bin LANG=C.UTF-8 \
              HOME=/home/tester XDG_RUNTIME_DIR=/tmp/runtime-tester "$@"; }

prepare_base

if [ -z "$deb" ]; then
  echo "clean root ready in $base ($((SECONDS - start)) s)"
  exit 0
fi

copy_root
install -d -o "$(chroot "$root" id -u tester)" -m 700 "$root/tmp/runtime-tester"

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root DEBIAN_FRONTEND=noninteractive sh -c \
  "apt-get update -q && apt-get install -y -q --no-install-recommends /tmp/$(basename "$deb") xvfb xauth" >"$cache/install.log" 2>&1 ||
  { tail -30 "$cache/install.log"; fail "apt-get install"; }
grep -E '^(Need to get|After this operation|[0-9]+ upgraded)' "$cache/install.log" || true
recommends=$(dpkg-deb -f "$deb" Recommends)
[[ $recommends == *libreoffice-calc* ]] || fail "LibreOffice Calc is not recommended: '$recommends'"
# The window starts in Chinese; a desktop gets the recommended font, so does this test.
in_root DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends fonts-wqy-microhei \
  >>"$cache/install.log" 2>&1 || fail "installing the recommended font"
mapfile -t package_files < <(in_root dpkg-query -L palvarin)

step "the installed files"
for f in /usr/bin/palvarin /usr/lib/udev/rules.d/70-palvarin.rules /usr/share/applications/palvarin.desktop \
         /usr/share/icons/hicolor/scalable/apps/palvarin.svg /usr/share/icons/hicolor/48x48/apps/palvarin.png \
         /usr/share/icons/hicolor/128x128/apps/palvarin.png /usr/share/icons/hicolor/256x256/apps/palvarin.png \
         /usr/share/metainfo/palvarin.metainfo.xml /usr/share/man/man1/palvarin.1.gz \
         /usr/share/doc/palvarin/copyright /usr/share/doc/palvarin/changelog.gz \
         /usr/share/palvarin/meterno /usr/share/palvarin/unitno \
         /usr/share/palvarin/Palvarin_zh.qm; do
  [ -f "$root$f" ] || fail "$f is missing"
done
grep -q 'ATTRS{idVendor}=="2047", ATTRS{idProduct}=="0301", TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-palvarin.rules" ||
  fail "the udev rule does not grant the seat's user the gauge"
grep -qx 'Exec=palvarin' "$root/usr/share/applications/palvarin.desktop" || fail "desktop entry: no Exec=palvarin"
grep -qx 'Icon=palvarin' "$root/usr/share/applications/palvarin.desktop" || fail "desktop entry: no Icon=palvarin"
grep -q '<modalias>usb:v2047p0301\*</modalias>' "$root/usr/share/metainfo/palvarin.metainfo.xml" || fail "metainfo: no modalias"
gzip -dc "$root/usr/share/man/man1/palvarin.1.gz" | grep -q '^\.TH PALVARIN 1' || fail "manual page"
for png in 48 128 256; do
  size=$(file -b "$root/usr/share/icons/hicolor/${png}x${png}/apps/palvarin.png")
  [[ $size == "PNG image data, $png x $png,"* ]] || fail "the ${png} px icon is '$size'"
done

step "palvarin --version, --help and a wrong option, without a display"
version=$(as_user palvarin --version) || fail "--version exited $?"
[ "$version" = "palvarin $(dpkg-deb -f "$deb" Version)" ] || fail "--version printed '$version'"
echo "$version"
as_user palvarin --help | grep -q -- '--demo-config <file>' || fail "--help lacks --demo-config"
set +e
as_user palvarin --no-such-option 2>/dev/null; code=$?
as_user palvarin 2>"$root/tmp/no-display.txt"; no_display=$?
set -e
[ "$code" -eq 2 ] || fail "an unknown option exited $code, not 2"
[ "$no_display" -eq 1 ] && grep -q 'no display' "$root/tmp/no-display.txt" || fail "a run without a display gave no hint"

# Runs palvarin --demo under Xvfb as the test user for $1 seconds with its messages logged to
# /tmp/messages.log; it must not end by itself. The screen is copied from Xvfb's frame buffer
# file to /tmp/fb/shot.xwd while the program runs.
run_demo() {
  rm -rf "$root/tmp/fb" "$root/tmp/messages.log"
  install -d -m 777 "$root/tmp/fb"
  as_user PALVARIN_UNATTENDED_LOG=/tmp/messages.log SECONDS_TO_RUN="$1" \
    xvfb-run -a -s "-screen 0 1280x800x24 -fbdir /tmp/fb" sh -c \
    'palvarin --demo & p=$!; sleep $SECONDS_TO_RUN; kill -0 $p || exit 3
     cp /tmp/fb/Xvfb_screen0 /tmp/fb/shot.xwd; kill $p; wait $p; exit 0' \
    >"$root/tmp/demo.log" 2>&1 || { cat "$root/tmp/demo.log"; fail "palvarin --demo did not run for $1 s"; }
  touch "$root/tmp/messages.log"
}

step "palvarin --demo under Xvfb"
run_demo 8
xwdtopnm "$root/tmp/fb/shot.xwd" 2>/dev/null | pnmtopng >"$screenshot"
# A window was drawn: a blank screen has one colour.
colours=$(pngtopnm "$screenshot" | ppmhist -noheader | wc -l)
[ "$colours" -gt 50 ] || fail "the screenshot has $colours colours: no window drawn"
echo "screenshot: $screenshot ($colours colours)"
# The shipped meter table serves the demo gauge (meter type 2, firmware 1.25): no complaint.
if grep '^information' "$root/tmp/messages.log"; then fail "the demo gauge was refused with the shipped tables"; fi

step "a meter table in ~/.config/Palvarin overrides the shipped one"
as_user sh -c 'mkdir -p ~/.config/Palvarin && printf "[Device1]\nMeterNo=2\nUIIndex=2\nVersion=200\n" >~/.config/Palvarin/meterno'
run_demo 5
grep -q '^information|.*|仪器版本过低!' "$root/tmp/messages.log" ||
  { cat "$root/tmp/messages.log"; fail "the user's meter table (lowest firmware 2.00) was not used"; }
rm -r "$root/home/tester/.config/Palvarin"

step "apt-get purge palvarin"
in_root DEBIAN_FRONTEND=noninteractive apt-get purge -y -q palvarin >"$cache/purge.log" 2>&1 ||
  { tail -20 "$cache/purge.log"; fail "apt-get purge"; }
left=()
for f in "${package_files[@]}"; do
  [ "$f" = /. ] && continue
  if [ -d "$root$f" ] && [ ! -L "$root$f" ]; then
    # A folder stays only while another package or a user file still uses it.
    [ -n "$(ls -A "$root$f")" ] || left+=("$f/")
  elif [ -e "$root$f" ] || [ -L "$root$f" ]; then
    left+=("$f")
  fi
done
((${#left[@]} == 0)) || fail "left behind after the purge: ${left[*]}"
in_root dpkg-query -W -f='${db:Status-Abbrev}' palvarin 2>/dev/null | grep -q '^.i' && fail "still installed"

remove_root
echo "install test passed in $((SECONDS - start)) s"
