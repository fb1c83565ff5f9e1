#pragma once

// Printing an attribute data tree: at once on the default printer, or in a preview without one.

class CDataNode;
class QWidget;

// Prints tree at once on the default printer under the name "Wybrane drzewo danych z programu
// TAV"; without a default printer a print preview opens instead.
void PrintDataTree(const CDataNode& tree, QWidget* parent);
