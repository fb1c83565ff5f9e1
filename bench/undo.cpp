// Undo and redo of a large import: times of the merge, the undo and the redo, and what the
// history holds in each state. Usage: undo [N...] (default 1000000); TAV_UNDO_RUNS sets the
// runs (5).

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchCommon.h"
#include "MixedDrawing.h"
#include "document/TAVDoc.h"
#include "exchange/ImportSession.h"

namespace {

void Run(int n, int runs) {
    CTAVDoc source;
    BuildMixedDrawing(source, n);
    std::vector<double> merge, undo, redo;
    size_t doneBytes = 0, undoneBytes = 0;
    for (int r = 0; r < runs; ++r) {
        SImportResult result;
        result.entities.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            result.entities.push_back(source.GetEntity(i)->Clone());
        }
        CTAVDoc doc;
        doc.AddEntity(source.GetEntity(0)->Clone());
        const auto t0 = Clock::now();
        MergeImport(doc, result, "bench");
        const auto t1 = Clock::now();
        doneBytes = doc.History().Bytes();
        doc.Undo();
        const auto t2 = Clock::now();
        undoneBytes = doc.History().Bytes();
        doc.Redo();
        const auto t3 = Clock::now();
        if (doc.GetEntityCount() != n + 1) {
            std::fprintf(stderr, "redo lost entities\n");
            return;
        }
        merge.push_back(Seconds(t0, t1));
        undo.push_back(Seconds(t1, t2));
        redo.push_back(Seconds(t2, t3));
    }
    std::printf("%d entities, median of %d runs\n", n, runs);
    std::printf("  merge (import step)  %8.3f s\n", Median(merge));
    std::printf("  undo                 %8.3f s\n", Median(undo));
    std::printf("  redo                 %8.3f s\n", Median(redo));
    std::printf("  history after import %10.1f KB\n", doneBytes / 1024.0);
    std::printf("  history after undo   %10.1f KB (the entities it holds)\n", undoneBytes / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = RunsFromEnv("TAV_UNDO_RUNS");
    for (long long n : SizesFromArgs(argc, argv, {1000000})) {
        Run(static_cast<int>(n), runs);
    }
    return 0;
}
