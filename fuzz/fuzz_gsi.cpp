// Leica GSI files from arbitrary bytes.

#include "FuzzSurveyPoints.h"
#include "exchange/GsiImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzSurveyReader(data, size, ReadGsiFile);
}
