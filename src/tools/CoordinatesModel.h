#pragma once

// The vertices of one polyline or polygon as a table: a check box for each vertex's flag word
// and its X, Y, Z in the document's active coordinate system. The vertices stay global; the
// model converts both ways and writes straight into the entity.

#include <QAbstractTableModel>

#include "document/Entity.h"

class CTAVDoc;

class CCoordinatesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Header of columns 1 to 3: the letter, a colon and nine blanks.
    static const char* HeaderText(int column);

    explicit CCoordinatesModel(QObject* parent = nullptr);

    // Shows poly of doc (either may be null: an empty table). Resets the model.
    void Attach(CTAVDoc* doc, CPoly* poly);
    CPoly* Poly() const { return m_poly; }
    CTAVDoc* Document() const { return m_doc; }
    // Re-reads every row (after the active system or the vertices changed behind the model).
    void Refresh();

    // Vertex row in local coordinates, flag kept; the origin when row is out of range.
    CPoint3 LocalVertex(int row) const;
    // Vertex row in global coordinates; the origin when row is out of range.
    CPoint3 GlobalVertex(int row) const;
    // Stores a global point as vertex row (its flag word is kept); false when out of range.
    bool SetGlobalVertex(int row, const CPoint3& global);
    // Inserts a copy of vertex row after it; returns the new row, -1 when row is out of range.
    int InsertCopyAfter(int row);
    // Appends a copy of the last vertex ((0, 0, 0) with flag 1 when there is none); its row.
    int AppendPendingRow();
    // Removes vertex row; false when out of range.
    bool RemoveVertexRow(int row);
    // Removes every vertex.
    void RemoveAll();
    // Parses text as coordinate column (1..3) of row and stores the vertex: false, with
    // nothing changed and LastError() set, for a refused text or a singular active system.
    bool SetCoordinateText(int row, int column, const QString& text);
    // Stores value as coordinate column (1..3) of row, in local coordinates; false, with
    // LastError() set, when the active system does not invert or the cell does not exist.
    bool SetCoordinateValue(int row, int column, double value);
    // Message of the last refused SetCoordinateText or setData.
    const QString& LastError() const { return m_lastError; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Column 0 with the check state role sets the flag word to 1 (ticked) or 0; columns 1 to
    // 3 with the edit role parse the text as SetCoordinateText. false when refused.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    int VertexCount() const { return m_poly ? m_poly->GetVertexCount() : 0; }

    CTAVDoc* m_doc = nullptr;
    CPoly* m_poly = nullptr;
    QString m_lastError;
};
