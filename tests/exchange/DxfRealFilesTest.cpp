// DXF files written by independent programs (ezdxf, GDAL; see data/README), compared with the
// entities those programs' own reader finds in them (the .json beside each file).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "document/Entity.h"
#include "document/TAVDoc.h"
#include "exchange/DxfExport.h"
#include "exchange/DxfImport.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"

using nlohmann::json;

namespace {

std::string DataPath(const std::string& name) {
    return std::string(TAV_SOURCE_DIR) + "/tests/exchange/data/" + name;
}

std::string Fold(std::string s) {
    for (char& c : s) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return s;
}

void ExpectNear(double actual, double expected, const std::string& what) {
    EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::fabs(expected))) << what;
}

template <class P>
void ExpectPoint(const P& p, const json& v, const std::string& what) {
    ExpectNear(p.x, v[0].get<double>(), what + " x");
    ExpectNear(p.y, v[1].get<double>(), what + " y");
    ExpectNear(p.z, v[2].get<double>(), what + " z");
}

// A curve drawn as a polyline: it starts and ends where the curve does, every vertex lies on
// the curve (given densely), and the curve strays from it by little against its size.
void ExpectCurve(const CPoly& p, const json& x, const std::string& what) {
    std::vector<CPoint3> curve;
    for (const json& v : x["points"]) {
        curve.emplace_back(v[0].get<double>(), v[1].get<double>(), v[2].get<double>());
    }
    std::vector<CPoint3> drawn(p.m_vertices.begin(), p.m_vertices.end());
    ASSERT_GE(drawn.size(), 2u) << what;
    if (p.m_closed) {
        drawn.push_back(drawn.front());  // a polygon closes by itself
    }
    double size = 0.0;
    for (const CPoint3& c : curve) {
        size = std::max(size, (c - curve.front()).Length());
    }
    // Fit points only: the curve between them is the program's guess, and they lie on it.
    const double tol = x.contains("fit") ? size / 50 : size / 500;
    if (x.contains("fit")) {
        for (const json& f : x["fit"]) {
            const CPoint3 q(f[0].get<double>(), f[1].get<double>(), f[2].get<double>());
            EXPECT_LT(DistanceToPolyline(q, drawn), 1e-9) << what;
        }
    }
    EXPECT_LT((drawn.front() - curve.front()).Length(), tol) << what;
    EXPECT_LT((drawn.back() - curve.back()).Length(), tol) << what;
    for (const CPoint3& d : drawn) {
        EXPECT_LT(DistanceToPolyline(d, curve), tol) << what;
    }
    for (const CPoint3& c : curve) {
        EXPECT_LT(DistanceToPolyline(c, drawn), tol) << what;
    }
}

TEST(DxfRealFiles, EverySupportedEntityArrives) {
    for (const std::string name : {"ezdxf_r12_cp1250", "ezdxf_r2000_cp1252", "ezdxf_r2018_utf8",
                                   "ezdxf_r12writer", "gdal_ogr2ogr"}) {
        std::ifstream in(DataPath(name + ".json"));
        ASSERT_TRUE(in) << name;
        const json expected = json::parse(in);

        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        ASSERT_EQ(ImportDxfFile(doc, DataPath(name + ".dxf")), EImportResult::Done);
        // Nothing in these files is malformed: the count is the only message.
        ASSERT_EQ(prompter.messages.size(), 1u) << prompter.messages[0].text;
        EXPECT_EQ(prompter.messages[0].text, "Liczba odczytanych z pliku DXF obiektow: " +
                                                 std::to_string(expected.size()) + ". ");
        ASSERT_EQ(doc.GetEntityCount(), static_cast<int>(expected.size()));

        std::set<std::string> layers = {"warstwa1"};
        for (int i = 0; i < doc.GetEntityCount(); ++i) {
            const json& x = expected[static_cast<size_t>(i)];
            const CEntity& e = *doc.GetEntity(i);
            const std::string what = name + " #" + std::to_string(i);
            const std::string layer = x["layer"].get<std::string>();
            layers.insert(Fold(layer));
            EXPECT_EQ(Fold(doc.GetLayer(e.m_layer).m_name), Fold(layer)) << what;
            const auto& rgb = AciPalette[x["color"].get<size_t>()];
            EXPECT_EQ(Xyz(CVec3(e.m_color[0], e.m_color[1], e.m_color[2])),
                      Xyz(CVec3(rgb[0], rgb[1], rgb[2])))
                << what;
            EXPECT_EQ(e.m_name, x.value("name", std::string())) << what;
            const std::string kind = x["kind"];
            if (kind == "point") {
                ASSERT_EQ(e.GetType(), kTypePoint) << what;
                ExpectPoint(static_cast<const CPnt&>(e).m_point, x["point"], what);
            } else if (kind == "poly") {
                ASSERT_TRUE(e.GetType() == kTypePolygon || e.GetType() == kTypePolyline) << what;
                const auto& p = static_cast<const CPoly&>(e);
                EXPECT_EQ(p.m_closed, x["closed"].get<int>()) << what;
                ASSERT_EQ(p.GetVertexCount(), static_cast<int>(x["vertices"].size())) << what;
                for (int k = 0; k < p.GetVertexCount(); ++k) {
                    ExpectPoint(p[k], x["vertices"][static_cast<size_t>(k)],
                                what + " vertex " + std::to_string(k));
                }
                if (p.m_closed) {
                    EXPECT_EQ(p.m_tessellated, 1) << what;
                }
            } else if (kind == "curve") {
                ASSERT_TRUE(e.GetType() == kTypePolygon || e.GetType() == kTypePolyline) << what;
                const auto& p = static_cast<const CPoly&>(e);
                EXPECT_EQ(p.m_closed, x["closed"].get<int>()) << what;
                ExpectCurve(p, x, what);
            } else if (kind == "arc") {
                ASSERT_EQ(e.GetType(), kTypeArc) << what;
                const auto& a = static_cast<const CArc&>(e);
                ExpectPoint(a.m_center, x["center"], what + " centre");
                ExpectPoint(a.m_axis, x["axis"], what + " axis");
                ExpectNear(a.m_radius, x["radius"], what + " radius");
                ExpectNear(a.m_start, x["start"], what + " start");
                ExpectNear(a.m_length, x["length"], what + " length");
            } else if (kind == "text") {
                ASSERT_EQ(e.GetType(), kTypeText) << what;
                const auto& t = static_cast<const CText&>(e);
                EXPECT_EQ(t.m_text, x["text"].get<std::string>()) << what;
                if (x.contains("position")) {  // justified texts stand by our font's widths
                    ExpectPoint(t.m_position, x["position"], what + " position");
                }
                ExpectPoint(t.m_axis, x["axis"], what + " axis");
                ExpectNear(t.m_height, x["height"], what + " height");
                ExpectNear(t.m_rotation, x["rotation"], what + " rotation");
                EXPECT_EQ(t.m_font, 3);
            } else {
                ADD_FAILURE() << what << ": unknown kind " << kind;
            }
        }
        EXPECT_EQ(doc.GetLayerCount(), static_cast<int>(layers.size()));
    }
}

}  // namespace
