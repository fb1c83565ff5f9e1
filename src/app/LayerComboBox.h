#pragma once

#include <QComboBox>
#include <QPixmap>
#include <QPointer>

class CTAVDoc;

// The combo box of the layers toolbar: one row per layer of the active document, drawn with a
// padlock (locked or not) and an eye (visible or hidden) before the name. Choosing a row makes
// that layer current; a click on the padlock or the eye toggles the flag at once, in the closed
// field for the current layer and in the dropped list for any row.
class CLayerComboBox : public QComboBox {
    Q_OBJECT
public:
    // Width of the combo and of its rows.
    static constexpr int kWidth = 350;

    explicit CLayerComboBox(QWidget* parent = nullptr);

    // Shows the layers of doc and selects its current layer; nullptr empties the list. The
    // combo forgets doc as soon as guard is destroyed, so a closed document is never touched;
    // without a guard the document is not shown.
    void Reload(CTAVDoc* doc, QObject* guard);
    // The document shown, or nullptr.
    CTAVDoc* GetDocument() const;
    // Toggles a flag of layer by the position x of a click: 4 <= x < 20 the locked flag,
    // 20 <= x < 36 the visible flag. False (nothing changed) for other x or an invalid layer.
    bool ToggleAt(int layer, int x);
    // Height of one row: that of the text "Warstwa", at least that of the images.
    int ItemHeight() const;
    // Draws row index into rect the way both the field and the list show it.
    void DrawItem(QPainter& p, const QRect& rect, int index, bool selected) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnActivated(int index);
    bool ListMousePress(QMouseEvent* event);

    CTAVDoc* m_doc = nullptr;
    QPointer<QObject> m_guard;
    QMetaObject::Connection m_guardConnection;
    QPixmap m_images[4];
    bool m_swallowRelease = false;
    bool m_listSwallowRelease = false;
};
