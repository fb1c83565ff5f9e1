#pragma once

// What the point text and GSI readers share: the points they make and the pre-load of the
// alignment from the reserved labels (the merge runs the dialog and places the points).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/Entity.h"
#include "exchange/Alignment.h"
#include "exchange/ImportSession.h"

class CTAVDoc;

// Points (CPnt only) read from a file, in file order, in the file's own coordinates. Held as
// the drawing holds entities, so that the whole list can become the drawing's list.
using SurveyPointList = std::vector<std::unique_ptr<CEntity>>;

// The object type whose data tree keeps a point's code ("inne dane", the code its one child).
inline constexpr int kCodeObjectType = 5;

// Gives p the data tree of its code: "inne dane" with the code as its one child.
void KeepCode(CPnt& p, const std::string& code);

// A new point as the readers make it: name, coordinates, colour (1, 1, 1), number 0.
std::unique_ptr<CPnt> MakeSurveyPoint(std::string name, const CPoint3& p);

// The dialog defaults, with the model side taken from the reserved labels as the points are
// read in file order: every "BAZA" before the second axis point sets the origin; the first
// and second of "BAZAX", "BAZAY", "BAZAZ" set the two axis points and their axes; after the
// second nothing more is seen.
class CAlignmentPreload {
public:
    // Looks at the next point read.
    void See(std::string_view name, const CPoint3& p);
    // The dialog's values so far.
    const SAlignment& Values() const { return m_values; }

private:
    SAlignment m_values;
    int m_axisPoints = 0;
};

// The pre-load of a whole list.
SAlignment PreloadAlignment(const SurveyPointList& points);

class CLineReader;
// The end of a point list's reading: refused or stopped as it went, refused on a read error,
// else the points (and the alignment pre-load from them) are the result's.
SImportResult FinishPointList(SImportResult& result, bool cancelled, const CLineReader& reader,
                              SurveyPointList& points);

// "Line: <n>. \n" followed by text: the form of every reader message about a line.
std::string LineMessageText(int line, std::string_view text);

// A label as read from a file, as UTF-8: kept when it already is UTF-8, else taken as
// Windows-1250 (files made on Windows). Never fails.
std::string LabelToUtf8(std::string_view raw);
