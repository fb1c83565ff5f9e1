#pragma once

#include <string>

#include "exchange/ImportSession.h"

class CTAVDoc;

// Reads flat panels exported by Tribon (.pnl): plates become polygons, stiffeners polylines,
// placed by each panel's matrix and mirrored across Y = 0 by its symmetry code. A format error
// is shown with its line number and ends the import (Refused): placed panels stay, and the
// finished plates and stiffeners of the panel being read stay unplaced; a plate whose name line
// is bad is skipped with a message and reading goes on. OpenFailed when the file cannot be
// opened or read.
SImportResult ReadPanelFile(const SImportSource& source, const SImportOptions& options);
// Reads path and merges it into doc.
EImportResult ImportPanelFile(CTAVDoc& doc, const std::string& path);
