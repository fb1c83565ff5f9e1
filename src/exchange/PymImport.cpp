#include "exchange/PymImport.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "document/Archive.h"
#include "document/Entity.h"
#include "document/Layer.h"
#include "document/Progress.h"

namespace {

// The reader's messages.
constexpr char kBadLayer[] =
    "Entity %lld of the file refers to layer %lld, which the file does "
    "not define.";

// Smallest records, for refusing counts larger than the bytes left: a layer is two u32 and an
// empty string; an old-format entity at least an empty attribute data root (17 bytes), layer,
// number, an empty name and the colour.
constexpr uint64_t kMinLayerBytes = 4 + 4 + 1;
constexpr uint64_t kMinEntityBytes = 17 + 4 + 4 + 1 + 3 * 8;

std::string FormatBadLayer(long long entity, long long layer) {
    char buf[160];
    std::snprintf(buf, sizeof buf, kBadLayer, entity, layer);
    return buf;
}

// Loads one old-format record. The file's own entity number is replaced by a fresh one, so it
// must not move the process-wide counter (a number near the int limit would overflow it).
void LoadOldKeepingCounter(CEntity& e, CArchive& ar) {
    const int last = GetLastEntityNumber();
    try {
        e.LoadOld(ar);
    } catch (...) {
        SetLastEntityNumber(last);
        throw;
    }
    SetLastEntityNumber(last);
}

}  // namespace

namespace {

void ReadPymBytes(std::span<const uint8_t> data, const SImportOptions& options,
                  SImportResult& result) {
    CImportCollector out(result);
    const int k = options.drawingLayers;
    CProgressMeter meter(options.progress, "Import");
    RunReading(result, EImportOutcome::Incomplete, [&] {
        try {
            CArchive ar(data);
            for (int i = 0; i < 5; ++i) {
                ar.ReadU32();  // header values, not used
            }
            const uint32_t layerCount = ar.ReadCount();
            ar.CheckAvailable(layerCount, kMinLayerBytes, "Layer count");
            std::vector<CLayer> layers(layerCount);
            for (CLayer& layer : layers) {
                layer.Serialize(ar);
            }
            result.layers = std::move(layers);
            // Entities name the file's layers from 0; below 0 they reach back into the
            // drawing's own k layers.
            const int64_t layerTotal = static_cast<int64_t>(k) + layerCount;

            // Groups in file order: polygons, polylines, texts, arcs.
            static constexpr int kGroupTypes[4] = {kTypePolygon, kTypePolyline, kTypeText,
                                                   kTypeArc};
            long long index = 0;
            for (int type : kGroupTypes) {
                const uint32_t count = ar.ReadCount();
                ar.CheckAvailable(count, kMinEntityBytes, "Entity count");
                for (uint32_t i = 0; i < count; ++i) {
                    ++index;
                    std::unique_ptr<CEntity> e = CreateEntity(type);
                    LoadOldKeepingCounter(*e, ar);
                    const int64_t layer = static_cast<int64_t>(e->m_layer) + k;
                    if (layer < 0 || layer >= layerTotal) {
                        throw CArchiveException(CArchiveException::badIndex,
                                                FormatBadLayer(index, e->m_layer));
                    }
                    if (type == kTypePolygon || type == kTypePolyline) {
                        auto* poly = static_cast<CPoly*>(e.get());
                        poly->m_closed = type == kTypePolygon ? 1 : 0;
                        if (poly->m_closed) {
                            poly->Tessellate();
                            poly->ComputePlane();
                        }
                    }
                    const int fileLayer = e->m_layer;
                    out.Add(std::move(e), fileLayer);
                    if (!meter.Update(ar.Position(), data.size())) {
                        throw CImportStop(EImportOutcome::Cancelled, {});
                    }
                }
            }
        } catch (const CArchiveException& e) {
            throw CImportStop(EImportOutcome::Incomplete,
                              {SImportMessage::EKind::FileError, e.what()});
        }
    });
}

}  // namespace

SImportResult ReadPymFile(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    result.layerMatch = ELayerMatch::AppendRenamed;
    if (source.inMemory) {
        ReadPymBytes(source.bytes, options, result);
    } else {
        std::vector<uint8_t> bytes;
        std::string reason;
        if (!ReadFileBytes(source.name, bytes, reason)) {
            CImportCollector(result).Unreadable(reason);
            return result;
        }
        ReadPymBytes(bytes, options, result);
    }
    if (result.outcome == EImportOutcome::Cancelled) {
        return CancelledResult();
    }
    return result;
}

EImportResult ImportPymData(CTAVDoc& doc, std::span<const uint8_t> data,
                            const std::string& sourceName) {
    return ImportWith(doc, SImportSource::Memory(data, sourceName), {}, ReadPymFile);
}

EImportResult ImportPymFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadPymFile);
}
