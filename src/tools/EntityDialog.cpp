#include "tools/EntityDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

#include "document/Prompter.h"
#include "document/TAVDoc.h"
#include "tools/DataDialogs.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "tools/core/NumberText.h"
#include "view/TAVView.h"

CViewEditDialog::CViewEditDialog(CTAVView& view, const char* id, const QString& title)
    : QDialog(&view), m_view(&view), m_doc(view.GetDocument()) {
    setObjectName(id);
    setWindowTitle(title);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    connect(&view, &CTAVView::pointPicked, this, &CViewEditDialog::OnPointPicked);
}

void CViewEditDialog::TakeView() {
    m_doc->SetBusy(1);
    if (m_view) {
        m_view->SetEntityDialog(this);
        m_view->InvalidateDisplayList();
        ClearViewSelection(*m_view);
        m_savedTool = m_view->GetTool();
        m_view->SetToolQuiet(kToolPointInput);
    }
}

void CViewEditDialog::ReleaseView() {
    if (m_released) {
        return;
    }
    m_released = true;
    if (m_view) {
        m_view->SetToolQuiet(m_savedTool);
        ClearViewSelection(*m_view);
        if (m_view->GetEntityDialog() == this) {
            m_view->SetEntityDialog(nullptr);
        }
    }
    m_doc->SetBusy(0);
    m_doc->UpdateAllViews(0);
}

void CViewEditDialog::SetHandle(int handle) {
    if (m_view) {
        m_view->SetEditHandle(handle);
    }
}

void CViewEditDialog::SetViewPoint(const CPoint3& p) {
    if (m_view) {
        m_view->SetPickedPoint(p);
        m_view->SetCursorPoint(p);
    }
}

void CViewEditDialog::UpdateViews() {
    m_doc->UpdateAllViews(0);
}

void CViewEditDialog::Message(const std::string& text) {
    m_doc->Prompter().ShowMessage(text, CPrompter::EIcon::Warning);
}

bool CViewEditDialog::ReadNumber(QLineEdit* field, double& out, double lo, double hi) {
    double v = 0.0;
    if (!ParseNumberText(field->text().toStdString(), v)) {
        Message(kEnterNumber);
    } else if (v < lo || v > hi) {
        Message(RangeMessage(lo, hi));
    } else {
        out = v;
        return true;
    }
    field->setFocus();
    field->selectAll();
    return false;
}

void CViewEditDialog::TrackFocus(QWidget* child, int handle) {
    child->setProperty("tavEditHandle", handle);
    child->installEventFilter(this);
}

void CViewEditDialog::MoveFocus(QWidget* w) {
    w->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->selectAll();
    }
    const QVariant h = w->property("tavEditHandle");
    if (h.isValid() && !m_released) {
        HandleFocus(h.toInt());
    }
}

void CViewEditDialog::HandleFocus(int handle) {
    SetHandle(handle);
    UpdateViews();
}

bool CViewEditDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) && !m_released) {
        const QVariant h = watched->property("tavEditHandle");
        if (h.isValid()) {
            HandleFocus(h.toInt());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CViewEditDialog::enterEvent(QEnterEvent* event) {
    if (m_view && m_view->m_cursorOverView && !m_released) {
        CursorBack();
        m_view->m_cursorOverView = 0;
    }
    QDialog::enterEvent(event);
}

void CViewEditDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_ordered) {
        return;
    }
    m_ordered = true;
    QList<QWidget*> order;
    for (QWidget* w : findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(this) && w->window() == this &&
            w->parentWidget() &&
            (w->parentWidget() == this || w->parentWidget()->inherits("QGroupBox"))) {
            order.append(w);
        }
    }
    const auto key = [this](QWidget* w) {
        const QPoint p = w->mapTo(this, QPoint(0, 0));
        return std::make_pair(p.y() / 8, p.x());
    };
    std::stable_sort(order.begin(), order.end(),
                     [&key](QWidget* a, QWidget* b) { return key(a) < key(b); });
    for (int i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    if (QWidget* first = FirstFocus()) {
        MoveFocus(first);
    }
}

// ---------------------------------------------------------------------------------------------

CColorButton::CColorButton(const QString& caption, QWidget* parent)
    : QPushButton(parent), m_caption(caption), m_color(Qt::white) {
    setObjectName("1008");
    // The text is only for accessibility and the shortcut; the painting draws it.
    setText(caption);
}

void CColorButton::SetColor(const double rgb[3]) {
    m_color = QColor::fromRgbF(static_cast<float>(rgb[0]), static_cast<float>(rgb[1]),
                               static_cast<float>(rgb[2]));
    update();
}

void CColorButton::SetCaption(const QString& caption) {
    m_caption = caption;
    setText(caption);
    update();
}

QSize CColorButton::sizeHint() const {
    const QSize s = QPushButton::sizeHint();
    return {s.width() + 40, s.height()};
}

void CColorButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    p.drawControl(QStyle::CE_PushButtonBevel, opt);
    const QRect r = rect();
    QRect textRect = r.adjusted(8, 0, 0, 0);
    p.setPen(palette().color(isEnabled() ? QPalette::ButtonText : QPalette::Dark));
    QRect used;
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, m_caption, &used);
    const int h = r.height() / 2;
    const QRect swatch(used.right() + 8, r.top() + (r.height() - h) / 2,
                       r.right() - used.right() - 16, h);
    if (swatch.width() > 2) {
        p.fillRect(swatch, m_color);
        p.setPen(Qt::black);
        p.drawRect(swatch);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = r.adjusted(3, 3, -3, -3);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

ColorChooser& EntityColorChooser() {
    static ColorChooser chooser = [](double rgb[3], QWidget* parent) {
        const QColor initial(ColorToByte(rgb[0]), ColorToByte(rgb[1]), ColorToByte(rgb[2]));
        const QColor c = QColorDialog::getColor(initial, parent);
        if (!c.isValid()) {
            return false;
        }
        rgb[0] = ByteToColor(c.red());
        rgb[1] = ByteToColor(c.green());
        rgb[2] = ByteToColor(c.blue());
        return true;
    };
    return chooser;
}

// ---------------------------------------------------------------------------------------------

CEntityDialog::CEntityDialog(CTAVView& view, const char* id, const QString& title)
    : CViewEditDialog(view, id, title) {
    m_name = new QLineEdit(this);
    m_name->setObjectName("1006");
    m_layer = new QComboBox(this);
    m_layer->setObjectName("1007");
    m_color = new CColorButton(QString::fromUtf8(kColorCaption), this);
    m_data = new QPushButton("&Dane...", this);
    m_data->setObjectName("1009");
    m_removeData = new QPushButton("U&suń Dane...", this);
    m_removeData->setObjectName("1010");
    m_ok = new QPushButton("Tak", this);
    m_ok->setObjectName("1");
    m_cancel = new QPushButton("Przerwij", this);
    m_cancel->setObjectName("2");
    m_ok->setAutoDefault(false);
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &CEntityDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CEntityDialog::reject);
    connect(m_color, &QPushButton::clicked, this, &CEntityDialog::OnColor);
    connect(m_data, &QPushButton::clicked, this, &CEntityDialog::OnData);
    connect(m_removeData, &QPushButton::clicked, this, &CEntityDialog::OnRemoveData);
    for (QWidget* w : std::initializer_list<QWidget*>{m_name, m_layer, m_color, m_data,
                                                      m_removeData, m_ok, m_cancel}) {
        TrackFocus(w, 0);
    }
}

void CEntityDialog::AddNameControl(QGridLayout* grid, int row, int id) {
    auto* label = new QLabel("Na&zwa:", this);
    label->setBuddy(m_name);
    m_name->setObjectName(QString::number(id));
    grid->addWidget(label, row, 0);
    grid->addWidget(m_name, row, 1, 1, 3);
}

void CEntityDialog::AddCommonControls(QGridLayout* grid, int row) {
    auto* label = new QLabel("&Warstwa:", this);
    label->setBuddy(m_layer);
    grid->addWidget(m_color, row, 0, 1, 2);
    grid->addWidget(label, row + 1, 0);
    grid->addWidget(m_layer, row + 1, 1, 1, 3);
    grid->addWidget(m_data, row + 2, 0, 1, 2);
    grid->addWidget(m_removeData, row + 2, 2, 1, 2);
}

void CEntityDialog::AddOkCancel(QGridLayout* grid, int row) {
    m_ok->setDefault(true);
    grid->addWidget(m_ok, row, 0, 1, 2);
    grid->addWidget(m_cancel, row, 2, 1, 2);
}

QWidget* CEntityDialog::AddVectorGroup(const QString& title, int firstId,
                                       const char* const labels[3], QLineEdit* out[3], int handle) {
    auto* box = new QGroupBox(title, this);
    auto* grid = new QGridLayout(box);
    for (int i = 0; i < 3; ++i) {
        out[i] = new QLineEdit(box);
        out[i]->setObjectName(QString::number(firstId + i));
        auto* label = new QLabel(QString::fromUtf8(labels[i]), box);
        label->setBuddy(out[i]);
        grid->addWidget(label, i, 0);
        grid->addWidget(out[i], i, 1);
        TrackFocus(out[i], handle);
    }
    return box;
}

void CEntityDialog::ShowVector(QLineEdit* const fields[3], const CVec3& global, bool asPoint) {
    const CCoordFrame frame = CCoordFrame::Active(Doc());
    const CVec3 local = asPoint ? frame.ToLocal(CPoint3(global)).AsVec() : frame.DirToLocal(global);
    for (int i = 0; i < 3; ++i) {
        fields[i]->setText(QString::fromStdString(FormatG15(local[i])));
    }
}

void CEntityDialog::ShowPicked(QLineEdit* const fields[3], const CPoint3& local) {
    for (int i = 0; i < 3; ++i) {
        fields[i]->setText(QString::fromStdString(FormatFixed(local[i], 2)));
    }
}

bool CEntityDialog::ReadVector(QLineEdit* const fields[3], CVec3& global, bool asPoint) {
    CVec3 local;
    for (int i = 0; i < 3; ++i) {
        if (!ReadNumber(fields[i], local[i], -HUGE_VAL, HUGE_VAL)) {
            return false;
        }
    }
    const CCoordFrame frame = CCoordFrame::Active(Doc());
    if (!frame.IsInvertible()) {
        Message(kSingularSystem);
        return false;
    }
    global = asPoint ? frame.ToGlobal(CPoint3(local)).AsVec() : frame.DirToGlobal(local);
    return true;
}

bool CEntityDialog::ReadPlacement(QLineEdit* const pointFields[3], QLineEdit* const axisFields[3],
                                  CVec3& point, CVec3& axis) {
    if (!ReadVector(pointFields, point, true) || !ReadVector(axisFields, axis, false)) {
        return false;
    }
    if (axis.IsShorterThan(kGeomTol)) {
        Message(kZeroAxis);
        axisFields[0]->setFocus();
        axisFields[0]->selectAll();
        return false;
    }
    return true;
}

bool CEntityDialog::BeginNew(std::unique_ptr<CEntity> entity) {
    const int index = m_edit.BeginNew(*m_doc, std::move(entity));
    if (index < 0) {
        return false;
    }
    TakeView();
    if (m_view) {
        // Highlighted like an edited existing entity, so its handles follow the cursor.
        m_view->SetEditHandle(index);
        m_view->Renderer().m_currentPick = index;
        m_view->Renderer().m_pickList.push_back(index);
    }
    Init();
    return true;
}

bool CEntityDialog::BeginExisting(int index) {
    if (!m_edit.BeginExisting(*m_doc, index)) {
        return false;
    }
    TakeView();
    if (m_view) {
        // The edited entity stays highlighted while its dialog is open.
        m_view->Renderer().m_currentPick = index;
        m_view->Renderer().m_pickList.push_back(index);
    }
    Init();
    return true;
}

void CEntityDialog::Init() {
    CEntity* e = Entity();
    m_layer->clear();
    for (int i = 0; i < m_doc->GetLayerCount(); ++i) {
        m_layer->addItem(QString::fromStdString(m_doc->GetLayer(i).m_name));
    }
    const int layer = e->m_layer >= 0 ? e->m_layer : m_doc->GetCurrentLayer();
    m_layer->setCurrentIndex(layer < m_layer->count() ? layer : -1);
    m_removeData->setVisible(!e->m_data.GetText().empty());
    m_color->SetColor(e->m_color);
    FillCommon();
    FillControls();
}

void CEntityDialog::FillCommon() {
    if (CEntity* e = Entity()) {
        m_name->setText(
            QString::fromUtf8(e->m_name.data(), static_cast<qsizetype>(e->m_name.size())));
    }
}

void CEntityDialog::ReadCommon() {
    if (CEntity* e = Entity()) {
        e->m_name = m_name->text().toStdString();
        if (m_layer->currentIndex() >= 0) {
            e->m_layer = m_layer->currentIndex();
        }
    }
}

void CEntityDialog::Preview() {
    if (Entity() != nullptr) {
        UpdateViews();
    }
}

void CEntityDialog::OnPointPicked(int) {
    if (Entity() != nullptr && ReadControls()) {
        ReadCommon();
    }
    Preview();
}

void CEntityDialog::OnColor() {
    CEntity* e = Entity();
    if (e == nullptr) {
        return;
    }
    double rgb[3] = {e->m_color[0], e->m_color[1], e->m_color[2]};
    if (!EntityColorChooser()(rgb, this)) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        e->m_color[i] = rgb[i];
    }
    m_color->SetColor(e->m_color);
    Preview();
}

void CEntityDialog::OnData() {
    CEntity* e = Entity();
    if (e != nullptr && OnEntityDataButton(e->m_data, Doc().Prompter(), this)) {
        m_removeData->show();
    }
}

void CEntityDialog::OnRemoveData() {
    CEntity* e = Entity();
    if (e != nullptr && OnRemoveDataButton(e->m_data, m_doc->Prompter())) {
        m_removeData->hide();
    }
}

void CEntityDialog::accept() {
    if (m_released || Entity() == nullptr) {
        Abandon();
        return;
    }
    if (!ReadControls()) {
        return;
    }
    ReadCommon();
    BeforeCommit();
    if (const char* problem = m_edit.Commit()) {
        Message(problem);
        return;
    }
    ReleaseView();
    QDialog::accept();
    deleteLater();
}

void CEntityDialog::reject() {
    if (!m_released) {
        m_edit.Cancel();
        ReleaseView();
    }
    QDialog::reject();
    deleteLater();
}

void CEntityDialog::Abandon() {
    reject();
}

// ---------------------------------------------------------------------------------------------

void ClearViewSelection(CTAVView& view) {
    CSceneRenderer& r = view.Renderer();
    const bool had = !r.m_pickList.empty() || !r.m_multiSelection.empty();
    r.m_editHandle = -1;
    r.m_currentPick = -1;
    r.m_pickList.clear();
    r.m_multiSelection.clear();
    if (had) {
        view.InvalidateDisplayList();
    }
}

void AbandonViewDialog(CTAVView& view) {
    if (auto* dlg = qobject_cast<CViewEditDialog*>(view.GetEntityDialog())) {
        dlg->Abandon();
    }
}
