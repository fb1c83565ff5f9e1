#!/bin/bash
# Configures, builds and runs every test; the README's test command.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAV_WERROR=ON
cmake --build "$BUILD_DIR" -j "$(nproc)"
# GL tests need an X server; xvfb-run gives them one without a screen. -noreset keeps the
# server from resetting whenever its last client leaves, which refuses a test process that
# connects at that moment; a test that still fails to reach the display gets one more run.
xvfb-run -a -s "-screen 0 1600x1000x24 -noreset" \
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --repeat until-pass:2
