// Drives the undo history with arbitrary sequences of changes, cancels, undos and redos: at
// every position the drawing must be byte for byte what it was when the history was there.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "document/TAVDoc.h"

namespace {

struct SInput {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    int Next(int bound) { return bound <= 0 ? 0 : (More() ? data[at++] : 0) % bound; }
};

std::unique_ptr<CEntity> MakeEntity(SInput& in) {
    if (in.Next(2) == 0) {
        auto p = std::make_unique<CPnt>();
        p->m_point = CPoint3(in.Next(100), in.Next(100), in.Next(100));
        p->m_layer = in.Next(4);
        return p;
    }
    auto p = std::make_unique<CPoly>();
    for (int k = in.Next(5); k >= 0; --k) {
        p->AddVertex(CPoint3(in.Next(100), in.Next(100), 0));
    }
    p->m_layer = in.Next(4);
    return p;
}

// One change inside the open step.
void Change(CTAVDoc& doc, SInput& in) {
    const int n = doc.GetEntityCount();
    switch (in.Next(8)) {
        case 0:
            if (n < 2000) {
                doc.AddEntity(MakeEntity(in));
            }
            break;
        case 1: {
            std::vector<std::unique_ptr<CEntity>> list;
            for (int k = in.Next(20); k > 0 && n < 2000; --k) {
                list.push_back(MakeEntity(in));
            }
            doc.AppendEntities(list);
            break;
        }
        case 2: {
            std::vector<int> doomed;
            for (int k = in.Next(6); k > 0; --k) {
                doomed.push_back(in.Next(n + 1) - 1);
            }
            doc.RemoveEntities(doomed);
            break;
        }
        case 3:
            doc.RemoveEntity(in.Next(n + 1));
            break;
        case 4:
            if (n > 0) {
                const int i = in.Next(n);
                doc.TouchEntity(i);
                doc.GetEntity(i)->m_layer = in.Next(doc.GetLayerCount());
                doc.GetEntity(i)->m_name = std::string(static_cast<size_t>(in.Next(40)), 'n');
            }
            break;
        case 5:
            if (doc.GetLayerCount() < 50) {
                doc.Layers().emplace_back("L" + std::to_string(in.Next(256)), 0, 1);
            }
            break;
        case 6:
            doc.DeleteLayer(in.Next(doc.GetLayerCount()));
            if (doc.GetCurrentLayer() >= doc.GetLayerCount()) {
                doc.SetCurrentLayer(doc.GetLayerCount() - 1);
            }
            break;
        default:
            doc.ClipPlanes().emplace_back("C", in.Next(2), CPoint3(in.Next(9), 0, 0),
                                          CVec3(0, 0, 1));
            doc.RecomputeExtents();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SInput in{data, size};
    CTAVDoc doc;
    doc.History().SetLimits(1 << 30, SIZE_MAX);
    doc.Layers().emplace_back("B", 0, 1);
    doc.Layers().emplace_back("C", 0, 1);
    doc.Layers().emplace_back("D", 0, 1);
    std::vector<std::vector<uint8_t>> states = {doc.SaveToBytes()};
    const auto check = [&] {
        const size_t pos = static_cast<size_t>(doc.History().UndoCount());
        if (pos >= states.size() || doc.SaveToBytes() != states[pos] ||
            static_cast<size_t>(doc.History().RedoCount()) != states.size() - 1 - pos) {
            std::abort();
        }
    };
    for (int ops = 0; in.More() && ops < 300; ++ops) {
        switch (in.Next(4)) {
            case 0:
                doc.Undo();
                check();
                break;
            case 1:
                doc.Redo();
                check();
                break;
            default: {
                const int before = doc.History().UndoCount();
                const bool cancel = in.Next(4) == 0;
                doc.BeginStep("fuzz");
                for (int k = in.Next(4); k >= 0; --k) {
                    Change(doc, in);
                }
                if (cancel) {
                    doc.CancelStep();
                    check();
                    break;
                }
                std::vector<uint8_t> bytes = doc.SaveToBytes();
                doc.EndStep();
                if (doc.History().UndoCount() == before + 1) {
                    states.resize(static_cast<size_t>(before) + 1);
                    states.push_back(std::move(bytes));
                }
                check();
                break;
            }
        }
    }
    while (doc.Undo()) {
    }
    if (doc.SaveToBytes() != states[0]) {
        std::abort();
    }
    return 0;
}
