#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "document/Entity.h"

class CProgress;
class CTAVDoc;

// The DXF colour numbers 0..255 as red, green, blue in 0..1. Entry 0 is white: the importer
// gives it to entities without a colour number; NearestAciColor never answers 0.
extern const std::array<std::array<double, 3>, 256> AciPalette;

// The colour number nearest to rgb (components 0..1) by the sum of the absolute differences:
// 7 unless some number 1..255 is strictly nearer than white, ties to the lower number.
int NearestAciColor(const double rgb[3]);

// Writes the DXF records of each entity kind into its buffer, with CRLF line ends; the layer
// name must already be encoded (EncodeDxfText).
class CDxfWriter : public CDxfSink {
public:
    CDxfWriter() = default;

    // The comment naming the program, the HEADER (R12, Windows-1250), the tables of line types
    // and layers (names as DxfLayerNames gives them, hidden ones off) and the start of the
    // ENTITIES section.
    void WriteHeader(const std::vector<std::string>& layerNames = {},
                     const std::vector<bool>& layerHidden = {});
    // The end of the section and "EOF" without a line end.
    void WriteFooter();
    // POINT.
    void WritePnt(const CPnt& pnt, const std::string& layerName, int colorNumber) override;
    // POLYLINE with VERTEX records and SEQEND; flag 70 is 9 for a polygon, 8 for a polyline.
    void WritePoly(const CPoly& poly, const std::string& layerName, int colorNumber) override;
    // CIRCLE when the angular length is within 1e-8 of 360, else ARC. Centres and insertion
    // points are in the entity's own coordinate system (its axis by the arbitrary axis
    // algorithm), world coordinates for the world's z axis.
    void WriteArc(const CArc& arc, const std::string& layerName, int colorNumber) override;
    // TEXT.
    void WriteText(const CText& text, const std::string& layerName, int colorNumber) override;

    // The bytes written since the last Clear.
    std::string_view Bytes() const { return {m_buf.data(), m_size}; }
    // Empties the buffer (its storage is kept).
    void Clear() { m_size = 0; }

private:
    void Reserve(size_t more);
    void Put(std::string_view text);
    template <size_t N>
    void Lit(const char (&text)[N]) {
        Put(std::string_view(text, N - 1));
    }
    void Line(std::string_view value);
    void Num(double value);
    void Int(int value);
    void Common(std::string_view kind, const std::string& layerName, int colorNumber);

    std::vector<char> m_buf;
    size_t m_size = 0;
};

// "%lf" of value (fixed notation, six decimals, correctly rounded, "-0.000000" for negative
// values that round to zero, "inf" and "nan" as the C library writes them) into out, which
// must hold kDxfNumberChars; returns the length.
inline constexpr size_t kDxfNumberChars = 330;
size_t FormatDxfNumber(double value, char* out);

// The drawing's layer names as DXF names in Windows-1250: what names may not hold (<>/\":;?*|=`,
// control characters, characters the code page lacks) becomes '_', an empty name is "_", and a
// name equal to an earlier one without regard to case gets "_2", "_3" and so on.
std::vector<std::string> DxfLayerNames(const CTAVDoc& doc);

// Writes every entity of the drawing into a DXF file (HEADER, TABLES, ENTITIES), through a
// temporary file renamed over path when complete, and shows the count of entities written
// when it is positive. On failure reports it through the document's prompter, leaves any
// existing file as it was and returns false. progress, when given, sees the entities written;
// stopped there, any existing file stays as it was, no temporary file is left, nothing is said
// and false is returned.
bool ExportDxfFile(CTAVDoc& doc, const std::string& path, CProgress* progress = nullptr);
