#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# only those that are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libmodbus-dev mbpoll socat python3 python3-pymodbus
  qt6-base-dev fonts-liberation xvfb xauth locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# The window runs in ru_RU too; the tests check number formatting under it.
ensure_ru_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8 || echo "install-deps: could not build the ru_RU.UTF-8 locale" >&2
  fi
}

if [ ${#missing[@]} -eq 0 ]; then ensure_ru_locale; exit 0; fi

echo "Installing missing packages: ${missing[*]}"
if [ -n "$sudo" ]; then
  command -v sudo >/dev/null || { echo "install-deps: not root and no sudo; install: ${missing[*]}" >&2; exit 1; }
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
ensure_ru_locale
