#!/usr/bin/env bash
# Installs a built kvlgrad package and runs the installed programs once:
# kvlgrad --help, kvlctl --help, and one kvlctl read against a kvlsim bus.
# As root the package is installed for real (apt-get resolves what it
# depends on); otherwise it is unpacked into a scratch folder and run there.
set -euo pipefail
deb=${1:?usage: check-package.sh kvlgrad_VERSION_ARCH.deb}
[ -f "$deb" ] || { echo "check-package: no package at $deb" >&2; exit 1; }

scratch=$(mktemp -d)
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

if [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall --no-install-recommends "$(realpath "$deb")"
  bin=/usr/bin
  man_dir=/usr/share/man/man1
else
  echo "check-package: not root, so the package is unpacked into $scratch instead of installed"
  dpkg-deb -x "$deb" "$scratch/root"
  bin=$scratch/root/usr/bin
  man_dir=$scratch/root/usr/share/man/man1
fi

fail() { echo "check-package: $*" >&2; exit 1; }
for f in "$bin/kvlgrad" "$bin/kvlctl" "$bin/kvlsim" "$man_dir/kvlctl.1.gz" "$man_dir/kvlsim.1.gz"; do
  [ -e "$f" ] || fail "the package did not install $f"
done
dpkg-deb -c "$deb" > "$scratch/contents"
grep -q 'usr/share/applications/kvlgrad.desktop' "$scratch/contents" || fail "no desktop entry in the package"

# The installed program keeps its files in the user's folders, not beside itself.
export HOME=$scratch/home XDG_CONFIG_HOME=
mkdir -p "$HOME"
"$bin/kvlgrad" --help | grep -q 'Usage: kvlgrad' || fail "kvlgrad --help printed no usage"
"$bin/kvlctl" --help | grep -q 'Usage: kvlctl' || fail "kvlctl --help printed no usage"

"$bin/kvlsim" --pty --no-stdin --type Z5 > "$scratch/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -s "$scratch/sim.out" ] && break; sleep 0.1; done
pty=$(head -n1 "$scratch/sim.out")
[ -e "$pty" ] || fail "kvlsim did not report its pseudo-terminal (got: $pty)"
"$bin/kvlctl" read --port "$pty" --addr 1 --first 0 --count 4 > "$scratch/read.out" ||
  fail "kvlctl read against kvlsim failed: $(cat "$scratch/read.out")"
[ "$(wc -l < "$scratch/read.out")" -eq 4 ] || fail "kvlctl read printed $(wc -l < "$scratch/read.out") lines, not 4"
echo "check-package: $(basename "$deb") installs and runs: kvlgrad --help, kvlctl --help, kvlctl read against kvlsim"
cat "$scratch/read.out"
