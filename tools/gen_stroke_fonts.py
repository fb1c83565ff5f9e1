#!/usr/bin/env python3
"""Generates src/document/StrokeFontData.cpp, the glyph tables of the four stroke fonts.

The strokes come from the Hershey simplex roman font (Debian package hershey-fonts-data,
rowmans.jhf). Letters of Windows-1250 that Hershey lacks are composed from a base letter and
diacritic strokes drawn here; a few symbols are drawn here as well.

Usage: python3 tools/gen_stroke_fonts.py [-i /usr/share/hershey-fonts/rowmans.jhf]
                                         [-o src/document/StrokeFontData.cpp]

Table layout (per font): flat (x, y) double pairs; the pairs of a line strip are followed by
(-1, -1); a second (-1, -1) right after the first ends the glyph. 256 glyphs, code 0 first.
Units: capital height 1.0 above the baseline, x-height 0.667, descenders down to -0.333.
Every glyph starts at x = 0, so its advance is its largest x plus the inter-glyph gap.
"""

import argparse
import math
import os
import sys
import unicodedata

DEFAULT_INPUT = "/usr/share/hershey-fonts/rowmans.jhf"
DEFAULT_OUTPUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "src",
                              "document", "StrokeFontData.cpp")

FONT_NAMES = ["font1_10i", "font2_085i", "font3_10", "font4_085"]
SLANT_DEGREES = 15.0
NARROW = 0.85

# Hershey simplex: baseline at y 9, capitals up to -12, x-height 14 units (y grows downwards).
HERSHEY_BASELINE = 9
UNIT = 21.0  # Hershey units per font unit (capital height)
X_HEIGHT = 14.0
CAP_HEIGHT = 21.0

# x is stored on a 0.002 grid so that the narrow fonts (x * 0.85) stay exact in 4 decimals.
X_GRID = 500  # steps per font unit
Y_GRID = 10000


# ---------------------------------------------------------------------------------------------
# Reading Hershey .jhf

def read_jhf(path):
    """Returns the glyphs of a .jhf file in file order; a glyph is a list of strokes, a stroke a
    list of (x, y) in Hershey units with y pointing up and the baseline at 0."""
    with open(path, "r", encoding="ascii") as f:
        lines = [line.rstrip("\r\n") for line in f]
    glyphs = []
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.strip():
            continue
        count = int(line[5:8])
        data = line[8:]
        # Long records continue on the following lines.
        while len(data) < 2 * count and i < len(lines):
            data += lines[i]
            i += 1
        if len(data) < 2 * count:
            raise ValueError("%s: truncated glyph record" % path)
        strokes = []
        current = []
        for k in range(1, count):  # pair 0 holds the left and right bounds
            a, b = data[2 * k], data[2 * k + 1]
            if a == " " and b == "R":
                if current:
                    strokes.append(current)
                current = []
                continue
            x = ord(a) - ord("R")
            y = HERSHEY_BASELINE - (ord(b) - ord("R"))
            current.append((float(x), float(y)))
        if current:
            strokes.append(current)
        glyphs.append(strokes)
    return glyphs


# ---------------------------------------------------------------------------------------------
# Geometry helpers (Hershey units, y up)

def points(strokes):
    return [p for s in strokes for p in s]


def bbox(strokes):
    pts = points(strokes)
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return min(xs), min(ys), max(xs), max(ys)


def moved(strokes, dx, dy):
    return [[(x + dx, y + dy) for x, y in s] for s in strokes]


def scaled(strokes, sx, sy=None):
    sy = sx if sy is None else sy
    return [[(x * sx, y * sy) for x, y in s] for s in strokes]


def circle(cx, cy, r, n=12):
    return [[(cx + r * math.cos(2 * math.pi * k / n), cy + r * math.sin(2 * math.pi * k / n))
             for k in range(n + 1)]]


def dot(cx, cy):
    # The small diamond Hershey uses for the dot of i and the full stop.
    return [[(cx - 1, cy), (cx, cy + 1), (cx + 1, cy), (cx, cy - 1), (cx - 1, cy)]]


def side_by_side(a, b, gap=3.0):
    """Places glyph b right of glyph a."""
    if not a:
        return b
    ax0, _, ax1, _ = bbox(a)
    bx0, _, _, _ = bbox(b)
    return a + moved(b, ax1 + gap - bx0, 0)


# ---------------------------------------------------------------------------------------------
# Diacritics. Each mark is drawn centred on x = cx, from height `base` upwards, `h` high.

def mark_acute(cx, base, h):
    return [[(cx - 1, base), (cx + 2, base + h)]]


def mark_grave(cx, base, h):
    return [[(cx + 1, base), (cx - 2, base + h)]]


def mark_circumflex(cx, base, h):
    return [[(cx - 3, base), (cx, base + h), (cx + 3, base)]]


def mark_caron(cx, base, h):
    return [[(cx - 3, base + h), (cx, base), (cx + 3, base + h)]]


def mark_breve(cx, base, h):
    return [[(cx - 3, base + h), (cx - 2, base + h * 0.35), (cx, base),
             (cx + 2, base + h * 0.35), (cx + 3, base + h)]]


def mark_dot(cx, base, h):
    return dot(cx, base + h / 2)


def mark_diaeresis(cx, base, h):
    return dot(cx - 2.5, base + h / 2) + dot(cx + 2.5, base + h / 2)


def mark_ring(cx, base, h):
    r = h / 2
    return circle(cx, base + r, r, 10)


def mark_double_acute(cx, base, h):
    return mark_acute(cx - 2, base, h) + mark_acute(cx + 2, base, h)


MARKS_ABOVE = {
    "\u0301": mark_acute,
    "\u0300": mark_grave,
    "\u0302": mark_circumflex,
    "\u030c": mark_caron,
    "\u0306": mark_breve,
    "\u0307": mark_dot,
    "\u0308": mark_diaeresis,
    "\u030a": mark_ring,
    "\u030b": mark_double_acute,
}


def ogonek(ax, ay=0.0):
    # Hook below the baseline, bending left and ending in a tail to the right.
    return [[(ax, ay), (ax - 1.5, ay - 1.5), (ax - 2.2, ay - 3), (ax - 1.8, ay - 4.3),
             (ax - 0.6, ay - 5), (ax + 1.2, ay - 5)]]


def cedilla(ax, ay=0.0):
    return [[(ax, ay), (ax, ay - 1.5), (ax + 1.5, ay - 2.5), (ax + 1.8, ay - 3.8),
             (ax + 0.8, ay - 4.8), (ax - 1.5, ay - 5)]]


def apostrophe(x, top):
    # The caron of d, l, t and L, written as a short stroke right of the ascender.
    return [[(x + 0.5, top), (x + 1, top - 0.5), (x + 0.5, top - 1), (x, top - 0.5),
             (x + 0.5, top), (x + 0.5, top - 2), (x - 0.5, top - 4)]]


def lowest_point_near_centre(strokes):
    x0, y0, x1, _ = bbox(strokes)
    cx = (x0 + x1) / 2
    low = [p for p in points(strokes) if p[1] <= y0 + 0.5]
    return min(low, key=lambda p: abs(p[0] - cx))


def dotless(strokes):
    # Drops the dot of i (or j): strokes lying wholly above the x-height.
    return [s for s in strokes if min(p[1] for p in s) <= X_HEIGHT + 1]


# Where the ogonek joins its letter, as an x relative to the letter's box.
OGONEK_ATTACH = {
    "a": lambda x0, x1: x1,
    "A": lambda x0, x1: x1,
    "e": lambda x0, x1: (x0 + x1) / 2 + 1.5,
    "E": lambda x0, x1: x1 - 2,
}


def compose(base_char, marks, ascii_glyphs):
    """Letter with combining marks (NFD order), or None when a mark is unknown."""
    base = ascii_glyphs.get(base_char)
    if not base:
        return None
    if base_char in "ij" and any(m in MARKS_ABOVE for m in marks):
        base = dotless(base)
    strokes = [list(s) for s in base]
    for m in marks:
        x0, y0, x1, y1 = bbox(base)
        cx = (x0 + x1) / 2
        if m == "\u030c" and base_char in "dltL":
            if base_char == "d":
                stem, top = x1, CAP_HEIGHT
            elif base_char == "t":
                stem, top = cx, CAP_HEIGHT - 3
            else:
                stem, top = x0, CAP_HEIGHT
            strokes += apostrophe(stem + 3, top)
        elif m in MARKS_ABOVE:
            top = max(p[1] for p in points(strokes))
            h = 4 if top <= X_HEIGHT + 1 else 3
            strokes += MARKS_ABOVE[m](cx, top + 2, h)
        elif m == "\u0328":
            attach = OGONEK_ATTACH.get(base_char)
            if attach is None:
                return None
            strokes += ogonek(attach(x0, x1))
        elif m == "\u0327":
            ax, ay = lowest_point_near_centre(base)
            strokes += cedilla(ax, ay)
        else:
            return None
    return strokes


def stroked_letter(char, ascii_glyphs):
    """L, l, D and d with the stroke through the stem (Ł ł Đ đ)."""
    g = [list(s) for s in ascii_glyphs[char]]
    x0, _, x1, _ = bbox(g)
    if char == "L":
        return g + [[(x0 - 3, 8), (x0 + 4, 13)]]
    if char == "l":
        return g + [[(x0 - 3, 9), (x0 + 3, 14)]]
    if char == "D":
        return g + [[(x0 - 3, 10.5), (x0 + 5, 10.5)]]
    if char == "d":
        return g + [[(x1 - 5, 18), (x1 + 2, 18)]]
    raise ValueError(char)


def sharp_s():
    return [[(-5, 0), (-5, 15), (-4.5, 18), (-3, 20.3), (-1, 21), (1, 21), (3, 20), (4, 18),
             (4, 16.5), (3, 14.8), (1.2, 13.6), (-0.5, 13.3)],
            [(1.2, 13.6), (3.6, 12.4), (5.2, 10.6), (6, 8), (6, 5), (5.2, 2.2), (3.6, 0.6),
             (1.6, 0), (-0.5, 0.3)]]


def symbols(g):
    """Signs of Windows-1250 outside ASCII, keyed by code; g maps ASCII chars to glyphs."""
    comma = g[","]
    quote_left = g["`"]
    quote_right = g["'"]
    period = g["."]
    hyphen = g["-"]
    out = {}
    out[0x80] = g["C"] + [[(-11, 12), (2, 12)], [(-11, 8.5), (2, 8.5)]]  # euro
    out[0x82] = comma
    out[0x84] = side_by_side(comma, comma, 1.5)
    out[0x85] = side_by_side(side_by_side(period, period, 4), period, 4)
    out[0x86] = [[(0, -4), (0, 21)], [(-5, 14), (5, 14)]]
    out[0x87] = [[(0, -4), (0, 21)], [(-5, 15), (5, 15)], [(-5, 3), (5, 3)]]
    percent = g["%"]
    # The per mille sign: the per cent sign with its lower ring repeated to the right.
    low_ring = min(percent, key=lambda s: sum(p[1] for p in s) / len(s) - sum(
        p[0] for p in s) / len(s))
    rx0, _, rx1, _ = bbox([low_ring])
    out[0x89] = percent + moved([low_ring], rx1 - rx0 + 2, 0)
    chev_l = [[(3, 12), (-1, 7), (3, 2)]]
    chev_r = [[(-1, 12), (3, 7), (-1, 2)]]
    out[0x8B] = chev_l
    out[0x9B] = chev_r
    out[0x91] = quote_left
    out[0x92] = quote_right
    out[0x93] = side_by_side(quote_left, quote_left, 1.5)
    out[0x94] = side_by_side(quote_right, quote_right, 1.5)
    out[0x95] = circle(0, 9, 2.5) + circle(0, 9, 1.5, 8) + circle(0, 9, 0.6, 6)
    out[0x96] = [[(0, 9), (20, 9)]]
    out[0x97] = [[(0, 9), (32, 9)]]
    out[0x99] = side_by_side(moved(scaled(g["T"], 0.45), 0, 12), moved(scaled(g["M"], 0.45), 0, 12),
                             1.5)
    out[0xA0] = []  # no-break space: blank like the space
    out[0xA1] = mark_caron(0, 16, 4)
    out[0xA2] = mark_breve(0, 16, 4)
    out[0xA4] = circle(0, 9, 5) + [[(-7, 16), (-3.5, 12.5)], [(7, 16), (3.5, 12.5)],
                                   [(-7, 2), (-3.5, 5.5)], [(7, 2), (3.5, 5.5)]]
    out[0xA6] = [[(0, -5), (0, 7)], [(0, 11), (0, 23)]]
    s = g["s"]
    s = scaled(s, 0.8, 1)
    out[0xA7] = moved(s, 0, 7) + moved(s, 0, -2.5)
    out[0xA8] = mark_diaeresis(0, 16, 4)
    ring = circle(0, 10.5, 11, 24)
    out[0xA9] = ring + moved(scaled(g["C"], 0.5), 0, 5.25)
    out[0xAB] = chev_l + moved(chev_l, 4, 0)
    out[0xAC] = [[(-8, 11), (8, 11), (8, 6)]]
    out[0xAD] = hyphen
    out[0xAE] = ring + moved(scaled(g["R"], 0.5), 0, 5.25)
    out[0xB0] = circle(0, 18, 3)
    out[0xB1] = [[(0, 6), (0, 18)], [(-6, 12), (6, 12)], [(-6, 2), (6, 2)]]
    out[0xB2] = ogonek(0)
    out[0xB4] = mark_acute(0, 16, 4)
    out[0xB5] = g["u"] + [[(bbox(g["u"])[0], X_HEIGHT), (bbox(g["u"])[0], -7)]]
    out[0xB6] = [[(2, -4), (2, 21)], [(6, -4), (6, 21)], [(8, 21), (-2, 21), (-4.5, 20), (-6, 18),
                                                            (-6, 14), (-4.5, 12), (-2, 11), (2, 11)]]
    out[0xB7] = moved(period, 0, 8)
    out[0xB8] = cedilla(0)
    out[0xBB] = chev_r + moved(chev_r, 4, 0)
    out[0xBD] = mark_double_acute(0, 16, 4)
    out[0xD7] = [[(-5, 4), (5, 14)], [(-5, 14), (5, 4)]]
    out[0xDF] = sharp_s()
    out[0xF7] = [[(-8, 9), (8, 9)]] + dot(0, 15) + dot(0, 3)
    out[0xFF] = mark_dot(0, 16, 4)
    return out


def build_upright(jhf_path):
    """256 glyphs in Hershey units (y up); an empty list is a glyph without strokes."""
    source = read_jhf(jhf_path)
    if len(source) < 95:
        raise ValueError("%s: expected 95 ASCII glyphs, found %d" % (jhf_path, len(source)))
    ascii_glyphs = {chr(32 + i): source[i] for i in range(95)}
    glyphs = [[] for _ in range(256)]
    for code in range(32, 127):
        glyphs[code] = ascii_glyphs[chr(code)]
    # Hershey puts an up arrow at the caret's code.
    glyphs[ord("^")] = [[(-4, 14), (0, 21), (4, 14)]]
    extra = symbols(ascii_glyphs)
    for code in range(128, 256):
        try:
            ch = bytes([code]).decode("cp1250")
        except UnicodeDecodeError:
            continue
        if code in extra:
            glyphs[code] = extra[code]
            continue
        if ch in "ŁłĐđ":
            glyphs[code] = stroked_letter({"Ł": "L", "ł": "l", "Đ": "D", "đ": "d"}[ch],
                                          ascii_glyphs)
            continue
        nfd = unicodedata.normalize("NFD", ch)
        if len(nfd) > 1 and nfd[0] in ascii_glyphs:
            composed = compose(nfd[0], nfd[1:], ascii_glyphs)
            if composed:
                glyphs[code] = composed
    return glyphs


# ---------------------------------------------------------------------------------------------
# The four fonts

def to_font(glyph, slant):
    """Font units; x as integer steps of 1/X_GRID, y as integer steps of 1/Y_GRID."""
    if not glyph:
        return []
    shear = math.tan(math.radians(SLANT_DEGREES)) if slant else 0.0
    fs = [[(x / UNIT + shear * y / UNIT, y / UNIT) for x, y in s] for s in glyph]
    xmin = min(p[0] for s in fs for p in s)
    out = []
    for s in fs:
        strip = []
        for x, y in s:
            q = (round((x - xmin) * X_GRID), round(y * Y_GRID))
            if not strip or strip[-1] != q:
                strip.append(q)
        if len(strip) < 2:
            raise ValueError("stroke collapsed to a point")
        out.append(strip)
    return out


def fmt(numerator, denominator):
    """Exact decimal text of numerator/denominator (denominator a power of ten)."""
    if numerator == 0:
        return "0"
    sign = "-" if numerator < 0 else ""
    n = abs(numerator)
    whole, frac = divmod(n, denominator)
    digits = len(str(denominator)) - 1
    text = str(whole)
    if frac:
        text += "." + str(frac).rjust(digits, "0").rstrip("0")
    return sign + text


def font_tables(upright):
    tables = []
    for index in range(4):
        slant = index in (0, 1)
        narrow = index in (1, 3)
        glyphs = []
        for g in upright:
            strips = to_font(g, slant)
            pairs = []
            for strip in strips:
                for kx, ky in strip:
                    # 0.002 * 0.85 = 0.0017: both widths are exact 4-decimal numbers.
                    x = fmt(kx * 17, 10000) if narrow else fmt(kx * 20, 10000)
                    y = fmt(ky, Y_GRID)
                    pairs.append((x, y))
                    assert not (x == "-1" and y == "-1")
                    assert kx >= 0 and ky >= -0.34 * Y_GRID
                pairs.append(("-1", "-1"))
            pairs.append(("-1", "-1"))
            if not strips:
                pairs.append(("-1", "-1"))
            glyphs.append(pairs)
        tables.append(glyphs)
    return tables


def code_label(code):
    if code < 32 or code == 127:
        return "%02X" % code
    try:
        ch = bytes([code]).decode("cp1250")
    except UnicodeDecodeError:
        return "%02X" % code
    if code == 0xA0 or code == 0xAD or unicodedata.category(ch).startswith("C"):
        return "%02X" % code
    if ch == "\\":
        ch = "backslash"  # a trailing backslash would continue the comment line
    return "%02X %s" % (code, ch)


def emit(tables, out, source_name):
    w = out.write
    w("// Generated by tools/gen_stroke_fonts.py from the Hershey simplex roman font (%s);\n"
      % source_name)
    w("// do not edit. Regenerate with: python3 tools/gen_stroke_fonts.py\n")
    w("//\n")
    w("// The Hershey Fonts were originally created by Dr. A. V. Hershey while working at the\n")
    w("// U. S. National Bureau of Standards. The format of the Font data in this distribution\n")
    w("// was originally created by James Hurt, Cognition, Inc., 900 Technology Park Drive,\n")
    w("// Billerica, MA 01821.\n")
    w("//\n")
    w("// Each font: (x, y) pairs of line strips, (-1, -1) after each strip, a second (-1, -1)\n")
    w("// after each glyph; 256 glyphs in Windows-1250 code order. Capital height 1.0.\n")
    w("\n")
    w("// clang-format off\n")
    w("#include \"document/StrokeFont.h\"\n\n")
    w("namespace {\n")
    for index, glyphs in enumerate(tables):
        w("\nconst double kFont%d[] = {  // %s\n" % (index, FONT_NAMES[index]))
        for code, pairs in enumerate(glyphs):
            line = "/*%s*/" % code_label(code)
            for x, y in pairs:
                item = " %s,%s," % (x, y)
                if len(line) + len(item) > 99:
                    w(line.rstrip() + "\n")
                    line = "   "
                line += item
            w(line.rstrip() + "\n")
        w("};\n")
    w("\n}  // namespace\n\n")
    w("const double* GetStrokeFontTable(int font, size_t& pairCount) {\n")
    w("    switch (font) {\n")
    for index in range(3):
        w("        case %d:\n" % index)
        w("            pairCount = sizeof(kFont%d) / (2 * sizeof(double));\n" % index)
        w("            return kFont%d;\n" % index)
    w("        default:  // out-of-range indices fall back to the last font\n")
    w("            pairCount = sizeof(kFont3) / (2 * sizeof(double));\n")
    w("            return kFont3;\n")
    w("    }\n")
    w("}\n")
    w("// clang-format on\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("-i", "--input", default=DEFAULT_INPUT, help="Hershey .jhf file")
    parser.add_argument("-o", "--output", default=DEFAULT_OUTPUT, help="C++ file to write")
    args = parser.parse_args()
    upright = build_upright(args.input)
    tables = font_tables(upright)
    with open(args.output, "w", encoding="utf-8", newline="\n") as out:
        emit(tables, out, os.path.basename(args.input))
    counts = [sum(len(p) for p in t) for t in tables]
    missing = [c for c in range(32, 256) if not upright[c] and c not in (32, 0xA0)]
    print("wrote %s: pairs per font %s; codes >= 32 without strokes: %s"
          % (os.path.normpath(args.output), counts, " ".join("%02X" % c for c in missing)),
          file=sys.stderr)


if __name__ == "__main__":
    main()
