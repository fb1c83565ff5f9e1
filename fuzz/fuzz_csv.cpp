// Delimited point lists from arbitrary bytes; the first byte also picks a column order.

#include "FuzzSurveyPoints.h"
#include "exchange/PointListCsv.h"

namespace {

const char* const kOrders[] = {"", "NYXZ", "XYZ", "-CNXYZ"};
SImportOptions g_options;

SImportResult ReadWithOptions(const SImportSource& source, const SImportOptions& options) {
    SImportOptions o = options;
    o.columns = g_options.columns;
    return ReadPointListCsv(source, o);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_options.columns = kOrders[size > 0 ? data[0] & 3 : 0];
    return FuzzSurveyReader(data, size, ReadWithOptions);
}
