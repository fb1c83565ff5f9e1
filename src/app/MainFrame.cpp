#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>

#include "app/ChildFrame.h"
#include "app/LayerComboBox.h"
#include "app/OpenDoc.h"
#include "app/QtProgress.h"
#include "app/Settings.h"
#include "app/TAVApp.h"
#include "resources/Images.h"
#include "tools/EntityDialog.h"
#include "view/TAVView.h"

namespace {

// Version tag of the stored toolbar layout; a layout of another tag is ignored.
constexpr int kToolBarStateVersion = 1;
// Ids of the entries of the window list in the window menu.
constexpr unsigned kFirstWindowListId = 65280;

QString Str(unsigned id) {
    return QString::fromUtf8(AppStr(id));
}

}  // namespace

CMainFrame* GetMainFrame() {
    return dynamic_cast<CMainFrame*>(GetFrameServices());
}

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    m_backgroundWhite = settings::ReadInt(settings::kBackground, 0);
    m_useDisplayList = settings::ReadInt(settings::kDisplayList, 1);
    setWindowTitle(Str(str::kAppTitle));
    setWindowIcon(images::AppIcon());
    setAcceptDrops(true);
    setDockNestingEnabled(false);
}

CMainFrame::~CMainFrame() {
    if (GetFrameServices() == this) {
        SetFrameServices(nullptr);
    }
    // Child frames are closed first so that they let go of their documents while this
    // window still exists.
    if (m_mdi) {
        for (QMdiSubWindow* w : m_mdi->subWindowList()) {
            delete w;
        }
    }
}

bool CMainFrame::Create() {
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    RegisterFrameCommands();
    BuildMenus(128, m_menus128);
    BuildMenus(129, m_menus129);
    SetDocumentMenu(false);
    if (!BuildToolBars()) {
        return false;
    }
    BuildStatusBar();
    BuildAccelerators();

    const QByteArray state = settings::ReadToolBarState();
    if (!state.isEmpty()) {
        restoreState(state, kToolBarStateVersion);
    }
    SetFrameServices(this);

    // Whatever the user does with mouse or keys may change command states, in any window of
    // the program (dialogs included); an idle program updates nothing.
    qApp->installEventFilter(this);
    UpdateCommandUI();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Services

void CMainFrame::SetStatusText(const std::string& text) {
    statusBar()->clearMessage();
    m_messagePane->setText(QString::fromStdString(text));
}

void CMainFrame::SetCoordinateText(const std::string& text) {
    if (!m_coordinatePane) {
        return;
    }
    const QString t = QString::fromStdString(text);
    const int margin = 2 * m_coordinatePane->margin() + 2 * m_coordinatePane->frameWidth() + 6;
    m_coordinatePane->setFixedWidth(m_coordinatePane->fontMetrics().horizontalAdvance(t) + margin);
    m_coordinatePane->setText(t);
}

QString CMainFrame::StatusText() const {
    return m_messagePane ? m_messagePane->text() : QString();
}

void CMainFrame::ShowDocumentLayers(CTAVDoc* doc) {
    if (!m_layerCombo) {
        return;
    }
    // Only a document that is open here has a guard the combo can follow.
    COpenDoc* open = nullptr;
    if (doc) {
        for (CChildFrame* f : ChildFrames()) {
            if (f->GetDocument() && &f->GetDocument()->Doc() == doc) {
                open = f->GetDocument();
                break;
            }
        }
    }
    m_layerCombo->Reload(open ? doc : nullptr, open);
}

// ---------------------------------------------------------------------------------------------
// Commands

void CMainFrame::RegisterCommand(unsigned id, Handler handler, Updater updater) {
    m_handlers[id] = {std::move(handler), std::move(updater)};
}

CMainFrame::SCmdUI CMainFrame::QueryCommand(unsigned id) const {
    SCmdUI ui;
    auto it = m_handlers.find(id);
    if (it == m_handlers.end() || !it->second.first) {
        ui.enabled = false;
        return ui;
    }
    if (it->second.second) {
        it->second.second(ui);
    }
    return ui;
}

namespace {

CPrompter* AppPrompter() {
    CTAVApp* app = CTAVApp::Instance();
    return app != nullptr ? &app->Prompter() : nullptr;
}

}  // namespace

bool CMainFrame::Dispatch(unsigned id) {
    if (!QueryCommand(id).enabled) {
        return false;
    }
    // Long work lets events through for its progress dialog: a command posted or sent in the
    // meantime must not change or close what the work is using.
    if (RefuseWhileWorkRuns(AppPrompter())) {
        return false;
    }
    // Closing a document asks to save it first: an open edit is cancelled before that.
    if (id == cmd::kFileClose) {
        if (COpenDoc* doc = ActiveDocument()) {
            for (CChildFrame* f : doc->Frames()) {
                if (f->GetView()) {
                    AbandonViewDialog(*f->GetView());
                }
            }
        }
    }
    // A copy: the handler may register commands again.
    const Handler handler = m_handlers[id].first;
    handler();
    UpdateCommandUI();
    return true;
}

CMainFrame::Updater CMainFrame::NeedsDocument(const CMainFrame* frame) {
    return [frame](SCmdUI& ui) { ui.enabled = frame->ActiveDocument() != nullptr; };
}

void CMainFrame::RequestCommandUIUpdate() {
    if (m_commandUIPending) {
        return;
    }
    m_commandUIPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_commandUIPending = false;
            UpdateCommandUI();
        },
        Qt::QueuedConnection);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            RequestCommandUIUpdate();
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::UpdateCommandUI() {
    for (auto& [id, action] : m_actions) {
        if (!action) {
            continue;
        }
        const SCmdUI ui = QueryCommand(id);
        action->setEnabled(ui.enabled);
        action->setCheckable(ui.checked >= 0);
        if (ui.checked >= 0) {
            action->setChecked(ui.checked != 0);
        }
        if (!ui.text.empty()) {
            const QString text = QString::fromStdString(ui.text);
            if (action->text() != text) {
                action->setText(text);
            }
        }
    }
    UpdateFrameTitles();
    COpenDoc* doc = ActiveDocument();
    const bool modified = doc && doc->Doc().IsModified();
    // Setting the flag rewrites the window title even when it does not change.
    if (isWindowModified() != modified) {
        setWindowModified(modified);
    }
}

QList<QAction*> CMainFrame::ActionsFor(unsigned id) const {
    QList<QAction*> list;
    for (const auto& [aid, action] : m_actions) {
        if (aid == id && action) {
            list.append(action);
        }
    }
    return list;
}

QAction* CMainFrame::MakeAction(unsigned id, const QString& text, QObject* owner) {
    auto* action = new QAction(text, owner);
    action->setObjectName(QString::number(id));
    if (const SCommand* c = FindCommand(id)) {
        action->setStatusTip(QString::fromUtf8(c->prompt));
        if (*c->tooltip) {
            action->setToolTip(QString::fromUtf8(c->tooltip));
        }
    }
    connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
    m_actions.emplace_back(id, action);
    return action;
}

void CMainFrame::RegisterFrameCommands() {
    RegisterCommand(
        cmd::kBackground, [this] { OnToggleBackground(); },
        [this](SCmdUI& ui) { ui.checked = m_backgroundWhite ? 1 : 0; });
    RegisterCommand(
        cmd::kDisplayList, [this] { OnToggleDisplayList(); },
        [this](SCmdUI& ui) { ui.checked = m_useDisplayList ? 1 : 0; });
    for (const SToolBar& tb : ToolBars()) {
        const unsigned id = tb.controlId;
        RegisterCommand(
            id,
            [this, id] {
                if (QToolBar* bar = ToolBar(id)) {
                    bar->setVisible(bar->isHidden());
                }
            },
            [this, id](SCmdUI& ui) {
                QToolBar* bar = ToolBar(id);
                ui.checked = bar && !bar->isHidden() ? 1 : 0;
            });
    }
    RegisterCommand(
        cmd::kStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); },
        [this](SCmdUI& ui) { ui.checked = statusBar()->isHidden() ? 0 : 1; });
    const Updater hasWindows = [this](SCmdUI& ui) { ui.enabled = !ChildFrames().isEmpty(); };
    RegisterCommand(
        cmd::kCascade, [this] { m_mdi->cascadeSubWindows(); }, hasWindows);
    RegisterCommand(
        cmd::kTile, [this] { m_mdi->tileSubWindows(); }, hasWindows);
    RegisterCommand(
        cmd::kArrangeIcons, [this] { ArrangeIcons(); }, hasWindows);
    RegisterCommand(
        cmd::kNextWindow, [this] { m_mdi->activateNextSubWindow(); }, hasWindows);
    RegisterCommand(
        cmd::kPrevWindow, [this] { m_mdi->activatePreviousSubWindow(); }, hasWindows);
}

void CMainFrame::OnToggleBackground() {
    m_backgroundWhite = m_backgroundWhite ? 0 : 1;
    settings::WriteInt(settings::kBackground, m_backgroundWhite);
    RepaintAllViews();
}

void CMainFrame::OnToggleDisplayList() {
    m_useDisplayList = m_useDisplayList ? 0 : 1;
    settings::WriteInt(settings::kDisplayList, m_useDisplayList);
    RepaintAllViews();
}

void CMainFrame::RepaintAllViews() {
    for (CChildFrame* f : ChildFrames()) {
        if (CTAVView* v = f->GetView()) {
            v->InvalidateDisplayList();
            v->update();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Menus

void CMainFrame::FillMenu(QMenu* menu, std::span<const SMenuItem> items) {
    for (const SMenuItem& item : items) {
        switch (item.kind) {
            case EMenuKind::Separator:
                menu->addSeparator();
                break;
            case EMenuKind::Popup: {
                QMenu* sub = menu->addMenu(QString::fromUtf8(item.text));
                FillMenu(sub, item.items);
                break;
            }
            case EMenuKind::RecentFiles: {
                SRecentSlot slot{menu, nullptr, {}};
                QAction* empty = MakeAction(cmd::kRecentFile1, Str(str::kNoRecentFile), menu);
                menu->addAction(empty);
                slot.actions.append(empty);
                m_recentSlots.push_back(slot);
                break;
            }
            case EMenuKind::Command: {
                const SCommand* c = FindCommand(item.id);
                const QString text =
                    QString::fromUtf8(item.text ? item.text : (c ? c->menuText : ""));
                menu->addAction(MakeAction(item.id, text, menu));
                break;
            }
        }
    }
}

void CMainFrame::BuildMenus(unsigned resource, QList<QMenu*>& menus) {
    for (const SMenuItem& popup : MenuBar(resource)) {
        auto* menu = new QMenu(QString::fromUtf8(popup.text), this);
        menu->setToolTipsVisible(false);
        FillMenu(menu, popup.items);
        menus.append(menu);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
    // The window menu lists the open windows below its commands.
    if (resource == 129) {
        QMenu* window = menus.size() > 6 ? menus[6] : nullptr;
        if (window) {
            connect(window, &QMenu::aboutToShow, this, [this, window] { FillWindowList(window); });
        }
    }
    // The separator after each recent-file slot marks where its entries end.
    for (SRecentSlot& slot : m_recentSlots) {
        if (!slot.before) {
            const QList<QAction*> all = slot.menu->actions();
            const qsizetype at = all.indexOf(slot.actions.back());
            slot.before = at + 1 < all.size() ? all[at + 1] : nullptr;
        }
    }
}

const QList<QMenu*>& CMainFrame::MenuBarMenus(unsigned resource) const {
    return resource == 129 ? m_menus129 : m_menus128;
}

void CMainFrame::SetDocumentMenu(bool document) {
    m_documentMenu = document;
    menuBar()->clear();
    for (QMenu* m : document ? m_menus129 : m_menus128) {
        menuBar()->addMenu(m);
    }
}

void CMainFrame::SetRecentFiles(const QStringList& files) {
    m_recentFiles = files;
    for (SRecentSlot& slot : m_recentSlots) {
        for (QAction* a : slot.actions) {
            std::erase_if(m_actions, [a](const auto& entry) { return entry.second == a; });
            slot.menu->removeAction(a);
            // Later: this may run inside the action's own triggered signal.
            a->deleteLater();
        }
        slot.actions.clear();
        if (files.isEmpty()) {
            QAction* empty = MakeAction(cmd::kRecentFile1, Str(str::kNoRecentFile), slot.menu);
            slot.menu->insertAction(slot.before, empty);
            slot.actions.append(empty);
            continue;
        }
        for (qsizetype i = 0; i < files.size() && i < kRecentFileCount; ++i) {
            QString shown = QFileInfo(files[i]).absoluteFilePath();
            shown = slot.menu->fontMetrics().elidedText(shown, Qt::ElideMiddle, 400);
            shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
            QAction* a = MakeAction(cmd::kRecentFile1 + static_cast<unsigned>(i),
                                    QStringLiteral("&%1 %2").arg(i + 1).arg(shown), slot.menu);
            slot.menu->insertAction(slot.before, a);
            slot.actions.append(a);
        }
    }
    UpdateCommandUI();
}

void CMainFrame::FillWindowList(QMenu* menu) {
    for (QAction* a : m_windowListActions) {
        menu->removeAction(a);
        a->deleteLater();
    }
    m_windowListActions.clear();
    const QList<CChildFrame*> frames = ChildFrames();
    if (frames.isEmpty()) {
        return;
    }
    m_windowListActions.append(menu->addSeparator());
    CChildFrame* active = ActiveChild();
    for (qsizetype i = 0; i < frames.size(); ++i) {
        CChildFrame* f = frames[i];
        QString title = f->windowTitle();
        title.remove(QStringLiteral("[*]"));
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title));
        a->setObjectName(QString::number(kFirstWindowListId + static_cast<unsigned>(i)));
        a->setStatusTip(QString::fromUtf8(FindCommand(kFirstWindowListId)->prompt));
        a->setCheckable(true);
        a->setChecked(f == active);
        QPointer<CChildFrame> target(f);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) {
                m_mdi->setActiveSubWindow(target);
            }
        });
        m_windowListActions.append(a);
    }
}

void CMainFrame::BuildAccelerators() {
    for (const SCommand& c : CommandTable()) {
        if (!*c.shortcut) {
            continue;
        }
        QAction* a = MakeAction(c.id, QString::fromUtf8(c.prompt), this);
        QList<QKeySequence> keys;
        for (const QString& key : QString::fromUtf8(c.shortcut).split(QStringLiteral("; "))) {
            keys.append(QKeySequence(key, QKeySequence::PortableText));
        }
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
}

// ---------------------------------------------------------------------------------------------
// Toolbars and status bar

bool CMainFrame::BuildToolBars() {
    for (const SToolBar& tb : ToolBars()) {
        auto* bar = new QToolBar(Str(tb.titleId), this);
        bar->setObjectName(QString::number(tb.controlId));
        bar->setIconSize(QSize(16, 15));
        bar->setAllowedAreas(tb.topBottomOnly ? (Qt::TopToolBarArea | Qt::BottomToolBarArea)
                                              : Qt::AllToolBarAreas);
        for (unsigned id : tb.buttons) {
            if (id == 0) {
                bar->addSeparator();
            } else if (id == kComboSlot) {
                m_layerCombo = new CLayerComboBox(bar);
                bar->addWidget(m_layerCombo);
            } else {
                QAction* a = MakeAction(id, QString(), bar);
                a->setIcon(QIcon(images::ButtonImage(id)));
                if (a->toolTip().isEmpty()) {
                    a->setToolTip(a->statusTip());
                }
                bar->addAction(a);
            }
        }
        addToolBar(Qt::TopToolBarArea, bar);
        m_toolBars[tb.controlId] = bar;
    }
    return m_layerCombo != nullptr && m_toolBars.size() == ToolBars().size();
}

QToolBar* CMainFrame::ToolBar(unsigned controlId) const {
    auto it = m_toolBars.find(controlId);
    return it == m_toolBars.end() ? nullptr : it->second;
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QString::number(cmd::kStatusBar));
    m_messagePane = new QLabel(Str(str::kIdle), bar);
    m_messagePane->setObjectName(QStringLiteral("0"));
    bar->addWidget(m_messagePane, 1);
    m_coordinatePane = new QLabel(bar);
    m_coordinatePane->setObjectName(QString::number(cmd::kCoordinatePane));
    m_coordinatePane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(m_coordinatePane);
    SetCoordinateText(AppStr(cmd::kCoordinatePane));
}

// ---------------------------------------------------------------------------------------------
// Document windows

void CMainFrame::AddChildFrame(CChildFrame* frame) {
    const bool first = ActiveChild() == nullptr;
    m_mdi->addSubWindow(frame);
    frame->setWindowIcon(images::AppIcon());
    UpdateFrameTitles();
    if (first) {
        frame->showMaximized();
    } else {
        frame->show();
    }
    m_mdi->setActiveSubWindow(frame);
    // The activation signal does not come while the window is hidden.
    OnSubWindowActivated(frame);
}

QList<CChildFrame*> CMainFrame::ChildFrames() const {
    QList<CChildFrame*> frames;
    if (!m_mdi) {
        return frames;
    }
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        auto* f = qobject_cast<CChildFrame*>(w);
        if (f && f->GetView()) {
            frames.append(f);
        }
    }
    return frames;
}

CChildFrame* CMainFrame::ActiveChild() const {
    if (!m_mdi) {
        return nullptr;
    }
    auto* f = qobject_cast<CChildFrame*>(m_mdi->activeSubWindow());
    if (!f) {
        // A hidden main window has no active subwindow: take the last one activated.
        f = qobject_cast<CChildFrame*>(m_lastActive.data());
    }
    return f && f->GetView() ? f : nullptr;
}

CTAVView* CMainFrame::ActiveView() const {
    CChildFrame* f = ActiveChild();
    return f ? f->GetView() : nullptr;
}

COpenDoc* CMainFrame::ActiveDocument() const {
    CChildFrame* f = ActiveChild();
    return f ? f->GetDocument() : nullptr;
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    auto* active = qobject_cast<CChildFrame*>(window);
    if (!active || !active->GetView()) {
        // The area reports no active window while the main window itself is inactive; keep
        // the last one then, as long as it is still open.
        if (!ChildFrames().isEmpty()) {
            return;
        }
        active = nullptr;
    }
    m_lastActive = active;
    for (CChildFrame* f : ChildFrames()) {
        if (f != active) {
            f->OnActivate(false);
        }
    }
    if (active) {
        active->OnActivate(true);
        ShowDocumentLayers(&active->GetDocument()->Doc());
    } else {
        ShowDocumentLayers(nullptr);
    }
    const bool document = active != nullptr;
    if (document != m_documentMenu) {
        SetDocumentMenu(document);
    }
    UpdateCommandUI();
}

void CMainFrame::OnChildFrameClosed() {
    if (ChildFrames().isEmpty()) {
        m_lastActive = nullptr;
        ShowDocumentLayers(nullptr);
        SetDocumentMenu(false);
    }
    UpdateCommandUI();
}

void CMainFrame::UpdateFrameTitles() {
    const QList<CChildFrame*> frames = ChildFrames();
    for (CChildFrame* f : frames) {
        COpenDoc* doc = f->GetDocument();
        if (!doc) {
            continue;
        }
        QString title = doc->Title();
        const qsizetype n = doc->Frames().size();
        if (n > 1) {
            title += QStringLiteral(":%1").arg(doc->Frames().indexOf(f) + 1);
        }
        if (!doc->RecoveredFrom().isEmpty()) {
            title += QString::fromUtf8(" (odzyskany: %1)").arg(doc->RecoveredFrom());
        }
        title += QStringLiteral("[*]");
        if (f->windowTitle() != title) {
            f->setWindowTitle(title);
        }
        const bool modified = doc->Doc().IsModified();
        if (f->isWindowModified() != modified) {
            f->setWindowModified(modified);
        }
    }
}

void CMainFrame::ArrangeIcons() {
    // Minimized windows are lined up along the bottom edge of the area, left to right.
    int x = 0;
    const int bottom = m_mdi->viewport()->height();
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (w->isMinimized()) {
            w->move(x, bottom - w->height());
            x += w->width();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Window events

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Not while long work runs (its progress dialog lets events through), and before anything
    // is abandoned.
    if (RefuseWhileWorkRuns(AppPrompter())) {
        event->ignore();
        return;
    }
    // Quitting cancels every open edit before the documents are asked to be saved.
    if (m_mdi) {
        for (QMdiSubWindow* w : m_mdi->subWindowList()) {
            auto* frame = qobject_cast<CChildFrame*>(w);
            if (frame && frame->GetView()) {
                AbandonViewDialog(*frame->GetView());
            }
        }
    }
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    settings::WriteToolBarState(saveState(kToolBarStateVersion));
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    activateWindow();
    OpenDroppedUrls(urls);
}

void CMainFrame::OpenDroppedUrls(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && m_dropHandler) {
            m_dropHandler(url.toLocalFile());
        }
    }
}
