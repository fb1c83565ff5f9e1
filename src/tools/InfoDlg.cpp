#include "tools/InfoDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/Entity.h"

namespace {

void AddRow(QGridLayout* grid, int row, const std::string& label, const std::string& value,
            const char* labelId, const char* valueId) {
    auto* l = new QLabel(QString::fromStdString(label));
    auto* v = new QLabel(QString::fromStdString(value));
    l->setObjectName(QString::fromLatin1(labelId));
    v->setObjectName(QString::fromLatin1(valueId));
    v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(l, row, 0);
    grid->addWidget(v, row, 1);
    const bool shown = !label.empty() && !value.empty();
    l->setVisible(shown);
    v->setVisible(shown);
}

}  // namespace

CInfoDlg::CInfoDlg(const SEntityInfo& info, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("157"));
    setWindowTitle(QString::fromUtf8(kInfoCaption));
    auto* group = new QGroupBox(QString::fromStdString(info.group), this);
    group->setObjectName(QStringLiteral("1085"));
    auto* grid = new QGridLayout(group);
    AddRow(grid, 0, info.label1, info.value1, "1086", "1087");
    AddRow(grid, 1, info.label2, info.value2, "1088", "1089");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

void ShowEntityInfo(const CEntity& entity, CPrompter& prompter, QWidget* parent) {
    const SEntityInfo info = EntityInfo(entity, &prompter);
    if (!info.available) {
        return;
    }
    CInfoDlg dlg(info, parent);
    dlg.exec();
}
