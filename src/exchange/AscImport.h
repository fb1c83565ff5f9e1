#pragma once

#include <string>

#include "exchange/ImportSession.h"

class CTAVDoc;

// Reads an ASCII mesh (.asc): a node count, that many node lines "number X Y Z", then element
// lines "number p1 p2 [p3 [p4]]" whose node positions count from 1 in the node list. Two
// positions give an open polyline, three a triangle, four a rectangle (closed, triangulated).
// Coordinates are kept in double precision. Elements that name a position outside the node
// list or a node line that did not scan are skipped, and one message at the end says how many.
// Complete when the source was read to its end; Refused (unreadable) when it cannot be opened,
// Incomplete (unreadable) with what was read when reading fails or memory runs out; Cancelled
// by the progress.
SImportResult ReadAscFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportAscFile(CTAVDoc& doc, const std::string& path);
