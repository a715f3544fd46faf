#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# only those that are missing, then checks that every runtime piece the tests
# rely on really works, so that a missing piece shows up here by name and not
# later as a puzzling test failure. Uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libmodbus-dev mbpoll socat
  # The pymodbus test peer serves a serial line: its serial modules are only
  # "recommended" by python3-pymodbus, so they are named here.
  python3 python3-pymodbus python3-serial python3-serial-asyncio
  qt6-base-dev fonts-liberation xvfb xauth locales
  # Qt's own texts (the file dialogs') in the Russian interface.
  qt6-translations-l10n
  # The fuzz harnesses: clang and its libFuzzer and sanitizer runtimes.
  clang libclang-rt-14-dev
  # The print test: reports rendered to PDF by a real browser, read back per page.
  chromium poppler-utils
  # The Windows build (MinGW-w64 with POSIX threads), its tests under Wine and
  # its package (zip; man pages as text through groff).
  g++-mingw-w64-x86-64-posix wine wine64 zip groff-base
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  if [ -n "$sudo" ]; then
    command -v sudo >/dev/null || { echo "install-deps: not root and no sudo; install: ${missing[*]}" >&2; exit 1; }
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The window runs in ru_RU too; the tests check number formatting under it.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8 || true
fi

# ---- Each runtime piece the tests use, tried for real ----
failed=0
check() {  # check "what it is" "how to mend it" command...
  local what=$1 mend=$2; shift 2
  if ! "$@" >/dev/null 2>&1; then
    echo "install-deps: $what does not work ($mend)" >&2
    failed=1
  fi
}
check "the pymodbus serial server (/usr/bin/python3: pymodbus, serial, serial_asyncio)" \
  "install python3-pymodbus python3-serial python3-serial-asyncio" \
  /usr/bin/python3 -c 'import serial, serial_asyncio; from pymodbus.server import StartSerialServer'
check "socat" "install socat" \
  bash -c '[ "$(printf ping | timeout 5 socat -t1 - EXEC:cat)" = ping ]'
check "mbpoll" "install mbpoll" mbpoll -V
check "the ru_RU.UTF-8 locale" "install locales and run: localedef -i ru_RU -f UTF-8 ru_RU.UTF-8" \
  bash -c '[ "$(LC_ALL=ru_RU.UTF-8 locale decimal_point)" = "," ]'
check "libmodbus" "install libmodbus-dev" pkg-config --exists libmodbus
check "Qt 6 Widgets" "install qt6-base-dev" pkg-config --exists Qt6Widgets
check "Qt's Russian translations" "install qt6-translations-l10n" \
  bash -c '[ -s "$(pkg-config --variable=prefix Qt6Core)/share/qt6/translations/qtbase_ru.qm" ]'
check "clang's libFuzzer (clang++ -fsanitize=fuzzer)" "install clang libclang-rt-14-dev" \
  bash -c 'd=$(mktemp -d) && trap "rm -rf \"$d\"" EXIT &&
    printf "%s\n" "#include <cstddef>" "#include <cstdint>" \
      "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }" >"$d/t.cpp" &&
    clang++ -fsanitize=fuzzer,address,undefined "$d/t.cpp" -o "$d/t" && "$d/t" -runs=1'
check "headless chromium printing to PDF, and pdftotext" "install chromium poppler-utils" \
  bash -c 'd=$(mktemp -d) && trap "rm -rf \"$d\"" EXIT &&
    printf "%s" "<!DOCTYPE html><p>print check</p>" >"$d/p.html" &&
    timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
      --disable-background-networking --disable-component-update --disable-sync --no-pdf-header-footer \
      --user-data-dir="$d/profile" --print-to-pdf="$d/p.pdf" "file://$d/p.html" &&
    pdftotext "$d/p.pdf" - | grep -q "print check"'
# Wine itself is tried on a real program by `make windows-test`, once per
# prefix (its first start takes a while); here only that it is there.
check "MinGW-w64 (x86_64, POSIX threads)" "install g++-mingw-w64-x86-64-posix" \
  bash -c 'd=$(mktemp -d) && trap "rm -rf \"$d\"" EXIT &&
    printf "%s\n" "#include <thread>" "int main() { std::thread([]{}).join(); }" >"$d/t.cpp" &&
    x86_64-w64-mingw32-g++-posix -static "$d/t.cpp" -o "$d/t.exe"'
check "Wine" "install wine wine64" wine --version
check "the Liberation fonts (\"Arial\")" "install fonts-liberation" bash -c 'fc-match Arial | grep -qi liberation'
if [ "$failed" -ne 0 ]; then
  echo "install-deps: some pieces the tests need are missing; see above." >&2
  exit 1
fi
