#include "document/StrokeFont.h"

#include <algorithm>
#include <string>

#include "document/Cp1250.h"

namespace {

constexpr const char* kFontNames[kStrokeFontCount] = {"font1_10i", "font2_085i", "font3_10",
                                                      "font4_085"};

int ClampFont(int font) {
    return font >= 0 && font < kStrokeFontCount ? font : kStrokeFontCount - 1;
}

bool IsTerminator(const double* pair) {
    return pair[0] == -1.0 && pair[1] == -1.0;
}

}  // namespace

const char* GetStrokeFontName(int font) {
    return kFontNames[ClampFont(font)];
}

const CStrokeFontMetrics& CStrokeFontMetrics::Get() {
    static const CStrokeFontMetrics metrics;
    return metrics;
}

CStrokeFontMetrics::CStrokeFontMetrics() {
    for (int font = 0; font < kStrokeFontCount; ++font) {
        size_t pairCount = 0;
        const double* table = GetStrokeFontTable(font, pairCount);
        size_t i = 0;
        // A short table leaves the remaining glyphs blank rather than reading past its end.
        for (int code = 0; code < kStrokeGlyphCount && i < pairCount; ++code) {
            SGlyph& glyph = m_glyphs[font][code];
            double maxX = 0.0;
            double minY = 0.0;
            double maxY = 0.0;
            bool afterTerminator = false;
            for (; i < pairCount; ++i) {
                const double* pair = table + 2 * i;
                if (IsTerminator(pair)) {
                    if (afterTerminator) {
                        ++i;
                        break;
                    }
                    afterTerminator = true;
                    continue;
                }
                afterTerminator = false;
                if (glyph.vertexCount == 0) {
                    maxX = pair[0];
                    minY = maxY = pair[1];
                } else {
                    maxX = std::max(maxX, pair[0]);
                    minY = std::min(minY, pair[1]);
                    maxY = std::max(maxY, pair[1]);
                }
                ++glyph.vertexCount;
            }
            if (glyph.vertexCount > 0) {
                glyph.height = maxY - minY;
                if (code != ' ') {
                    glyph.width = maxX;
                }
            }
            m_maxVertexCount = std::max(m_maxVertexCount, glyph.vertexCount);
        }
    }
}

const CStrokeFontMetrics::SGlyph& CStrokeFontMetrics::Glyph(int font, unsigned char code) const {
    return m_glyphs[ClampFont(font)][code];
}

double CStrokeFontMetrics::GlyphWidth(int font, unsigned char code) const {
    return Glyph(font, code).width;
}

double CStrokeFontMetrics::GlyphHeight(int font, unsigned char code) const {
    return Glyph(font, code).height;
}

int CStrokeFontMetrics::GlyphVertexCount(int font, unsigned char code) const {
    return Glyph(font, code).vertexCount;
}

int CStrokeFontMetrics::MaxGlyphVertexCount() const {
    return m_maxVertexCount;
}

void CStrokeFontMetrics::MeasureString(std::string_view utf8, int font, double& width,
                                       double& height) const {
    const std::string codes = Utf8ToCp1250(utf8);
    MeasureCodes(codes, font, width, height);
}

void CStrokeFontMetrics::MeasureCodes(std::string_view cp1250, int font, double& width,
                                      double& height) const {
    width = 0.0;
    height = 0.0;
    for (size_t i = 0; i < cp1250.size(); ++i) {
        const SGlyph& glyph = Glyph(font, static_cast<unsigned char>(cp1250[i]));
        // A gap only between glyphs: the same as summing (width + gap) and dropping the last gap.
        if (i > 0) {
            width += kStrokeGlyphGap;
        }
        width += glyph.width;
        height = std::max(height, glyph.height);
    }
}
