#pragma once

#include <QLabel>
#include <QList>
#include <QMainWindow>
#include <QMdiArea>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/CommandTable.h"
#include "view/FrameServices.h"

class CChildFrame;
class CLayerComboBox;
class COpenDoc;
class CTAVView;
class QMenu;
class QToolBar;

// The main window: menus, the five toolbars with the layer combo box, the status bar, the MDI
// area with one child frame per view, the two display settings and the command dispatch.
class CMainFrame : public QMainWindow, public CFrameServices {
    Q_OBJECT
public:
    // State of a command's menu items, buttons and shortcut: enabled, and checked (1), not
    // checked (0) or without a check mark (-1).
    struct SCmdUI {
        bool enabled = true;
        int checked = -1;
        // A menu text that replaces the table's ("" keeps it).
        std::string text;
    };
    using Handler = std::function<void()>;
    using Updater = std::function<void(SCmdUI&)>;

    // Reads both display settings (background black, display lists on when none is stored).
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds menus, toolbars, the layer combo box and the status bar, and restores the stored
    // toolbar layout. False when a part could not be created.
    bool Create();

    // --- services of the views ---
    bool IsBackgroundWhite() const override { return m_backgroundWhite != 0; }
    bool IsDisplayListUsed() const override { return m_useDisplayList != 0; }
    void SetStatusText(const std::string& text) override;
    void SetCoordinateText(const std::string& text) override;
    // Shows the layers of doc in the combo (nullptr, or a document not open here: empty).
    void ShowDocumentLayers(CTAVDoc* doc) override;
    void CommandStateChanged() override { RequestCommandUIUpdate(); }

    // --- commands ---
    // Sets the handler of id; updater decides enabled and check state (none: always enabled).
    // Commands without a handler are disabled. A later registration replaces an earlier one.
    void RegisterCommand(unsigned id, Handler handler, Updater updater = {});
    bool HasHandler(unsigned id) const { return m_handlers.count(id) != 0; }
    // The state of id now.
    SCmdUI QueryCommand(unsigned id) const;
    // Runs the handler of id when it is enabled; false when nothing ran.
    bool Dispatch(unsigned id);
    // Brings every menu item, button, shortcut and title up to date. Only what differs is
    // set, so an update posts no window events of its own.
    void UpdateCommandUI();
    // Runs UpdateCommandUI once when the event loop next gets to it; requests in between are
    // merged. Input, document flags and window activation request it; nothing idle does.
    void RequestCommandUIUpdate();
    // Every menu item, button and shortcut action of id.
    QList<QAction*> ActionsFor(unsigned id) const;
    // Updater helper: enabled only while a document window is active.
    static Updater NeedsDocument(const CMainFrame* frame);

    // --- menus ---
    // Switches between menu bar 129 (document) and 128 (none).
    void SetDocumentMenu(bool document);
    bool IsDocumentMenuShown() const { return m_documentMenu; }
    // The recent-file entries shown in both File menus.
    void SetRecentFiles(const QStringList& files);
    // The top-level menus of menu bar 128 or 129.
    const QList<QMenu*>& MenuBarMenus(unsigned resource) const;

    // --- document windows ---
    QMdiArea* MdiArea() const { return m_mdi; }
    // Adds and shows a child frame: maximized when it is the first, otherwise as placed.
    void AddChildFrame(CChildFrame* frame);
    // The child frames that still hold a view, in creation order.
    QList<CChildFrame*> ChildFrames() const;
    CChildFrame* ActiveChild() const;
    CTAVView* ActiveView() const;
    COpenDoc* ActiveDocument() const;
    // A child frame has let go of its document: with no window left the layer combo box is
    // emptied and the menu bar without documents comes back.
    void OnChildFrameClosed();
    // Gives every window of a document its title ("name", or "name:n" with several windows).
    void UpdateFrameTitles();

    // --- parts, for the shell and tests ---
    CLayerComboBox* LayerCombo() const { return m_layerCombo; }
    QLabel* CoordinatePane() const { return m_coordinatePane; }
    QString StatusText() const;
    QToolBar* ToolBar(unsigned controlId) const;

    // --- commands of the frame ---
    void OnToggleBackground();
    void OnToggleDisplayList();

    // Asked when the window is to close; false keeps it open.
    void SetCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }
    // Called with each local file dropped onto the window.
    void SetDropHandler(std::function<void(const QString&)> handler) {
        m_dropHandler = std::move(handler);
    }

    // Opens the local files among urls through the drop handler.
    void OpenDroppedUrls(const QList<QUrl>& urls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct SRecentSlot {
        QMenu* menu;
        QAction* before;
        QList<QAction*> actions;
    };

    QAction* MakeAction(unsigned id, const QString& text, QObject* owner);
    void BuildMenus(unsigned resource, QList<QMenu*>& menus);
    void FillMenu(QMenu* menu, std::span<const SMenuItem> items);
    bool BuildToolBars();
    void BuildStatusBar();
    void BuildAccelerators();
    void RegisterFrameCommands();
    void RepaintAllViews();
    void OnSubWindowActivated(QMdiSubWindow* window);
    void FillWindowList(QMenu* menu);
    void ArrangeIcons();

    int m_backgroundWhite = 0;
    int m_useDisplayList = 1;
    bool m_documentMenu = false;
    QMdiArea* m_mdi = nullptr;
    CLayerComboBox* m_layerCombo = nullptr;
    QLabel* m_messagePane = nullptr;
    QLabel* m_coordinatePane = nullptr;
    std::map<unsigned, QToolBar*> m_toolBars;
    QList<QMenu*> m_menus128;
    QList<QMenu*> m_menus129;
    std::vector<SRecentSlot> m_recentSlots;
    QList<QAction*> m_windowListActions;
    std::vector<std::pair<unsigned, QPointer<QAction>>> m_actions;
    std::map<unsigned, std::pair<Handler, Updater>> m_handlers;
    QStringList m_recentFiles;
    std::function<bool()> m_closeGuard;
    std::function<void(const QString&)> m_dropHandler;
    QPointer<QMdiSubWindow> m_lastActive;
    bool m_commandUIPending = false;
};

// The registered main frame (CFrameServices) as CMainFrame, or nullptr.
CMainFrame* GetMainFrame();
