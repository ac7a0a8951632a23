#!/usr/bin/env bash
# Runs the README's two quick-start commands as a newcomer would, on a clean Debian 12 root
# (tools/clean-root.sh) holding a copy of the committed tree: ./setup.sh demo without a
# display, then ./setup.sh test. It shows that setup.sh installs everything a fresh machine
# lacks, which our own machines cannot show. Needs root, debootstrap and the network to
# Debian's archive (./setup.sh fresh-test installs debootstrap).
#
#   tools/fresh-test.sh [REV]     the tree at REV (default HEAD); log in build-fresh/
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-HEAD}
start_label="fresh-machine test"
. tools/clean-root.sh
logs=$PWD/build-fresh
mkdir -p "$logs"

prepare_base
copy_root
step "the tree at $(git rev-parse --short "$rev") into /home/tester/palvarin"
git archive --prefix=palvarin/ "$rev" | tar -x -C "$root/home/tester"

# As a newcomer with root: the quick start's commands, nothing else beforehand.
run_step() { # name, command...
  local name=$1; shift
  step "$name"
  if ! in_root HOME=/root sh -c "cd /home/tester/palvarin && $*" >"$logs/$name.log" 2>&1; then
    tail -40 "$logs/$name.log"
    fail "$* (log: $logs/$name.log)"
  fi
}
run_step demo ./setup.sh demo
grep -q 'Thickness' "$logs/demo.log" || { tail -20 "$logs/demo.log"; fail "the demo printed no records"; }
run_step test ./setup.sh test
grep -E 'tests passed|tests failed' "$logs/test.log"

remove_root
echo "fresh-machine test passed in $((SECONDS - start)) s"
