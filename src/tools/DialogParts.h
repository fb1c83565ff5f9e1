#pragma once

// Small pieces the manager dialogs build themselves from.

#include <string>

class QBoxLayout;
class QPainter;
class QPushButton;
class QStyleOptionViewItem;
class QWidget;

// A push button named by its control id that never becomes the default, appended to layout.
QPushButton* AddIdButton(QBoxLayout* layout, QWidget* owner, int id, const char* text);
// The text part of a list row: the background from textLeft, the name from nameLeft, in the
// selection's colours when the row is selected.
void PaintRowName(QPainter* p, const QStyleOptionViewItem& option, int textLeft, int nameLeft,
                  const std::string& name);
