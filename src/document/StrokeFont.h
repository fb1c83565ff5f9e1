#pragma once

// The four stroke fonts of texts and point names: glyph tables and their metrics. Drawing
// (display lists) walks the same tables in the view; the document needs only the metrics.
//
// Table layout: (x, y) double pairs in font units; the pairs of a line strip are followed by
// (-1, -1), and a second (-1, -1) right after it ends the glyph. 256 glyphs, code 0 first, codes
// are Windows-1250. Capitals reach y = 1.0, lower case 0.667, descenders -0.333; every glyph
// starts at x = 0, and its advance is its largest x plus kStrokeGlyphGap.

#include <array>
#include <cstddef>
#include <string_view>

// Number of stroke fonts; indices outside 0..kStrokeFontCount-1 use the last font.
inline constexpr int kStrokeFontCount = 4;
// Glyphs per font, one per Windows-1250 code.
inline constexpr int kStrokeGlyphCount = 256;
// Space between the largest x of a glyph and the start of the next glyph.
inline constexpr double kStrokeGlyphGap = 0.2;
// Width of the space and of any glyph without strokes.
inline constexpr double kStrokeBlankWidth = 0.55;

// Raw glyph table of font 0..3 (another index gives font 3); sets pairCount to its pair count.
const double* GetStrokeFontTable(int font, size_t& pairCount);

// Name of font 0..3 ("font1_10i" ...); another index gives the name of font 3.
const char* GetStrokeFontName(int font);

// Per-glyph width, height and vertex count of every font, computed once from the tables.
class CStrokeFontMetrics {
public:
    // The process-wide instance; built on first use, safe to call from several threads.
    static const CStrokeFontMetrics& Get();

    // Largest x of the glyph; kStrokeBlankWidth for the space and for glyphs without strokes.
    double GlyphWidth(int font, unsigned char code) const;
    // Largest minus smallest y of the glyph; 0 for a glyph without strokes.
    double GlyphHeight(int font, unsigned char code) const;
    // Number of real vertices (terminators not counted) of the glyph.
    int GlyphVertexCount(int font, unsigned char code) const;
    // Largest vertex count of any glyph of any font (sizes per-character vertex estimates).
    int MaxGlyphVertexCount() const;

    // Extent of UTF-8 text (converted to Windows-1250 first; unmappable characters measure as
    // '?'): width = sum of (glyph width + gap) minus one gap, height = tallest glyph; 0, 0 if
    // empty.
    void MeasureString(std::string_view utf8, int font, double& width, double& height) const;
    // The same for text already in Windows-1250, one byte per character.
    void MeasureCodes(std::string_view cp1250, int font, double& width, double& height) const;

private:
    struct SGlyph {
        double width = kStrokeBlankWidth;  // glyphs without strokes keep it
        double height = 0.0;
        int vertexCount = 0;
    };

    CStrokeFontMetrics();
    const SGlyph& Glyph(int font, unsigned char code) const;

    std::array<std::array<SGlyph, kStrokeGlyphCount>, kStrokeFontCount> m_glyphs{};
    int m_maxVertexCount = 0;
};
