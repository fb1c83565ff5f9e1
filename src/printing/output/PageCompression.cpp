#include "printing/output/PageCompression.h"

#include <zlib.h>

#include <atomic>

namespace {

std::atomic<int> g_guards{0};

}  // namespace

CFastPageCompression::CFastPageCompression() {
    g_guards.fetch_add(1, std::memory_order_relaxed);
}

CFastPageCompression::~CFastPageCompression() {
    g_guards.fetch_sub(1, std::memory_order_relaxed);
}

bool CFastPageCompression::Active() {
    return g_guards.load(std::memory_order_relaxed) > 0;
}

// Qt's PDF writer offers no choice of level and starts its streams through this entry of
// zlib. The program's own definition comes first when the dynamic linker binds Qt's call, and
// does what zlib's does (deflateInit2_ with zlib's defaults for the window and memory), with
// the level lowered while a guard lives. Explicit levels are left as they are.
extern "C" int deflateInit_(z_streamp strm, int level, const char* version, int streamSize) {
    if (level == Z_DEFAULT_COMPRESSION && CFastPageCompression::Active()) {
        level = Z_BEST_SPEED;
    }
    constexpr int kDefaultMemLevel = 8;
    return deflateInit2_(strm, level, Z_DEFLATED, MAX_WBITS, kDefaultMemLevel, Z_DEFAULT_STRATEGY,
                         version, streamSize);
}
