#pragma once

// Rules of the layer and clipping plane managers that need no widgets: new names, the name
// check, flag toggling over a selection, deleting selected layers, the limit of active planes
// and the conversion of plane values between global and current coordinates.

#include <string>
#include <vector>

#include "document/Layer.h"
#include "geometry/Vec3.h"

class CPrompter;
class CTAVDoc;

namespace managertexts {
inline constexpr char kChooseOneLayer[] = "Wybierz jedną warstwę";
inline constexpr char kTooManyPlanes[] =
    "Nie moze byc wlaczonych wiecej niz \n%d plaszczyzn odcinajacych!";
inline constexpr char kZeroNormal[] = "Wektor normalny nie może być zerowy!";
}  // namespace managertexts

// Longest name, in characters, that the name check reads.
inline constexpr int kMaxObjectNameChars = 511;
// Planes every OpenGL implementation offers; the limit before a view has read its own.
inline constexpr int kLeastClipPlanes = 6;

// "Warstwa" followed by the first number from the layer count on that no layer is named.
std::string MakeNewLayerName(const CTAVDoc& doc);
// Appends an unlocked, visible layer named by MakeNewLayerName; returns its index.
int AddNewLayer(CTAVDoc& doc);

// The typed name cut to kMaxObjectNameChars characters and trimmed of blanks and tabs at both
// ends; "" when nothing else is left.
std::string TrimObjectName(const std::string& typed);
// Checks a name typed for layer row (any index when the layer is new): refuses an empty name
// (41457) or one that another layer has exactly (41458), showing the message; on success out
// is the trimmed name.
bool CheckLayerName(const CTAVDoc& doc, int row, const std::string& typed, CPrompter& prompter,
                    std::string& out);
// The same for clipping plane index (-1 for a new plane).
bool CheckClipPlaneName(const CTAVDoc& doc, int index, const std::string& typed,
                        CPrompter& prompter, std::string& out);

// Flag column of a layer row at client x: 0 locked (4..19), 1 visible (20..35), -1 none.
int LayerFlagColumn(int x);
// Sets the flag (0 locked, 1 visible) of every selected row to the opposite of the clicked
// row's value; rows outside the table are skipped. False when clicked is not a layer.
bool ToggleLayerFlag(CTAVDoc& doc, const std::vector<int>& selected, int clicked, int flag);

// Deletes the layers of the selected rows (each asked for by DeleteLayer) in ascending order,
// keeping current on the same layer, or on the one that took its place when it went. Returns
// the row of each deletion as the list held it at that moment, in order.
std::vector<int> DeleteSelectedLayers(CTAVDoc& doc, std::vector<int> rows, int& current);

// The limit of active planes for a view's reading (0 or less: not read yet).
int ClipPlaneLimit(int viewLimit);
// Number of active planes of doc.
int CountActiveClipPlanes(const CTAVDoc& doc);
// Shows the limit message and returns false when more than limit planes are active.
bool CheckActiveClipPlanes(const CTAVDoc& doc, int limit, CPrompter& prompter);

// The plane "&Nowa..." starts from: no name, not active, at the current system's origin with
// its X axis as normal, in global coordinates.
CClipPlane MakeNewClipPlane(const CTAVDoc& doc);

// Values of the plane dialog as the user sees them (current coordinates).
struct SClipPlaneInput {
    std::string name;
    int active = 0;
    CPoint3 point;
    CVec3 normal;
};
// The dialog's values for plane (global) in current coordinates.
SClipPlaneInput ClipPlaneToInput(const CTAVDoc& doc, const CClipPlane& plane);
// Checks typed values for plane index (-1 new): the name (41457, 41458), then a normal shorter
// than 1e-8 (refused, as it would clip nothing). On success out holds the global plane with its
// equation; otherwise the message was shown and out is untouched.
bool CheckClipPlaneInput(const CTAVDoc& doc, int index, const SClipPlaneInput& input,
                         CPrompter& prompter, CClipPlane& out);
