#!/bin/bash
# Builds the libFuzzer targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer) in their
# own build folder and runs each for SECONDS (default 10), seeded from the test fixtures, the
# example drawing and ../shared/corpus when it is there. A crash, leak or sanitizer report
# fails the run and leaves the input in the build folder.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-10}
shift || true
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
ALL_TARGETS=(fuzz_tav_load fuzz_data_node fuzz_dxf fuzz_pnt fuzz_gsi fuzz_csv fuzz_pnl fuzz_crv
    fuzz_asc fuzz_pym fuzz_history)
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
    TARGETS=("${ALL_TARGETS[@]}")
fi

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAV_FUZZ=ON -DTAV_BUILD_TESTS=OFF -DTAV_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${TARGETS[@]}"

# The files of one kind that seed a target: fixtures and corpus files up to 256 KB, so the
# first pass over the seeds stays short.
seeds_for() {
    local pattern
    case "$1" in
        fuzz_tav_load) pattern='*.tav' ;;
        fuzz_dxf) pattern='*.dxf' ;;
        fuzz_pnt) pattern='*.pnt' ;;
        fuzz_gsi) pattern='*.gsi' ;;
        fuzz_csv) pattern='*.pnt' ;;
        fuzz_pnl) pattern='*.pnl' ;;
        fuzz_crv) pattern='*.crv' ;;
        fuzz_asc) pattern='*.asc' ;;
        fuzz_pym) pattern='*.pym' ;;
        *) return 0 ;;
    esac
    local dirs=(tests examples)
    if [ -d ../shared/corpus ]; then
        dirs+=(../shared/corpus)
    fi
    find "${dirs[@]}" -type f -iname "$pattern" -size -256k 2>/dev/null
}

for t in "${TARGETS[@]}"; do
    corpus="$BUILD_DIR/corpus/$t"
    mkdir -p "$corpus"
    while IFS= read -r f; do
        cp -n "$f" "$corpus/" 2>/dev/null || true
    done < <(seeds_for "$t")
    echo "== $t: $(find "$corpus" -type f | wc -l) seeds, ${SECONDS_EACH} s"
    status=0
    (cd "$BUILD_DIR" && "./fuzz/$t" -max_total_time="$SECONDS_EACH" -max_len=65536 \
        -rss_limit_mb=2048 -timeout=20 "corpus/$t") >"$BUILD_DIR/$t.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$BUILD_DIR/$t.log" >&2
        echo "fuzz: $t failed (status $status); the input is in $BUILD_DIR" >&2
        exit 1
    fi
    grep -E "^(#[0-9]+ +DONE|Done [0-9]+ runs)" "$BUILD_DIR/$t.log" | tail -n 1 || true
done
echo "fuzz: every target ran ${SECONDS_EACH} s without a finding"
