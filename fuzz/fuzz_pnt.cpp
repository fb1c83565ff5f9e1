// Point text files from arbitrary bytes.

#include "FuzzSurveyPoints.h"
#include "exchange/PointImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzSurveyReader(data, size, ReadPointFile);
}
