#include "printing/core/Feedback.h"

#include <algorithm>
#include <cmath>

#include "document/Cp1250.h"
#include "document/Entity.h"
#include "document/StrokeFont.h"
#include "document/TAVDoc.h"

namespace {

bool OnVisibleLayer(const CTAVDoc& doc, const CEntity& e) {
    return e.m_layer < 0 || e.m_layer >= doc.GetLayerCount() || doc.GetLayer(e.m_layer).m_visible;
}

int64_t PolySegments(const CPoly& poly) {
    const int64_t n = static_cast<int64_t>(poly.m_vertices.size());
    if (poly.m_closed) {
        return n;
    }
    if (n == 0) {
        return 0;
    }
    return poly.m_marker ? n : n - 1;
}

int64_t MaxGlyph() {
    return CStrokeFontMetrics::Get().MaxGlyphVertexCount();
}

// Cuts [0, total) into items of at most per units each.
void AddRanges(std::vector<SCaptureItem>& items, int entity, int64_t total, int64_t per,
               int64_t linesPerUnit, int64_t points) {
    per = std::max<int64_t>(1, per);
    for (int64_t first = 0; first < total || (first == 0 && points > 0); first += per) {
        SCaptureItem item;
        item.entity = entity;
        item.first = first;
        item.end = std::min(total, first + per);
        item.lines = (item.end - item.first) * linesPerUnit;
        item.points = first == 0 ? points : 0;
        items.push_back(item);
        if (total == 0) {
            break;
        }
    }
}

// Text items carry the advance of the codes before them.
void AddTextRanges(std::vector<SCaptureItem>& items, int entity, const std::string& codes, int font,
                   int64_t per, int64_t points) {
    const size_t before = items.size();
    AddRanges(items, entity, static_cast<int64_t>(codes.size()), per, MaxGlyph(), points);
    const CStrokeFontMetrics& metrics = CStrokeFontMetrics::Get();
    double advance = 0;
    size_t next = 0;
    for (size_t i = before; i < items.size(); ++i) {
        for (; next < static_cast<size_t>(items[i].first); ++next) {
            advance +=
                metrics.GlyphWidth(font, static_cast<unsigned char>(codes[next])) + kStrokeGlyphGap;
        }
        items[i].advance = advance;
    }
}

}  // namespace

void EstimateEntityFeedback(const CEntity& e, bool showNames, int64_t& lines, int64_t& points) {
    lines = 0;
    points = 0;
    switch (e.GetType()) {
        case kTypePolygon:
        case kTypePolyline:
            lines = PolySegments(static_cast<const CPoly&>(e));
            break;
        case kTypeText:
            lines = static_cast<int64_t>(Utf8CharCount(static_cast<const CText&>(e).m_text)) *
                    MaxGlyph();
            break;
        case kTypeArc:
            lines = 300;
            break;
        case kTypePoint:
            points = 1;
            if (showNames) {
                lines = static_cast<int64_t>(Utf8CharCount(static_cast<const CPnt&>(e).m_name)) *
                        MaxGlyph();
            }
            break;
        default:
            break;
    }
}

int64_t FeedbackFloats(int64_t lines, int64_t points) {
    const int64_t l = lines + 1 + lines / 10;
    const int64_t p = points + 1 + points / 10;
    return 15 * l + 8 * p;
}

int64_t EstimateFeedbackFloats(const CTAVDoc& doc, bool showNames) {
    int64_t lines = 0, points = 0;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity& e = *doc.GetEntity(i);
        if (!OnVisibleLayer(doc, e)) {
            continue;
        }
        int64_t l = 0, p = 0;
        EstimateEntityFeedback(e, showNames, l, p);
        lines += l;
        points += p;
    }
    return FeedbackFloats(lines, points);
}

std::vector<SCaptureItem> PlanCaptureItems(const CTAVDoc& doc, bool showNames,
                                           int64_t maxItemFloats) {
    // Units per item so that an item's own estimate stays under the limit.
    const int64_t segmentsPerItem = std::max<int64_t>(1, (maxItemFloats - 64) / 17);
    const int64_t codesPerItem =
        std::max<int64_t>(1, segmentsPerItem / std::max<int64_t>(1, MaxGlyph()));
    std::vector<SCaptureItem> items;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity& e = *doc.GetEntity(i);
        if (!OnVisibleLayer(doc, e)) {
            continue;
        }
        switch (e.GetType()) {
            case kTypePolygon:
            case kTypePolyline:
                AddRanges(items, i, PolySegments(static_cast<const CPoly&>(e)), segmentsPerItem, 1,
                          0);
                break;
            case kTypeText: {
                const CText& t = static_cast<const CText&>(e);
                AddTextRanges(items, i, Utf8ToCp1250(t.m_text), t.m_font, codesPerItem, 0);
                break;
            }
            case kTypePoint: {
                const CPnt& p = static_cast<const CPnt&>(e);
                if (showNames && !p.m_name.empty()) {
                    AddTextRanges(items, i, Utf8ToCp1250(p.m_name), 3, codesPerItem, 1);
                } else {
                    AddRanges(items, i, 0, 1, 0, 1);
                }
                break;
            }
            default: {
                SCaptureItem item;
                item.entity = i;
                EstimateEntityFeedback(e, showNames, item.lines, item.points);
                items.push_back(item);
                break;
            }
        }
    }
    return items;
}

std::vector<std::pair<size_t, size_t>> PlanCaptureBatches(const std::vector<SCaptureItem>& items,
                                                          int64_t capFloats) {
    std::vector<std::pair<size_t, size_t>> batches;
    size_t begin = 0;
    int64_t lines = 0, points = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const int64_t l = lines + items[i].lines;
        const int64_t p = points + items[i].points;
        if (i > begin && FeedbackFloats(l, p) > capFloats) {
            batches.emplace_back(begin, i);
            begin = i;
            lines = items[i].lines;
            points = items[i].points;
        } else {
            lines = l;
            points = p;
        }
    }
    if (begin < items.size()) {
        batches.emplace_back(begin, items.size());
    }
    return batches;
}

SPrintPen MakePrintPen(int penUnits, int dpiX, int dpiY) {
    auto half = [](int dpi) {
        return std::max(1, static_cast<int>(std::lround(PrintUnitsToDots(kPrintPointHalf, dpi))));
    };
    SPrintPen pen;
    pen.width = PrintUnitsToDots(penUnits, dpiX);
    pen.halfX = half(dpiX);
    pen.halfY = half(dpiY);
    return pen;
}

void CDeviceLines::Add(uint32_t rgb, double width, int x1, int y1, int x2, int y2) {
    if (m_last < 0 || m_groups[static_cast<size_t>(m_last)].rgb != rgb ||
        m_groups[static_cast<size_t>(m_last)].width != width) {
        m_last = -1;
        for (size_t i = 0; i < m_groups.size(); ++i) {
            if (m_groups[i].rgb == rgb && m_groups[i].width == width) {
                m_last = static_cast<int>(i);
                break;
            }
        }
        if (m_last < 0) {
            m_groups.push_back(SGroup{rgb, width, {}});
            m_last = static_cast<int>(m_groups.size() - 1);
        }
    }
    std::vector<int>& c = m_groups[static_cast<size_t>(m_last)].coords;
    c.insert(c.end(), {x1, y1, x2, y2});
    ++m_lines;
}

void CDeviceLines::Clear() {
    m_groups.clear();
    m_last = -1;
    m_lines = 0;
}

namespace {

// Points a dropped stretch may span: bounds the checks per point.
constexpr size_t kMaxDroppedSpan = 32;

// Distance of P from the segment A-B, squared.
double SegmentDistance2(const int* a, const int* b, const int* p) {
    const double dx = static_cast<double>(b[0]) - a[0], dy = static_cast<double>(b[1]) - a[1];
    const double px = static_cast<double>(p[0]) - a[0], py = static_cast<double>(p[1]) - a[1];
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? (px * dx + py * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = px - t * dx, ey = py - t * dy;
    return ex * ex + ey * ey;
}

// Appends the run of n points (x, y pairs at run) to out, dropping what the tolerance allows.
void AppendSimplified(const int* run, size_t n, double tolerance, SDevicePolylines& out) {
    const double tol2 = tolerance * tolerance;
    auto at = [run](size_t i) { return run + 2 * i; };
    auto emit = [&out](const int* p) { out.points.insert(out.points.end(), {p[0], p[1]}); };
    const size_t before = out.points.size();
    emit(at(0));
    size_t anchor = 0;
    for (size_t i = 2; i < n; ++i) {
        bool fits = i - anchor <= kMaxDroppedSpan;
        for (size_t j = anchor + 1; fits && j < i; ++j) {
            fits = SegmentDistance2(at(anchor), at(i), at(j)) <= tol2;
        }
        if (!fits) {
            anchor = i - 1;
            emit(at(anchor));
        }
    }
    emit(at(n - 1));
    out.sizes.push_back(static_cast<int>((out.points.size() - before) / 2));
}

}  // namespace

void ChainDeviceLines(const std::vector<int>& coords, double tolerance, SDevicePolylines& out) {
    out.points.clear();
    out.sizes.clear();
    std::vector<int> run;
    auto finish = [&] {
        if (run.size() >= 4) {
            AppendSimplified(run.data(), run.size() / 2, tolerance, out);
        }
        run.clear();
    };
    for (size_t i = 0; i + 3 < coords.size(); i += 4) {
        const int x1 = coords[i], y1 = coords[i + 1], x2 = coords[i + 2], y2 = coords[i + 3];
        if (x1 == x2 && y1 == y2) {
            continue;
        }
        const size_t n = run.size();
        if (n < 2 || run[n - 2] != x1 || run[n - 1] != y1) {
            finish();
            run.insert(run.end(), {x1, y1});
        }
        run.insert(run.end(), {x2, y2});
    }
    finish();
}

uint32_t FeedbackPenColor(float r, float g, float b, bool blackWhite) {
    if (blackWhite) {
        return 0;
    }
    auto channel = [](float c) -> uint32_t {
        if (!(c > 0.0f)) {
            return 0;  // also NaN
        }
        const double v = static_cast<double>(c) * 255.0 + 0.5;
        return v >= 255.0 ? 255u : static_cast<uint32_t>(v);
    };
    const uint32_t rgb = (channel(r) << 16) | (channel(g) << 8) | channel(b);
    return rgb == 0xFFFFFFu ? 0u : rgb;  // white paper: white lines print black
}

SFeedbackWalk WalkFeedback(const float* buffer, int64_t count, const SDeviceMapping& mapping,
                           bool blackWhite, const SPrintPen& pen, CDeviceLines& out) {
    SFeedbackWalk walk;
    constexpr int64_t kV = kFeedbackVertexFloats;
    int64_t i = 0;
    auto finite = [](const float* v, int64_t n) {
        for (int64_t k = 0; k < n; ++k) {
            if (!std::isfinite(v[k])) {
                return false;
            }
        }
        return true;
    };
    while (buffer != nullptr && i < count) {
        const float tokenValue = buffer[i++];
        const int token = std::isfinite(tokenValue) && std::fabs(tokenValue) < 65536.0f
                              ? static_cast<int>(tokenValue)
                              : -1;
        switch (token) {
            case kFeedbackLine:
            case kFeedbackLineReset: {
                if (count - i < 2 * kV) {
                    walk.truncated = true;
                    i = count;
                    break;
                }
                const float* a = buffer + i;
                const float* b = a + kV;
                i += 2 * kV;
                int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
                if (!finite(a, 2) || !finite(b, 2) || !mapping.Map(a[0], a[1], x1, y1) ||
                    !mapping.Map(b[0], b[1], x2, y2)) {
                    ++walk.skipped;
                    break;
                }
                out.Add(FeedbackPenColor(a[3], a[4], a[5], blackWhite), pen.width, x1, y1, x2, y2);
                ++walk.lines;
                break;
            }
            case kFeedbackPoint: {
                if (count - i < kV) {
                    walk.truncated = true;
                    i = count;
                    break;
                }
                const float* a = buffer + i;
                i += kV;
                int x = 0, y = 0;
                if (!finite(a, 2) || !mapping.Map(a[0], a[1], x, y)) {
                    ++walk.skipped;
                    break;
                }
                if (x < 0 || y < 0 || x > mapping.pw || y > mapping.ph) {
                    break;  // outside the page
                }
                const uint32_t rgb = FeedbackPenColor(a[3], a[4], a[5], blackWhite);
                const int dx = pen.halfX, dy = pen.halfY;
                out.Add(rgb, pen.width, x - dx, y - dy, x + dx, y - dy);
                out.Add(rgb, pen.width, x + dx, y - dy, x + dx, y + dy);
                out.Add(rgb, pen.width, x + dx, y + dy, x - dx, y + dy);
                out.Add(rgb, pen.width, x - dx, y + dy, x - dx, y - dy);
                ++walk.points;
                break;
            }
            case kFeedbackPassThrough:
                i += 1;
                break;
            case kFeedbackPolygon: {
                if (i >= count) {
                    walk.truncated = true;
                    break;
                }
                const float n = buffer[i++];
                // A vertex count that does not fit what is left ends the walk.
                if (!(n >= 0.0f) || static_cast<double>(n) * kV > static_cast<double>(count - i)) {
                    walk.truncated = true;
                    i = count;
                    break;
                }
                i += static_cast<int64_t>(n) * kV;
                break;
            }
            default:
                i += kV;
                break;
        }
    }
    if (count >= 0 && i > count) {
        walk.truncated = true;
    }
    return walk;
}
