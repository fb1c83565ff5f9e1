#include "view/gl/StrokeFontGL.h"

#include <GL/gl.h>

#include <string>

#include "document/Cp1250.h"

namespace {

bool IsTerminator(const double* pair) {
    return pair[0] == -1.0 && pair[1] == -1.0;
}

}  // namespace

void CStrokeFont::BuildFontLists() {
    FreeFontLists();
    const CStrokeFontMetrics& metrics = CStrokeFontMetrics::Get();
    glShadeModel(GL_FLAT);
    for (int font = 0; font < kStrokeFontCount; ++font) {
        const GLuint base = glGenLists(kStrokeGlyphCount);
        if (base == 0) {
            continue;  // out of list names: texts of this font are not drawn
        }
        m_base[font] = base;
        glListBase(base);
        size_t pairCount = 0;
        const double* table = GetStrokeFontTable(font, pairCount);
        size_t i = 0;
        for (int code = 0; code < kStrokeGlyphCount; ++code) {
            glNewList(base + static_cast<GLuint>(code), GL_COMPILE);
            bool inStrip = false;
            bool afterTerminator = false;
            // A short table leaves the remaining glyphs blank.
            for (; i < pairCount; ++i) {
                const double* pair = table + 2 * i;
                if (IsTerminator(pair)) {
                    if (inStrip) {
                        glEnd();
                        inStrip = false;
                    }
                    if (afterTerminator) {
                        ++i;
                        break;
                    }
                    afterTerminator = true;
                    continue;
                }
                afterTerminator = false;
                if (!inStrip) {
                    glBegin(GL_LINE_STRIP);
                    inStrip = true;
                }
                glVertex2d(pair[0], pair[1]);
            }
            if (inStrip) {
                glEnd();
            }
            const unsigned char c = static_cast<unsigned char>(code);
            glTranslated(metrics.GlyphWidth(font, c) + kStrokeGlyphGap, 0.0, 0.0);
            glEndList();
        }
    }
}

void CStrokeFont::FreeFontLists() {
    for (unsigned int& base : m_base) {
        if (base != 0) {
            glDeleteLists(base, kStrokeGlyphCount);
            base = 0;
        }
    }
}

unsigned int CStrokeFont::GetBase(int font) const {
    return m_base[FontIndex(font)];
}

void CStrokeFont::DrawString(std::string_view utf8, int font) const {
    const GLuint base = m_base[FontIndex(font)];
    if (base == 0 || utf8.empty()) {
        return;
    }
    const std::string codes = Utf8ToCp1250(utf8);
    glListBase(base);
    glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
}

void CStrokeFont::MeasureString(std::string_view utf8, int font, double& width, double& height) {
    CStrokeFontMetrics::Get().MeasureString(utf8, FontIndex(font), width, height);
}
