#!/usr/bin/env bash
# The Windows operators' zip: kvlctl.exe (static, one file), the man pages as
# text with CR LF, the profiles when the tree has them, and the README's
# Windows section. Usage: scripts/windows-package.sh [WINDOWS_BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
wb=${1:-build-windows}
version=$(sed -n 's/^project(KvlGrad VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=kvlgrad-$version-windows-x64
stage="$wb/package/$name"
rm -rf "$stage" && mkdir -p "$stage/man"
cp "$wb/tools/kvlctl.exe" "$stage/"
for page in packaging/kvlctl.1 packaging/kvlsim.1 packaging/kvlgrad.1; do
  # Plain text (no overstrike) with Windows line ends, for Notepad.
  GROFF_NO_SGR=1 groff -man -Tascii -P-c -P-b -P-u "$page" 2>/dev/null | sed 's/$/\r/' \
    >"$stage/man/$(basename "$page" .1).txt"
done
[ -d profiles ] && cp -r profiles "$stage/"
# The README's section for Windows operators, as its own file.
awk '/^## Windows/{on=1} on && /^## / && !/^## Windows/{exit} on' README.md | sed 's/$/\r/' >"$stage/README-Windows.txt"
[ -s "$stage/README-Windows.txt" ] || { echo "windows-package: README has no Windows section" >&2; exit 1; }
(cd "$wb/package" && rm -f "$name.zip" && zip -qr "$name.zip" "$name")
echo "$wb/package/$name.zip"
