#pragma once

// The four stroke fonts as GL display lists: one list per character code, each drawing the
// glyph's line strips and then moving right by its advance, so glCallLists draws a string.

#include <string_view>

#include "document/StrokeFont.h"

class CStrokeFont {
public:
    CStrokeFont() = default;
    CStrokeFont(const CStrokeFont&) = delete;
    CStrokeFont& operator=(const CStrokeFont&) = delete;

    // Compiles 256 lists per font; the context must be current. Lists built before are freed.
    void BuildFontLists();
    // Deletes the lists; the context that built them must be current. Safe to call twice.
    void FreeFontLists();
    // True once the lists exist.
    bool HasLists() const { return m_base[0] != 0; }
    // First list of font 0..3 (another index gives font 3); 0 before BuildFontLists.
    unsigned int GetBase(int font) const;

    // Draws UTF-8 text with font 0..3 (another index gives font 3) from the current origin in
    // font units; characters outside Windows-1250 draw as '?'. Nothing without lists.
    void DrawString(std::string_view utf8, int font) const;
    // Width and height of the text in font units; 0, 0 for an empty text.
    static void MeasureString(std::string_view utf8, int font, double& width, double& height);

private:
    static int FontIndex(int font) { return font >= 0 && font < kStrokeFontCount ? font : 3; }

    unsigned int m_base[kStrokeFontCount] = {0, 0, 0, 0};
};
