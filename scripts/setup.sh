#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6
    libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev
    clang libclang-rt-14-dev clang-format clang-tidy universal-ctags
    xvfb xauth socat
    fonts-dejavu-core fonts-liberation
    qt6-translations-l10n qt6-l10n-tools
    python3 python3-dbf python3-dbfread shapelib
    dpkg-dev file lintian desktop-file-utils appstream x11-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
