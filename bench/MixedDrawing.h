#pragma once

// The mixed drawing the I/O and printing benchmarks share.

#include <memory>
#include <string>

#include "document/Entity.h"
#include "document/TAVDoc.h"

// Points with names, 10-vertex polylines, 4-vertex polygons, arcs and texts in turn, at survey
// coordinates.
inline void BuildMixedDrawing(CTAVDoc& doc, int n) {
    const double ox = 5420000.0, oy = 6310000.0;
    for (int i = 0; i < n; ++i) {
        const double x = ox + (i % 1000) * 3.0, y = oy + (i / 1000) * 3.0, z = 10.0 + i % 7;
        std::unique_ptr<CEntity> e;
        switch (i % 5) {
            case 0: {
                auto p = std::make_unique<CPnt>();
                p->m_point = CPoint3(x, y, z);
                p->m_name = "P" + std::to_string(i);
                e = std::move(p);
                break;
            }
            case 1: {
                auto p = std::make_unique<CPoly>();
                for (int k = 0; k < 10; ++k) {
                    p->AddVertex(CPoint3(x + k * 0.2, y + (k % 2) * 0.5, z));
                }
                e = std::move(p);
                break;
            }
            case 2: {
                auto p = std::make_unique<CPoly>();
                p->m_closed = 1;
                p->AddVertex(CPoint3(x, y, z));
                p->AddVertex(CPoint3(x + 1.0, y, z));
                p->AddVertex(CPoint3(x + 1.0, y + 1.0, z));
                p->AddVertex(CPoint3(x, y + 1.0, z));
                p->Tessellate();
                p->ComputePlane();
                e = std::move(p);
                break;
            }
            case 3: {
                auto a = std::make_unique<CArc>();
                a->m_center = CPoint3(x, y, z);
                a->m_radius = 0.5 + i % 3;
                a->m_start = 30.0;
                a->m_length = 200.0;
                e = std::move(a);
                break;
            }
            default: {
                auto t = std::make_unique<CText>();
                t->m_position = CPoint3(x, y, z);
                t->m_axis = CVec3(0.0, 0.0, 1.0);
                t->m_text = "Działka " + std::to_string(i);
                e = std::move(t);
                break;
            }
        }
        e->m_number = NextEntityNumber();
        e->m_color[0] = 1.0;
        doc.AddEntity(std::move(e));
    }
    doc.RecomputeExtents();
}
