#include "exchange/AscImport.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "exchange/LineReader.h"
#include "exchange/ScanNumbers.h"
#include "exchange/TribonLines.h"

namespace {

// The reader's messages.
constexpr char kSkipped[] =
    "%d elements were skipped: they refer to nodes outside the node list or to node lines "
    "that could not be read.";
constexpr char kReadFailed[] = "Can not read the file: %s.";
constexpr char kNoMemory[] = "Not enough memory to read the file.";

// A node of the list; ok is false when its line did not give a number and three coordinates.
struct SNode {
    double x, y, z;
    bool ok;
};

}  // namespace

void TessellateTriangle(CPoly& poly) {
    if (poly.GetVertexCount() != 3) {
        poly.Tessellate();
        return;
    }
    poly.m_triangulation.clear();
    const CPoint3& a = poly.m_vertices[0];
    const CPoint3& b = poly.m_vertices[1];
    const CPoint3& c = poly.m_vertices[2];
    for (const CPoint3* v : {&a, &b, &c}) {
        for (int i = 0; i < 3; ++i) {
            if (!std::isfinite((*v)[i]) || std::fabs((*v)[i]) > GLU_TESS_MAX_COORD) {
                poly.m_tessellated = 0;  // what the general path refuses
                return;
            }
        }
    }
    // The tessellator renders a single small contour straight from its cache: it takes the
    // normal from the fan at the first vertex, checks the orientation against it and emits one
    // GL_TRIANGLES primitive, or nothing when the triangle is degenerate. Same arithmetic here.
    const double px = b.x - a.x, py = b.y - a.y, pz = b.z - a.z;
    const double cx = c.x - a.x, cy = c.y - a.y, cz = c.z - a.z;
    const double n0 = py * cz - pz * cy;
    const double n1 = pz * cx - px * cz;
    const double n2 = px * cy - py * cx;
    const double dot = n0 * n0 + n1 * n1 + n2 * n2;
    poly.m_tessellated = 1;
    if (dot == 0.0) {
        return;
    }
    CTessPrimitive prim;
    prim.kind = GL_TRIANGLES;
    prim.points.reserve(3);
    prim.points.emplace_back(a.x, a.y, a.z);
    if (dot > 0.0) {
        prim.points.emplace_back(b.x, b.y, b.z);
        prim.points.emplace_back(c.x, c.y, c.z);
    } else {
        prim.points.emplace_back(c.x, c.y, c.z);
        prim.points.emplace_back(b.x, b.y, b.z);
    }
    poly.m_triangulation.push_back(std::move(prim));
}

EImportResult ImportAscFile(CTAVDoc& doc, const std::string& path) {
    CLineReader in;
    if (!in.Open(path, doc.Prompter())) {
        return EImportResult::OpenFailed;
    }
    CImportSession session(doc);
    try {
        std::string_view line;
        // A missing or negative count gives an empty node list; it is never trusted for
        // allocation: the list grows with the node lines actually read.
        int count = 0;
        if (in.ReadLine(line)) {
            std::string_view text = line;
            if (!ScanInt(text, count) || count < 0) {
                count = 0;
            }
        }
        std::vector<SNode> nodes;
        for (int i = 0; i < count && in.ReadLine(line); ++i) {
            std::string_view text = line;
            int number = 0;
            SNode node{0.0, 0.0, 0.0, false};
            node.ok = ScanInt(text, number) && ScanDouble(text, node.x) &&
                      ScanDouble(text, node.y) && ScanDouble(text, node.z);
            nodes.push_back(node);
        }
        const int64_t nodeCount = static_cast<int64_t>(nodes.size());

        int64_t skipped = 0;
        while (in.ReadLine(line)) {
            // "%d %d %d %d %d": the number of values converted gives the kind.
            int values[5];
            int converted = 0;
            std::string_view text = line;
            while (converted < 5 && ScanInt(text, values[converted])) {
                ++converted;
            }
            if (converted < 3) {
                continue;
            }
            const int corners = converted - 1;
            const SNode* corner[4];
            bool usable = true;
            for (int k = 0; k < corners; ++k) {
                const int64_t p = values[k + 1];
                if (p < 1 || p > nodeCount || !nodes[static_cast<size_t>(p - 1)].ok) {
                    usable = false;
                    break;
                }
                corner[k] = &nodes[static_cast<size_t>(p - 1)];
            }
            if (!usable) {
                ++skipped;
                continue;
            }
            auto poly = std::make_unique<CPoly>();
            poly->m_closed = corners >= 3 ? 1 : 0;
            poly->m_color[0] = poly->m_color[1] = poly->m_color[2] = 1.0;
            poly->m_vertices.reserve(static_cast<size_t>(corners));
            for (int k = 0; k < corners; ++k) {
                poly->m_vertices.emplace_back(corner[k]->x, corner[k]->y, corner[k]->z);
            }
            if (poly->m_closed) {
                TessellateTriangle(*poly);
                poly->ComputePlane();
            }
            session.Add(std::move(poly));
        }
        if (in.Failed()) {
            doc.Prompter().ReportFileError(path, FillReaderMessage(kReadFailed, {in.ErrorText()}));
            return EImportResult::OpenFailed;
        }
        if (skipped > 0) {
            session.Message(FillReaderMessage(kSkipped, {std::to_string(skipped)}));
        }
    } catch (const std::bad_alloc&) {
        doc.Prompter().ReportFileError(path, kNoMemory);
        return EImportResult::OpenFailed;
    }
    session.Finish();
    return EImportResult::Done;
}
