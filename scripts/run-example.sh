#!/bin/bash
# Builds the program and starts it on the example drawing shipped in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" -j "$(nproc)" --target tav
exec "$BUILD_DIR/src/tav" examples/plac.tav
