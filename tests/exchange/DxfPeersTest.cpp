// The export read by another program: ezdxf (python3-ezdxf) must find no fault in the file and
// see the same entities, places, texts, layer names and visibility as this program.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "document/Cp1250.h"
#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "exchange/DxfExport.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

using nlohmann::json;

namespace {

// stdout of a command, or nothing when it fails.
std::string Output(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) {
        return out;
    }
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) {
        out.append(buf, n);
    }
    return pclose(p) == 0 ? out : std::string();
}

void ExpectAt(const json& v, const CPoint3& p, const std::string& what) {
    // Six decimals written, and the turn into the entity's own system and back.
    const double tol = 1e-6 * (2.0 + std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z)) / 2;
    EXPECT_NEAR(v[0].get<double>(), p.x, tol) << what;
    EXPECT_NEAR(v[1].get<double>(), p.y, tol) << what;
    EXPECT_NEAR(v[2].get<double>(), p.z, tol) << what;
}

// Every kind of entity, arcs and texts on tilted and flipped axes, Polish and other texts, odd
// and hidden layers.
void FillDrawing(CTAVDoc& doc) {
    for (const char* name : {"Działki", "ukryta", "?????ÄÜÖ", "a<b>c", "", "Жук", "działki"}) {
        doc.Layers().push_back(CLayer(name, 0, std::string(name) == "ukryta" ? 0 : 1));
    }
    doc.Layers().push_back(CLayer(std::string(300, 'L'), 0, 0));
    const CVec3 axes[] = {{0, 0, 1}, {0, 0, -1}, {0.6, 0, 0.8}, {-0.3, 0.5, -0.2}, {0.001, 0, 1}};
    int layer = 0;
    const auto next = [&](auto e) {
        e->m_layer = layer++ % doc.GetLayerCount();
        doc.AddEntity(std::move(e));
    };
    next(MakePnt({5420000.125, 6310000.5, 101.25}));
    next(MakePoly({{0, 0, 0}, {10, 5, 1}, {20, 0, 2}}));
    next(MakePoly({{0, 0, 1}, {2, 0, 1}, {2, 2, 1.5}}, 1));
    for (const CVec3& axis : axes) {
        auto arc = MakeArc({-650.5, 120.25, 3.0}, 2.5, 30.0, 200.0);
        arc->m_axis = axis;
        next(std::move(arc));
        auto circle = MakeArc({4, 3, 1}, 1.5, 0, 360);
        circle->m_axis = axis;
        next(std::move(circle));
        auto text = MakeText("Garaż → Ж 😀", {100.125, -7.5, 12.0}, 1.5);
        text->m_axis = axis;
        text->m_rotation = 30.0;
        next(std::move(text));
    }
}

TEST(DxfPeers, EzdxfReadsWhatWasWritten) {
    if (Output("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null && echo yes") != "yes\n") {
        GTEST_SKIP() << "python3-ezdxf is not installed";
    }
    CTAVDoc doc;
    FillDrawing(doc);
    CTempDir dir;
    const std::string path = dir.File("peers.dxf");
    ASSERT_TRUE(ExportDxfFile(doc, path));
    const std::string out =
        Output("/usr/bin/python3 " + std::string(TAV_SOURCE_DIR) +
               "/tests/exchange/peers/ezdxf_read.py '" + path + "' 2>/dev/null");
    ASSERT_FALSE(out.empty()) << "ezdxf could not read the file";
    const json seen = json::parse(out);
    EXPECT_EQ(seen["errors"].get<int>(), 0);

    // The layers by their written names, with their visibility.
    const std::vector<std::string> names = DxfLayerNames(doc);
    int found = 0;
    for (const json& l : seen["layers"]) {
        for (int i = 0; i < doc.GetLayerCount(); ++i) {
            if (Cp1250ToUtf8(names[static_cast<size_t>(i)]) == l["name"].get<std::string>()) {
                ++found;
                EXPECT_EQ(l["on"].get<bool>(), doc.GetLayer(i).m_visible != 0) << names[i];
            }
        }
    }
    EXPECT_EQ(found, doc.GetLayerCount());

    const json& entities = seen["entities"];
    ASSERT_EQ(entities.size(), static_cast<size_t>(doc.GetEntityCount()));
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity& e = *doc.GetEntity(i);
        const json& x = entities[static_cast<size_t>(i)];
        const std::string what = "#" + std::to_string(i) + " " + x["type"].get<std::string>();
        EXPECT_EQ(x["layer"].get<std::string>(),
                  Cp1250ToUtf8(names[static_cast<size_t>(e.m_layer)]))
            << what;
        switch (e.GetType()) {
            case kTypePoint:
                ExpectAt(x["points"][0], static_cast<const CPnt&>(e).m_point, what);
                break;
            case kTypePolyline:
            case kTypePolygon: {
                const auto& p = static_cast<const CPoly&>(e);
                ASSERT_EQ(x["points"].size(), p.m_vertices.size()) << what;
                for (size_t k = 0; k < p.m_vertices.size(); ++k) {
                    ExpectAt(x["points"][k], p.m_vertices[k], what);
                }
                EXPECT_EQ(x["closed"].get<bool>(), p.m_closed != 0) << what;
                break;
            }
            case kTypeArc: {
                const auto& a = static_cast<const CArc&>(e);
                ExpectAt(x["points"][0], a.m_center, what);
                if (x.contains("start")) {
                    ExpectAt(x["start"], a.PointInFrame(a.GetFrame(), 0.0), what + " start");
                }
                break;
            }
            case kTypeText: {
                const auto& t = static_cast<const CText&>(e);
                ExpectAt(x["points"][0], t.m_position, what);
                EXPECT_EQ(x["text"].get<std::string>(), t.m_text) << what;
                break;
            }
            default:
                ADD_FAILURE() << what;
        }
    }
}

}  // namespace
