#include "tools/CoordinatesModel.h"

#include "document/TAVDoc.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "tools/core/NumberText.h"

namespace {

CCoordFrame FrameOf(const CTAVDoc* doc) {
    return doc ? CCoordFrame::Active(*doc) : CCoordFrame();
}

}  // namespace

const char* CCoordinatesModel::HeaderText(int column) {
    static constexpr const char* kHeaders[4] = {"", "X:         ", "Y:         ", "Z:         "};
    return column >= 0 && column < 4 ? kHeaders[column] : "";
}

CCoordinatesModel::CCoordinatesModel(QObject* parent) : QAbstractTableModel(parent) {}

void CCoordinatesModel::Attach(CTAVDoc* doc, CPoly* poly) {
    beginResetModel();
    m_doc = doc;
    m_poly = poly;
    endResetModel();
}

void CCoordinatesModel::Refresh() {
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 3));
    }
}

CPoint3 CCoordinatesModel::GlobalVertex(int row) const {
    if (row < 0 || row >= VertexCount()) {
        return CPoint3();
    }
    return (*m_poly)[row];
}

CPoint3 CCoordinatesModel::LocalVertex(int row) const {
    if (row < 0 || row >= VertexCount()) {
        return CPoint3();
    }
    return FrameOf(m_doc).ToLocal((*m_poly)[row]);
}

bool CCoordinatesModel::SetGlobalVertex(int row, const CPoint3& global) {
    if (row < 0 || row >= VertexCount()) {
        return false;
    }
    CPoint3& v = (*m_poly)[row];
    const uint32_t flag = v.flag;
    v = global;
    v.flag = flag;
    emit dataChanged(index(row, 0), index(row, 3));
    return true;
}

int CCoordinatesModel::InsertCopyAfter(int row) {
    if (row < 0 || row >= VertexCount()) {
        return -1;
    }
    const CPoint3 copy = (*m_poly)[row];
    beginInsertRows(QModelIndex(), row + 1, row + 1);
    m_poly->InsertVertex(row + 1, copy);
    endInsertRows();
    return row + 1;
}

int CCoordinatesModel::AppendPendingRow() {
    if (m_poly == nullptr) {
        return -1;
    }
    const int n = VertexCount();
    const CPoint3 copy = n > 0 ? (*m_poly)[n - 1] : CPoint3();
    beginInsertRows(QModelIndex(), n, n);
    m_poly->AddVertex(copy);
    endInsertRows();
    return n;
}

bool CCoordinatesModel::RemoveVertexRow(int row) {
    if (row < 0 || row >= VertexCount()) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_poly->RemoveVertex(row);
    endRemoveRows();
    return true;
}

void CCoordinatesModel::RemoveAll() {
    if (VertexCount() == 0) {
        return;
    }
    beginResetModel();
    m_poly->SetVertexCount(0);
    endResetModel();
}

bool CCoordinatesModel::SetCoordinateText(int row, int column, const QString& text) {
    if (row < 0 || row >= VertexCount() || column < 1 || column > 3) {
        m_lastError.clear();
        return false;
    }
    double value = 0.0;
    if (!ParseNumberText(text.toStdString(), value)) {
        m_lastError = QString::fromUtf8(kEnterNumber);
        return false;
    }
    return SetCoordinateValue(row, column, value);
}

bool CCoordinatesModel::SetCoordinateValue(int row, int column, double value) {
    if (row < 0 || row >= VertexCount() || column < 1 || column > 3) {
        m_lastError.clear();
        return false;
    }
    const CCoordFrame frame = FrameOf(m_doc);
    if (!frame.IsInvertible()) {
        m_lastError = QString::fromUtf8(kSingularSystem);
        return false;
    }
    CPoint3 local = frame.ToLocal((*m_poly)[row]);
    local[column - 1] = value;
    return SetGlobalVertex(row, frame.ToGlobal(local));
}

int CCoordinatesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : VertexCount();
}

int CCoordinatesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant CCoordinatesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= VertexCount()) {
        return {};
    }
    const int c = index.column();
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (c == 0 && role == Qt::CheckStateRole) {
        const auto flag = static_cast<int32_t>((*m_poly)[index.row()].flag);
        return flag > 0 ? Qt::Checked : Qt::Unchecked;
    }
    if (c >= 1 && c <= 3 && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        return QString::fromStdString(FormatFixed(LocalVertex(index.row())[c - 1], 3));
    }
    return {};
}

QVariant CCoordinatesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return QString::fromLatin1(HeaderText(section));
    }
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CCoordinatesModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

bool CCoordinatesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= VertexCount()) {
        return false;
    }
    if (index.column() == 0 && role == Qt::CheckStateRole) {
        const bool ticked = value.toInt() == Qt::Checked;
        (*m_poly)[index.row()].flag = ticked ? 1u : 0u;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }
    if (index.column() >= 1 && role == Qt::EditRole) {
        return SetCoordinateText(index.row(), index.column(), value.toString());
    }
    return false;
}
