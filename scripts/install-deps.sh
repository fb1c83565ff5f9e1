#!/bin/sh
# Installs every Debian package the project needs; a no-op when all are present.
set -eu

PACKAGES="
build-essential
cmake
ninja-build
pkg-config
clang
clang-format
libclang-rt-14-dev
libgtest-dev
libgmock-dev
qt6-base-dev
libqt6opengl6-dev
qt6-translations-l10n
libgl-dev
libglu1-mesa-dev
zlib1g-dev
libgl1-mesa-dri
xvfb
xauth
nlohmann-json3-dev
hershey-fonts-data
poppler-utils
python3-ezdxf
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "install-deps: installing$missing"
$SUDO apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
