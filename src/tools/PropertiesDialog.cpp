#include "tools/PropertiesDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "tools/DataDialogs.h"
#include "tools/EntityDialog.h"
#include "tools/core/EditTexts.h"
#include "view/TAVView.h"

CPropertiesDialog::CPropertiesDialog(CTAVView& view, std::vector<int> selection)
    : QDialog(&view), m_view(view), m_selection(std::move(selection)) {
    setObjectName("167");
    setWindowTitle(QString::fromUtf8("Właściwości"));
    CTAVDoc& doc = *view.GetDocument();
    m_props = GatherCommonProperties(doc, m_selection);

    auto* grid = new QGridLayout(this);
    m_name = new QLineEdit(QString::fromStdString(m_props.name), this);
    m_name->setObjectName("1006");
    auto* nameLabel = new QLabel("Na&zwa:", this);
    nameLabel->setBuddy(m_name);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 3);
    m_color = new CColorButton(
        QString::fromUtf8(m_props.colorsDiffer ? kColorsDiffer : kColorCaption), this);
    m_color->SetColor(m_props.color);
    grid->addWidget(m_color, 1, 0, 1, 2);
    m_layer = new QComboBox(this);
    m_layer->setObjectName("1007");
    for (int i = 0; i < doc.GetLayerCount(); ++i) {
        m_layer->addItem(QString::fromStdString(doc.GetLayer(i).m_name));
    }
    m_layer->setCurrentIndex(m_props.layer >= 0 && m_props.layer < m_layer->count() ? m_props.layer
                                                                                    : -1);
    auto* layerLabel = new QLabel("&Warstwa:", this);
    layerLabel->setBuddy(m_layer);
    grid->addWidget(layerLabel, 2, 0);
    grid->addWidget(m_layer, 2, 1, 1, 3);
    auto* dataBox = new QGroupBox("Dane", this);
    auto* dataGrid = new QHBoxLayout(dataBox);
    m_data = new QPushButton("&Dane...", dataBox);
    m_data->setObjectName("1009");
    m_removeData = new QPushButton("U&suń Dane...", dataBox);
    m_removeData->setObjectName("1010");
    dataGrid->addWidget(m_data);
    dataGrid->addWidget(m_removeData);
    grid->addWidget(dataBox, 3, 0, 1, 4);
    auto* ok = new QPushButton("Tak", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Przerwij", this);
    cancel->setObjectName("2");
    grid->addWidget(ok, 4, 0, 1, 2);
    grid->addWidget(cancel, 4, 2, 1, 2);
    if (m_props.dataDiffer) {
        m_data->hide();
    } else if (m_props.data.GetText().empty()) {
        m_removeData->hide();
    }
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_props.namesDiffer = 0;
        m_props.name = text.toStdString();
    });
    connect(m_color, &QPushButton::clicked, this, &CPropertiesDialog::OnColor);
    connect(m_data, &QPushButton::clicked, this, &CPropertiesDialog::OnData);
    connect(m_removeData, &QPushButton::clicked, this, &CPropertiesDialog::OnRemoveData);
    connect(ok, &QPushButton::clicked, this, &CPropertiesDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CPropertiesDialog::reject);
}

void CPropertiesDialog::OnColor() {
    double rgb[3] = {m_props.color[0], m_props.color[1], m_props.color[2]};
    if (!EntityColorChooser()(rgb, this)) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        m_props.color[i] = rgb[i];
    }
    m_props.colorsDiffer = 0;
    m_color->SetCaption(QString::fromUtf8(kColorCaption));
    m_color->SetColor(m_props.color);
}

void CPropertiesDialog::OnData() {
    if (OnEntityDataButton(m_props.data, m_view.GetDocument()->Prompter(), this)) {
        m_removeData->show();
    }
}

void CPropertiesDialog::OnRemoveData() {
    CTAVDoc& doc = *m_view.GetDocument();
    if (!OnRemoveDataButton(m_props.data, doc.Prompter())) {
        return;
    }
    // Every selected entity loses its data on "Tak", whether their data differed or not; the
    // (now common, empty) data may be filled again.
    m_props.dataDiffer = 0;
    m_removeData->hide();
    m_data->show();
}

void CPropertiesDialog::accept() {
    CTAVDoc& doc = *m_view.GetDocument();
    if (!m_props.namesDiffer) {
        m_props.name = m_name->text().toStdString();
    }
    {
        CDocStep step(doc, stepnames::kProperties);
        ApplyCommonProperties(doc, m_selection, m_props, m_layer->currentIndex());
        doc.SetModifiedFlag(true);
    }
    ClearViewSelection(m_view);
    doc.InvalidateViews();
    doc.UpdateAllViews(0);
    QDialog::accept();
}
