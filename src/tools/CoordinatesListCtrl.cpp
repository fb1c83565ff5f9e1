#include "tools/CoordinatesListCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "tools/core/EditTexts.h"
#include "tools/core/NumberText.h"

CCoordinateEdit::CCoordinateEdit(CCoordinatesListCtrl& list, int row, int column, double value)
    : QLineEdit(list.viewport()), m_list(list), m_value(value), m_row(row), m_column(column) {
    setObjectName("999");
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMaxLength(kMaxNumberText);
    setText(QString::fromStdString(FormatFixed(value, 3)));
    setModified(false);
}

bool CCoordinateEdit::Validate() {
    m_handled = 1;
    double v = 0.0;
    if (!ParseNumberText(text().toStdString(), v)) {
        m_valid = 0;
        if (CTAVDoc* doc = m_list.Model().Document()) {
            doc->Prompter().ShowMessage(kEnterNumber, CPrompter::EIcon::Warning);
        }
        return false;
    }
    m_valid = 1;
    m_value = v;
    return true;
}

void CCoordinateEdit::Discard() {
    m_closing = true;
    hide();
    deleteLater();
}

// Closes the editor and hands the value to the list.
void CCoordinateEdit::Accept() {
    m_closing = true;
    const bool modified = isModified();
    CCoordinatesListCtrl& list = m_list;
    const int row = m_row, column = m_column;
    const double value = m_value;
    list.EditorClosed();
    hide();
    deleteLater();
    list.OnEditAccepted(row, column, value, modified && m_valid);
}

bool CCoordinateEdit::event(QEvent* event) {
    // Enter and Escape belong to the editor, not to the dialog's default button.
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CCoordinateEdit::keyPressEvent(QKeyEvent* event) {
    if (m_closing) {
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_handled = 0;
            if (Validate()) {
                Accept();
            } else {
                setFocus();
                selectAll();
            }
            event->accept();
            return;
        case Qt::Key_Escape: {
            m_handled = 1;
            m_valid = 0;
            m_closing = true;
            CCoordinatesListCtrl& list = m_list;
            list.EditorClosed();
            hide();
            deleteLater();
            list.setFocus();
            event->accept();
            return;
        }
        default:
            m_valid = 0;
            m_handled = 0;
            QLineEdit::keyPressEvent(event);
            return;
    }
}

void CCoordinateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (m_closing || m_handled) {
        return;
    }
    if (Validate()) {
        Accept();
        return;
    }
    QMetaObject::invokeMethod(&m_list, "OnEditRefused", Qt::QueuedConnection, Q_ARG(int, m_row));
    setFocus();
    selectAll();
}

CCoordinatesListCtrl::CCoordinatesListCtrl(QWidget* parent) : QTableView(parent) {
    setObjectName("1001");
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(false);
    // The check box column is narrower than the style's default minimum.
    horizontalHeader()->setMinimumSectionSize(16);
    connect(&m_model, &QAbstractItemModel::dataChanged, this,
            &CCoordinatesListCtrl::OnModelChanged);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid() && !m_selecting) {
                    emit itemChanged(current.row(), 0, kMaskState);
                }
            });
}

int CCoordinatesListCtrl::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CCoordinatesListCtrl::SelectRow(int row) {
    if (row < 0 || row >= m_model.rowCount()) {
        return;
    }
    const QModelIndex idx = m_model.index(row, 0);
    m_selecting = true;
    selectionModel()->setCurrentIndex(
        idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_selecting = false;
    scrollTo(idx);
    emit itemChanged(row, 0, kMaskState);
}

void CCoordinatesListCtrl::PostStartEdit(int row, int column) {
    QMetaObject::invokeMethod(this, "StartEdit", Qt::QueuedConnection, Q_ARG(int, row),
                              Q_ARG(int, column));
}

void CCoordinatesListCtrl::StartEdit(int row, int column) {
    const int n = m_model.rowCount();
    if (row < 0 || row > n || column < 1 || column > 3 || m_model.Poly() == nullptr) {
        return;
    }
    if (m_editor) {
        m_editor->setFocus();
        return;
    }
    if (row == n) {
        row = m_model.AppendPendingRow();
        m_pendingRow = row;
    }
    SelectRow(row);
    const QModelIndex idx = m_model.index(row, column);
    scrollTo(idx);
    QRect r = visualRect(idx);
    r.setTop(r.top() - 2);
    r.setBottom(r.bottom() + 1);
    m_editor = new CCoordinateEdit(*this, row, column, m_model.LocalVertex(row)[column - 1]);
    m_editor->setGeometry(r);
    m_editor->show();
    m_editor->selectAll();
    m_editor->setFocus();
}

void CCoordinatesListCtrl::OnEditAccepted(int row, int column, double value, bool modified) {
    if (!modified) {
        return;
    }
    if (!m_model.SetCoordinateValue(row, column, value)) {
        if (CTAVDoc* doc = m_model.Document(); doc && !m_model.LastError().isEmpty()) {
            doc->Prompter().ShowMessage(m_model.LastError().toStdString(),
                                        CPrompter::EIcon::Warning);
        }
        return;
    }
    emit itemChanged(row, column, kMaskText);
}

void CCoordinatesListCtrl::DiscardEditor() {
    if (m_editor) {
        m_editor->Discard();
        m_editor.clear();
    }
}

void CCoordinatesListCtrl::OnEditRefused(int row) {
    SelectRow(row);
}

void CCoordinatesListCtrl::EditorClosed() {
    m_editor.clear();
}

void CCoordinatesListCtrl::OnModelChanged(const QModelIndex& topLeft, const QModelIndex&,
                                          const QList<int>& roles) {
    // A tick set by the user selects its row.
    if (topLeft.column() == 0 && roles.contains(Qt::CheckStateRole)) {
        SelectRow(topLeft.row());
    }
}

void CCoordinatesListCtrl::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QModelIndex idx = indexAt(pos);
    int column = 0;
    if (idx.isValid() && selectionModel()->isRowSelected(idx.row(), QModelIndex()) &&
        currentIndex().row() == idx.row()) {
        column = idx.column();
    }
    QTableView::mousePressEvent(event);
    if (column >= 1) {
        PostStartEdit(idx.row(), column);
    }
}

void CCoordinatesListCtrl::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    setColumnWidth(0, 20);
    const int w = (width() - 24) / 3;
    for (int c = 1; c <= 3; ++c) {
        setColumnWidth(c, w > 10 ? w : 10);
    }
}
