#include "app/AboutDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/Images.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("165"));
    setWindowTitle(QStringLiteral("TAV"));
    auto* grid = new QGridLayout(this);

    auto* icon = new QLabel(this);
    icon->setPixmap(images::AppIcon().pixmap(32, 32));
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("TAV"), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* version = new QLabel(QStringLiteral(" wersja 2.1.10"), this);
    auto* head = new QHBoxLayout;
    head->addWidget(name);
    head->addWidget(version);
    head->addStretch(1);
    grid->addLayout(head, 0, 1);

    const QString lines[] = {
        QStringLiteral("Wersja dla systemu Linux (Qt, OpenGL)."),
        QStringLiteral("Velmor"),
        QStringLiteral("Uwagi i zgłoszenia błędów: opiekunowie projektu TAV."),
        QStringLiteral(
            "Program TAV umożliwia prezentowanie i edycję modeli, zarówno 2D, jak i 3D."),
        QStringLiteral(
            "Wymagany jest trybu graficzny o co najmniej 256 kolorach i biblioteka OpenGL."),
    };
    auto* text = new QVBoxLayout;
    for (const QString& l : lines) {
        text->addWidget(new QLabel(l, this));
    }
    grid->addLayout(text, 1, 1);

    auto* ok = new QPushButton(QStringLiteral("Tak"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
