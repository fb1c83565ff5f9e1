#pragma once

// Local coordinate systems as the editing dialogs use them: the active system's transform
// both ways, the checks of a system definition and storing it with its transform.

#include "document/Layer.h"
#include "geometry/Vec3.h"

class CTAVDoc;

// The world-to-local transform of a system: the inverse of its local frame (X axis towards
// the X point, Y in the plane of the three points). Throws CGeometryError with the frame
// builder's text when the points span no plane.
CMatrix4 MakeWorldToLocal(const CCoordSystem& system);

// The transform between global coordinates and the document's active system; the identity
// when the global frame is active (or the active index is not a valid one).
class CCoordFrame {
public:
    // The identity both ways.
    CCoordFrame();
    // From a world-to-local matrix; a matrix that does not invert leaves IsInvertible false.
    explicit CCoordFrame(const CMatrix4& worldToLocal);
    // The active system of doc.
    static CCoordFrame Active(const CTAVDoc& doc);

    // False when local values cannot be taken back to global ones (a singular stored matrix).
    bool IsInvertible() const { return m_invertible; }
    // Global point to local; the flag word is kept.
    CPoint3 ToLocal(const CPoint3& p) const;
    // Local point to global; the flag word is kept. Identity when not invertible.
    CPoint3 ToGlobal(const CPoint3& p) const;
    // Direction into local coordinates (rotation only).
    CVec3 DirToLocal(const CVec3& v) const;
    // Direction back to global coordinates (rotation only).
    CVec3 DirToGlobal(const CVec3& v) const;

private:
    CMatrix4 m_toLocal;
    CMatrix4 m_toGlobal;
    bool m_invertible = true;
};

// The Z axis of the active system, the unit (X point − origin) × (Y point − origin), or
// (0, 0, 1) in the global frame or when that product has no length.
CVec3 ActiveZAxis(const CTAVDoc& doc);

// Checks a definition (global points) about to be stored at index (-1 for a new system):
// the message of the first failure in order empty name, name of another system (exact case),
// points that overlap or are collinear; nullptr when it may be stored.
const char* CheckCoordSystem(const CTAVDoc& doc, int index, const CCoordSystem& system);

// Appends (index -1 or out of range) or replaces the system with its transform; returns its
// index. Throws CGeometryError and stores nothing when the transform cannot be built.
int StoreCoordSystem(CTAVDoc& doc, int index, const CCoordSystem& system);
