#include "exchange/AscImport.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "document/Entity.h"
#include "document/EntityPool.h"
#include "document/Progress.h"
#include "exchange/ChunkLanes.h"
#include "exchange/LineReader.h"
#include "exchange/ScanNumbers.h"
#include "exchange/TribonLines.h"

namespace {

// The reader's messages.
constexpr char kSkipped[] =
    "%d elements were skipped: they refer to nodes outside the node list or to node lines "
    "that could not be read.";

// A node of the list; ok is false when its line did not give a number and three coordinates.
struct SNode {
    double x, y, z;
    bool ok;
};

// Lines per chunk: enough that handing chunks between the threads costs nothing to speak of,
// few enough that both threads have work at the end.
constexpr size_t kChunkLines = 4096;

struct SNodeChunk {
    CLineChunk lines;
    uint64_t bytesRead = 0;  // of the source, once the chunk was read
    std::vector<SNode> nodes;
};

struct SElementChunk {
    CLineChunk lines;
    uint64_t bytesRead = 0;
    std::vector<std::unique_ptr<CEntity>> polygons;
    int64_t skipped = 0;
};

void DecodeNodes(SNodeChunk& chunk) {
    chunk.nodes.resize(chunk.lines.Size());
    for (size_t i = 0; i < chunk.lines.Size(); ++i) {
        std::string_view text = chunk.lines.Line(i);
        int number = 0;
        SNode& node = chunk.nodes[i];
        node = SNode{0.0, 0.0, 0.0, false};
        node.ok = ScanInt(text, number) && ScanDouble(text, node.x) && ScanDouble(text, node.y) &&
                  ScanDouble(text, node.z);
    }
}

void DecodeElements(SElementChunk& chunk, const std::vector<SNode>& nodes) {
    CEntityStorageCache cache;
    chunk.polygons.clear();
    chunk.polygons.reserve(chunk.lines.Size());
    chunk.skipped = 0;
    const int64_t nodeCount = static_cast<int64_t>(nodes.size());
    for (size_t i = 0; i < chunk.lines.Size(); ++i) {
        // "%d %d %d %d %d": the number of values converted gives the kind.
        int values[5];
        int converted = 0;
        std::string_view text = chunk.lines.Line(i);
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
            ++chunk.skipped;
            continue;
        }
        // Every member has its initializer: no zero fill first (one entity per element).
        auto poly = std::make_unique_for_overwrite<CPoly>();
        poly->m_closed = corners >= 3 ? 1 : 0;
        poly->m_color[0] = poly->m_color[1] = poly->m_color[2] = 1.0;
        poly->m_vertices.reserve(static_cast<size_t>(corners));
        for (int k = 0; k < corners; ++k) {
            poly->m_vertices.emplace_back(corner[k]->x, corner[k]->y, corner[k]->z);
        }
        if (poly->m_closed) {
            poly->Tessellate();
            poly->ComputePlane();
        }
        chunk.polygons.push_back(std::move(poly));
    }
}

}  // namespace

SImportResult ReadAscFile(const SImportSource& source, const SImportOptions& options) {
    SImportResult result;
    CImportCollector out(result);
    CLineReader in;
    std::string reason;
    if (!in.Open(source, reason)) {
        out.Unreadable(reason);
        return result;
    }
    CProgressMeter meter(options.progress, ImportProgressTitle(source));
    std::atomic<bool> stop = false;
    int64_t skipped = 0;
    RunReading(result, EImportOutcome::Incomplete, [&] {
        std::string_view line;
        // A missing or negative count gives an empty node list; the count alone is never
        // trusted for allocation.
        int count = 0;
        if (in.ReadLine(line)) {
            std::string_view text = line;
            if (!ScanInt(text, count) || count < 0) {
                count = 0;
            }
        }
        // A node line takes at least eight bytes ("1 0 0 0" and its line end), so what is
        // left of the file bounds the list, and it is reserved at once.
        std::vector<SNode> nodes;
        const uint64_t bytesLeft = in.FileSize() - std::min(in.FileSize(), in.BytesRead());
        nodes.reserve(
            static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(count), bytesLeft / 8)));
        // Both phases decode on two threads (a third faster than one, bench/threads); the node list
        // is complete before any element is.
        size_t nodeLinesLeft = static_cast<size_t>(count);
        CChunkLanes<SNodeChunk> nodeLanes;
        nodeLanes.Run(
            [&](SNodeChunk& chunk) {
                if (stop || nodeLinesLeft == 0 ||
                    !chunk.lines.Fill(in, std::min(nodeLinesLeft, kChunkLines))) {
                    return false;
                }
                nodeLinesLeft -= chunk.lines.Size();
                chunk.bytesRead = in.BytesRead();
                return true;
            },
            DecodeNodes,
            [&](SNodeChunk& chunk) {
                nodes.insert(nodes.end(), chunk.nodes.begin(), chunk.nodes.end());
                stop = stop || !meter.Update(chunk.bytesRead, in.FileSize());
            });

        CChunkLanes<SElementChunk> elementLanes;
        elementLanes.Run(
            [&](SElementChunk& chunk) {
                if (stop || !chunk.lines.Fill(in, kChunkLines)) {
                    return false;
                }
                chunk.bytesRead = in.BytesRead();
                return true;
            },
            [&](SElementChunk& chunk) { DecodeElements(chunk, nodes); },
            [&](SElementChunk& chunk) {
                skipped += chunk.skipped;
                out.AddAll(chunk.polygons);
                stop = stop || !meter.Update(chunk.bytesRead, in.FileSize());
            });
    });
    if (meter.Cancelled()) {
        return CancelledResult();
    }
    if (result.outcome != EImportOutcome::Complete) {
        return result;
    }
    if (in.Failed()) {
        ApplyStop(result, ReadFailedStop(in.ErrorText()));
        return result;
    }
    if (skipped > 0) {
        out.Message(FillReaderMessage(kSkipped, {std::to_string(skipped)}));
    }
    return result;
}

EImportResult ImportAscFile(CTAVDoc& doc, const std::string& path) {
    return ImportWith(doc, SImportSource::File(path), {}, ReadAscFile);
}
