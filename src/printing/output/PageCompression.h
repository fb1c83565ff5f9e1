#pragma once

// Qt's PDF writer compresses each page at zlib's default level. On the page of a large
// drawing that costs more than capturing and drawing all of its lines; at zlib's fastest
// level the page is written about three times as fast and comes out about a quarter larger.
// While a guard lives, compressions this process starts at the default level run at the
// fastest one.
class CFastPageCompression {
public:
    CFastPageCompression();
    ~CFastPageCompression();
    CFastPageCompression(const CFastPageCompression&) = delete;
    CFastPageCompression& operator=(const CFastPageCompression&) = delete;

    // True while some guard lives.
    static bool Active();
};
