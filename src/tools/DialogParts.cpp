#include "tools/DialogParts.h"

#include <QBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionViewItem>

QPushButton* AddIdButton(QBoxLayout* layout, QWidget* owner, int id, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), owner);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    layout->addWidget(b);
    return b;
}

void PaintRowName(QPainter* p, const QStyleOptionViewItem& option, int textLeft, int nameLeft,
                  const std::string& name) {
    const QRect r = option.rect;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette& pal = option.palette;
    QRect text = r;
    text.setLeft(r.left() + textLeft);
    p->fillRect(text, selected ? pal.highlight() : pal.base());
    text.setLeft(r.left() + nameLeft);
    p->setPen(selected ? pal.highlightedText().color() : pal.text().color());
    p->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                QString::fromStdString(name));
}
