// Leica GSI files from arbitrary bytes; the first byte also picks the unit and whether the
// instrument's coordinates win, so every way a block can turn into a point is tried.

#include "FuzzSurveyPoints.h"
#include "exchange/GsiImport.h"

namespace {

SImportOptions g_options;

SImportResult ReadWithOptions(const SImportSource& source, const SImportOptions& options) {
    SImportOptions o = options;
    o.gsiMetres = g_options.gsiMetres;
    o.gsiCoordinates = g_options.gsiCoordinates;
    return ReadGsiFile(source, o);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_options.gsiMetres = size > 0 && (data[0] & 1) != 0;
    g_options.gsiCoordinates = size > 0 && (data[0] & 2) != 0;
    return FuzzSurveyReader(data, size, ReadWithOptions);
}
