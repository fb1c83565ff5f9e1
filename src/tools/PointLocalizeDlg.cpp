#include "tools/PointLocalizeDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "view/core/PointLocator.h"

CPointLocalizeDlg::CPointLocalizeDlg(uint16_t& mask, int& windowPixels, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("166"));
    setWindowTitle(QString::fromUtf8(kLocalizeTitle));
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 8; ++i) {
        const uint16_t bit = static_cast<uint16_t>(1u << i);
        auto* box = new QCheckBox(QString::fromUtf8(kLocalizeKindTexts[i]), this);
        box->setObjectName(QString::number(1091 + i));
        box->setChecked((mask & bit) != 0);
        connect(box, &QCheckBox::toggled, this, [&mask, bit](bool on) {
            mask = static_cast<uint16_t>(on ? (mask | bit) : (mask & ~bit));
        });
        layout->addWidget(box);
    }
    windowPixels = std::clamp(windowPixels, kLocateWindowMin, kLocateWindowMax);
    auto* size = new QSpinBox(this);
    size->setObjectName(QStringLiteral("1190"));
    size->setRange(kLocateWindowMin, kLocateWindowMax);
    size->setValue(windowPixels);
    connect(size, &QSpinBox::valueChanged, this, [&windowPixels](int v) { windowPixels = v; });
    auto* label = new QLabel(QString::fromUtf8(kLocalizeWindowText), this);
    label->setBuddy(size);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(label);
    sizeRow->addWidget(size);
    layout->addLayout(sizeRow);
    auto* ok = new QPushButton(QStringLiteral("Tak"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addStretch();
    layout->addLayout(row);
}
