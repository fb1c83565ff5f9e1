#!/bin/bash
# Builds the program and opens the example drawing shipped in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" -j "$(nproc)" --target tavcli
"$BUILD_DIR/src/cli/tavcli" info examples/plac.tav
"$BUILD_DIR/src/cli/tavcli" dump examples/plac.tav
