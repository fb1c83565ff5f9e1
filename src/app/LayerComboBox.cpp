#include "app/LayerComboBox.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "app/CommandTable.h"
#include "document/StringTable.h"
#include "document/TAVDoc.h"
#include "resources/Images.h"

namespace {

// Hit zones of a row, in pixels from the row's left edge.
constexpr int kLockLeft = 4;
constexpr int kEyeLeft = 20;
constexpr int kIconsRight = 36;

// Draws the rows of the dropped list with the combo's own drawing.
class CLayerItemDelegate : public QStyledItemDelegate {
public:
    explicit CLayerItemDelegate(CLayerComboBox* combo)
        : QStyledItemDelegate(combo), m_combo(combo) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        m_combo->DrawItem(*p, option.rect, index.row(),
                          option.state & (QStyle::State_Selected | QStyle::State_MouseOver));
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {CLayerComboBox::kWidth, m_combo->ItemHeight()};
    }

private:
    CLayerComboBox* m_combo;
};

}  // namespace

CLayerComboBox::CLayerComboBox(QWidget* parent) : QComboBox(parent) {
    setObjectName(QString::number(cmd::kLayerCombo));
    setFixedWidth(kWidth);
    setMaxVisibleItems(std::max(1, 128 / ItemHeight()));
    setItemDelegate(new CLayerItemDelegate(this));
    setFocusPolicy(Qt::TabFocus);
    m_images[0] = images::LayerImage(images::kUnlocked);
    m_images[1] = images::LayerImage(images::kLocked);
    m_images[2] = images::LayerImage(images::kVisible);
    m_images[3] = images::LayerImage(images::kHidden);
    view()->viewport()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, &CLayerComboBox::OnActivated);
}

void CLayerComboBox::Reload(CTAVDoc* doc, QObject* guard) {
    disconnect(m_guardConnection);
    m_doc = guard ? doc : nullptr;
    m_guard = m_doc ? guard : nullptr;
    if (m_guard) {
        m_guardConnection =
            connect(m_guard, &QObject::destroyed, this, [this] { Reload(nullptr, nullptr); });
    }
    clear();
    if (m_doc) {
        for (int i = 0; i < m_doc->GetLayerCount(); ++i) {
            addItem(QString());
        }
        const int current = m_doc->GetCurrentLayer();
        setCurrentIndex(current >= 0 && current < count() ? current : -1);
    }
    update();
}

CTAVDoc* CLayerComboBox::GetDocument() const {
    return m_guard ? m_doc : nullptr;
}

int CLayerComboBox::ItemHeight() const {
    const int text = fontMetrics().boundingRect(QString::fromUtf8(LoadStr(41489))).height();
    return std::max(text, 16) + 2;
}

bool CLayerComboBox::ToggleAt(int layer, int x) {
    CTAVDoc* doc = GetDocument();
    if (!doc || layer < 0 || layer >= doc->GetLayerCount() || x < kLockLeft || x >= kIconsRight) {
        return false;
    }
    {
        CDocStep step(*doc, x < kEyeLeft ? stepnames::kLayerLock : stepnames::kLayerVisible);
        CLayer& l = doc->GetLayer(layer);
        if (x < kEyeLeft) {
            l.m_locked = l.m_locked ? 0 : 1;
        } else {
            l.m_visible = l.m_visible ? 0 : 1;
        }
        // Both flags are stored in the file: the change must not be lost on close.
        doc->SetModifiedFlag();
    }
    update();
    view()->viewport()->update();
    doc->InvalidateViews();
    doc->UpdateAllViews(0);
    return true;
}

void CLayerComboBox::DrawItem(QPainter& p, const QRect& rect, int index, bool selected) const {
    const CTAVDoc* doc = GetDocument();
    if (index < 0 || !doc || index >= doc->GetLayerCount()) {
        return;
    }
    const CLayer& layer = doc->GetLayer(index);
    const int y = rect.top() + (rect.height() - 16) / 2;
    p.drawPixmap(rect.left() + 2, y, m_images[layer.m_locked ? 1 : 0]);
    p.drawPixmap(rect.left() + 18, y, m_images[layer.m_visible ? 2 : 3]);
    const QRect textArea(rect.left() + 36, rect.top(), std::max(0, rect.width() - 36),
                         rect.height());
    const QPalette& pal = palette();
    p.fillRect(textArea, selected ? pal.highlight() : pal.base());
    p.setPen(selected ? pal.highlightedText().color() : pal.text().color());
    p.drawText(textArea.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(layer.m_name));
}

void CLayerComboBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    // The row starts 2 pixels in, so the images lie exactly over their hit zones.
    const QRect row(2, field.top(), std::max(0, field.right() - 1), field.height());
    DrawItem(p, row, currentIndex(), hasFocus());
}

void CLayerComboBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QComboBox::mousePressEvent(event);
        return;
    }
    const int x = static_cast<int>(event->position().x());
    if (x > kIconsRight) {
        QComboBox::mousePressEvent(event);
        return;
    }
    // Clicks on the images toggle without opening the list; the rest of the image strip
    // (x < 4 and the boundary x = 36) does nothing.
    const int current = currentIndex();
    if (current >= 0 && current < count()) {
        ToggleAt(current, x);
    }
    m_swallowRelease = true;
    event->accept();
}

void CLayerComboBox::mouseReleaseEvent(QMouseEvent* event) {
    if (m_swallowRelease && event->button() == Qt::LeftButton) {
        m_swallowRelease = false;
        event->accept();
        return;
    }
    QComboBox::mouseReleaseEvent(event);
}

void CLayerComboBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // The default handling would take the second click for a press and toggle again.
    event->accept();
}

bool CLayerComboBox::ListMousePress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return false;
    }
    const int x = static_cast<int>(event->position().x());
    if (x > kIconsRight) {
        return false;  // selects the row and closes the list
    }
    const QModelIndex index = view()->indexAt(event->position().toPoint());
    if (index.isValid() && index.row() < count()) {
        ToggleAt(index.row(), x);
    }
    // The list stays open: its release must not select the row either.
    m_listSwallowRelease = true;
    return true;
}

bool CLayerComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            return ListMousePress(static_cast<QMouseEvent*>(event));
        }
        if (event->type() == QEvent::MouseButtonRelease && m_listSwallowRelease) {
            m_listSwallowRelease = false;
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void CLayerComboBox::OnActivated(int index) {
    CTAVDoc* doc = GetDocument();
    if (!doc) {
        return;
    }
    if (index >= 0 && index < count()) {
        if (index != doc->GetCurrentLayer()) {
            CDocStep step(*doc, stepnames::kCurrentLayer);
            doc->SetCurrentLayer(index);
            // The current layer is stored in the file.
            doc->SetModifiedFlag();
        }
    } else if (count() > 0) {
        setCurrentIndex(0);
    }
}
