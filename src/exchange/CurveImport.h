#pragma once

#include <string>

#include "exchange/ImportSession.h"

class CTAVDoc;

// Reads planar curves exported by Tribon (.crv): every contour becomes an open polyline named
// by its curve and placed by the curve's matrix. A format error is shown (without a line
// number) and ends the import (Refused); the end of the file where a count is due ends it
// silently (Done). Either way placed curves stay and the finished contours of the curve being
// read stay unplaced. OpenFailed when the file cannot be opened or read.
SImportResult ReadCurveFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportCurveFile(CTAVDoc& doc, const std::string& path);
