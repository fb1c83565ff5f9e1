// Writes examples/plac.tav, the sample drawing the README opens: a small surveyed site with
// building outlines, named points, a road, a roundabout, labels and parcel data.
// Usage: tav_make_example OUT.tav

#include <cstdio>
#include <memory>

#include "document/Entity.h"
#include "document/TAVDoc.h"

namespace {

const double kX0 = 5420100.0, kY0 = 6310200.0;

CPoint3 At(double x, double y, double z) {
    return CPoint3(kX0 + x, kY0 + y, z);
}

void SetColor(CEntity& e, double r, double g, double b) {
    e.m_color[0] = r;
    e.m_color[1] = g;
    e.m_color[2] = b;
}

void AddBuilding(CTAVDoc& doc, int layer, double x, double y, double w, double h, double z,
                 const char* parcel) {
    auto p = std::make_unique<CPoly>();
    p->m_closed = 1;
    p->m_layer = layer;
    p->m_number = NextEntityNumber();
    SetColor(*p, 0.9, 0.6, 0.2);
    p->AddVertex(At(x, y, z));
    p->AddVertex(At(x + w, y, z));
    p->AddVertex(At(x + w, y + h, z));
    p->AddVertex(At(x, y + h, z));
    p->m_data.BuildObjectTree(3);
    p->m_data.GetChild(3).AddChild(*GetDataTemplate(1)->GetChildren().data());
    p->m_data.GetChild(3).GetChild(0).SetText(parcel);
    p->Tessellate();
    p->ComputePlane();
    doc.AddEntity(std::move(p));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tav_make_example OUT.tav\n");
        return 2;
    }
    CTAVDoc doc;
    doc.OnNewDocument();
    doc.Layers().emplace_back("Budynki", 0, 1);
    doc.Layers().emplace_back("Punkty osnowy", 0, 1);
    doc.Layers().emplace_back("Opisy", 0, 1);

    AddBuilding(doc, 1, 0, 0, 12, 8, 101.2, "112/4");
    AddBuilding(doc, 1, 20, 2, 9, 14, 101.5, "112/5");
    AddBuilding(doc, 1, 4, 18, 15, 7, 102.0, "113");

    const char* names[] = {"P1", "P2", "P3", "P4", "Ś5", "Ż6"};
    const double pts[][3] = {{-5, -5, 100.8}, {35, -6, 100.9},  {36, 30, 101.7},
                             {-4, 31, 101.9}, {15, -10, 100.7}, {45, 12, 101.1}};
    for (int i = 0; i < 6; ++i) {
        auto p = std::make_unique<CPnt>();
        p->m_layer = 2;
        p->m_number = NextEntityNumber();
        p->m_name = names[i];
        SetColor(*p, 1, 1, 1);
        p->m_point = At(pts[i][0], pts[i][1], pts[i][2]);
        doc.AddEntity(std::move(p));
    }

    auto road = std::make_unique<CPoly>();
    road->m_number = NextEntityNumber();
    SetColor(*road, 0.6, 0.6, 0.6);
    for (double x = -10; x <= 50; x += 10) {
        road->AddVertex(At(x, -14 + 0.02 * x * x / 10, 100.5));
    }
    doc.AddEntity(std::move(road));

    auto circle = std::make_unique<CArc>();
    circle->m_number = NextEntityNumber();
    SetColor(*circle, 0.2, 0.8, 0.3);
    circle->m_center = At(55, -8, 100.5);
    circle->m_radius = 6;
    doc.AddEntity(std::move(circle));

    auto arc = std::make_unique<CArc>();
    arc->m_number = NextEntityNumber();
    SetColor(*arc, 0.2, 0.8, 0.3);
    arc->m_center = At(55, -8, 100.5);
    arc->m_radius = 9;
    arc->m_start = 200;
    arc->m_length = 140;
    doc.AddEntity(std::move(arc));

    const char* labels[] = {"Budynek mieszkalny", "Garaż", "Magazyn zbożowy"};
    const double at[][2] = {{1, 3.5}, {21, 8}, {5, 21}};
    for (int i = 0; i < 3; ++i) {
        auto t = std::make_unique<CText>();
        t->m_layer = 3;
        t->m_number = NextEntityNumber();
        SetColor(*t, 0.3, 0.7, 1.0);
        t->m_text = labels[i];
        t->m_position = At(at[i][0], at[i][1], 103.0);
        t->m_axis = CVec3(0, 0, 1);
        t->m_height = 1.0;
        t->m_font = 2;
        doc.AddEntity(std::move(t));
    }

    CCoordSystem site("Uklad0", At(-5, -5, 100.8), At(35, -6, 100.9), At(-4, 31, 101.9));
    CMatrix4 local;
    local.setLocalCSMatrix(site.m_origin, 0, site.m_xPoint, 1, site.m_yPoint);
    local.Invert();
    doc.AddCoordSystem(site, local);
    doc.ClipPlanes().emplace_back("Dach", 0, At(0, 0, 110.0), CVec3(0, 0, 1));

    doc.RecomputeExtents();
    CViewState v;
    const CPoint3 c = (doc.GetMinCorner() + doc.GetMaxCorner().AsVec()) * 0.5;
    v.target = c;
    v.eye = c + CVec3(0, 0, 100);
    v.windowLeft = -40;
    v.windowRight = 40;
    v.windowBottom = -30;
    v.windowTop = 30;
    v.nearPlane = 0;
    v.farPlane = 200;
    v.clientWidth = 800;
    v.clientHeight = 600;
    doc.SetViewState(v);
    return doc.OnSaveDocument(argv[1]) ? 0 : 1;
}
