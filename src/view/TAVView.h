#pragma once

#include <QOpenGLWidget>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/TAVDoc.h"
#include "view/core/Camera.h"
#include "view/core/PointLocator.h"
#include "view/core/Selection.h"
#include "view/gl/SceneRenderer.h"

class QAction;
class QMenu;

// Mouse tools of the view.
enum EViewTool {
    kToolPointInput = 0,  // a drawing or measuring operation collects points
    kToolSelect = 1,
    kToolPan = 2,
    kToolZoom = 3,
    kToolRotate = 4,
    kToolPanTwoButtons = 5,  // left and right held together
    kToolRotateMiddle = 6,   // middle button held
    kToolZoomWindow = 7,
    kToolPrintWindow = 8,  // pick a window (the print window)
};

// Error texts of the context, by error number; only the first error of a view is kept.
inline constexpr const char* kViewErrorTexts[] = {"No Error",
                                                  "Unable to get a DC",
                                                  "ChoosePixelFormat failed",
                                                  "SelectPixelFormat failed",
                                                  "wglCreateContext failed",
                                                  "wglMakeCurrent failed",
                                                  "wglDeleteContext failed",
                                                  "SwapBuffers failed"};

// Status text of the zoom-window tool; the blanks overwrite a longer previous text.
inline constexpr char kZoomWindowPrompt[] =
    "Wcisnij lewy przycisk myszy i przeciagnij, aby wskazac okno do powiekszenia."
    "                    ";

// The OpenGL view of one document: camera, navigation with the mouse tools, the drawing of
// each frame (shared with tavcli render) and the view's commands.
class CTAVView : public QOpenGLWidget, public CDocObserver {
    Q_OBJECT
public:
    // One command of the view for the frame's command table: run on a view, and its state.
    struct SViewCommand {
        unsigned id;
        void (*run)(CTAVView& view);
        // Sets enabled and checked (1 checked, 0 not, -1 no check mark).
        void (*update)(const CTAVView& view, bool& enabled, int& checked);
    };
    // The commands the active view handles (render modes, names, tools, zoom all, plan,
    // previous, view point, projection).
    static std::span<const SViewCommand> Commands();

    // Registers with doc as an observer and takes over the camera state the document holds.
    explicit CTAVView(CTAVDoc& doc, QWidget* parent = nullptr);
    // Frees the GL objects while the context still exists and unregisters from the document.
    ~CTAVView() override;

    // The document shown; never null.
    CTAVDoc* GetDocument() const { return m_doc; }
    // True while the scene list is still to be compiled (a paint shows the scene without it).
    bool IsRebuildPending() const { return m_renderer.IsRebuildPending(); }
    // Number of frames drawn so far.
    int GetPaintCount() const { return m_paintCount; }
    // The modeless entity dialog open in this view, or nullptr.
    QWidget* GetEntityDialog() const { return m_entityDialog; }
    // Sets the modeless entity dialog (nullptr when it closes).
    void SetEntityDialog(QWidget* dialog) { m_entityDialog = dialog; }

    // --- camera and drawing state ---
    CCamera& Camera() { return m_camera; }
    const CCamera& Camera() const { return m_camera; }
    CSceneRenderer& Renderer() { return m_renderer; }
    const CSceneRenderer& Renderer() const { return m_renderer; }
    int GetRenderMode() const { return m_renderer.m_renderMode; }
    int GetTool() const { return m_tool; }
    int GetPreviousTool() const { return m_previousTool; }
    // Text of the first GL error of this view ("No Error" when none).
    const char* GetLastError() const { return kViewErrorTexts[m_lastError]; }
    // While set, resizing changes neither the camera nor the viewport (print preview).
    void SetSkipResize(bool skip) { m_skipResize = skip; }
    bool GetSkipResize() const { return m_skipResize; }
    // Records a context error met while printing (only the view's first error is kept).
    void RecordPrintError(int error) { RecordError(error); }
    // Starts picking a window (tool 8) with the previous tool saved and prompt in the status
    // bar; once a window is dragged the tool returns and done gets its corners (world points of
    // the view plane through the target, as WindowToWorld without the reference plane).
    void BeginWindowPick(const std::string& prompt,
                         std::function<void(const CPoint3& a, const CPoint3& b)> done);
    // The world point under the cursor (on the reference plane).
    const CPoint3& GetCursorPoint() const { return m_renderer.m_cursorPoint; }
    // The point taken by the last left press.
    const CPoint3& GetPickedPoint() const { return m_pickedPoint; }
    // Sets the picked point (an open dialog puts it back on its entity).
    void SetPickedPoint(const CPoint3& p) { m_pickedPoint = p; }
    // Sets the cursor point the rubber line follows.
    void SetCursorPoint(const CPoint3& p) { m_renderer.m_cursorPoint = p; }
    // Value of the highlighted entity that follows the cursor (-1 none).
    int GetEditHandle() const { return m_renderer.m_editHandle; }
    void SetEditHandle(int handle) { m_renderer.m_editHandle = handle; }
    // Sets the mouse tool even while the document is busy (the dialogs that take points).
    void SetToolQuiet(int tool);
    // Set whenever the cursor was over the view; the drawing dialogs read and clear it.
    int m_cursorOverView = 0;
    // Kinds of point localization (bits), stored with the camera.
    uint16_t m_localizationMask = 0;

    // --- selection, point input and measurement ---
    // The entity the edit commands work on (-1 none).
    int GetCurrentPick() const { return m_renderer.m_currentPick; }
    // Entities hit by the last plain pick, ascending.
    const std::vector<int>& GetPickList() const { return m_renderer.m_pickList; }
    // Entities gathered with Shift, ascending.
    const std::vector<int>& GetMultipleSelection() const { return m_renderer.m_multiSelection; }
    // Edit handle and current pick to -1; with all, both lists emptied and the scene rebuilt.
    void ClearSelection(bool all);
    // The entity drawn highlighted over the scene while points are collected; the caller owns
    // it and sets nullptr before destroying it.
    void SetTempEntity(const CEntity* entity) { m_renderer.m_tempEntity = entity; }
    const CEntity* GetTempEntity() const { return m_renderer.m_tempEntity; }
    // In point input (tool 0) the snapped point under pixel (x, y), which the next left press
    // takes; otherwise, or with nothing to snap to, the point on the reference plane.
    CPoint3 LocalizePoint(int x, int y);
    // True while a localized point waits for the next left press.
    bool IsLocalizedPending() const { return m_localizedPending != 0; }
    // The snap kind of the pending localized point (0 when none).
    uint16_t GetLocalizedKind() const { return m_localizedPending ? m_localizedKind : 0; }
    // Cursor resource shown now (130-135), 0 for the arrow.
    int GetCursorResource() const { return m_cursorResource; }
    // Running measurement: 0 none, 1 coordinates, 2 length, 3 perimeter and area.
    int GetMeasureKind() const { return m_measureKind; }
    // Starts a measurement of kind 1..3; only beeps while the document is busy.
    void OnMeasure(int kind);
    // Ends the running measurement and shows its result; nothing when none runs.
    void OnMeasureEnd();
    // Abandons the running measurement without a result (Escape).
    void AbandonMeasurement();
    // Picks between the press (x0, y0) and release (x, y) pixels: a click below 5 pixels of
    // movement, else the rectangle; shift gathers into the multiple selection.
    void PickAt(int x0, int y0, int x, int y, bool shift);
    // "Nastepny": the next entity of the pick list becomes the current pick.
    void OnNextPick();
    // "Kasuj wybór"; only beeps while the document is busy.
    void OnClearSelection();
    // "Wymaż wybrane" and the Delete key.
    void OnDeleteSelected();
    // The popup of the right button: the selection's when something is selected, else the
    // tools' and modes'; nullptr while the document is busy without a selection. Each item's
    // data is its command id.
    std::unique_ptr<QMenu> BuildPopupMenu();
    // Replaces running a popup (tests): returns the chosen action or nullptr.
    void SetPopupRunner(std::function<QAction*(QMenu&, const QPoint&)> runner) {
        m_popupRunner = std::move(runner);
    }
    // Runs a command id through the shell's command table, or the view's own without a shell.
    void RunCommandId(unsigned id);
    // The point locator with its index.
    CPointLocator& Locator() { return m_locator; }

    // --- commands ---
    void SetRenderMode(int mode);
    void OnPointNames();
    void SetTool(int tool);
    void OnZoomWindow();
    void OnZoomAll();
    void OnPlan();
    void OnPrevious();
    void OnViewPoint();
    void OnProjection();
    // True (after a beep) when the document is busy with a drawing or measuring operation.
    bool BeepIfBusy() const;

    // CDocObserver
    void OnDocumentUpdate(int hint) override;
    void InvalidateDisplayList() override;
    void ResetCurrentPick() override;
    void OnEntitiesRemoved() override;
    void StoreViewState(CTAVDoc& doc) override;
    void OnDocumentStateChanged() override;

signals:
    // A left click in point input (tool 0) stored the picked point while a modeless dialog is
    // open; editHandle is the view's edit handle.
    void pointPicked(int editHandle);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    // Ends tool 8 with the window dragged from a to b (pixels).
    void FinishWindowPick(const QPoint& a, const QPoint& b);
    void RecordError(int error);
    void ReleaseGL();
    // Compiles the scene list that the last frame went without.
    void CompileDeferredList();
    void UpdateCursor();
    // Tells the frame that command states may have changed.
    void NotifyCommandState() const;
    void SetStatus(const std::string& text) const;
    void ShowCoordinates();
    void ReturnToPreviousTool();
    SSelectionRefs Selection();
    void OnRightButtonUp(const QPoint& p);
    void AddMeasurePoint();
    // "Pokaż wszystko" without a history entry.
    void FitToDrawing();
    // The user moved the camera: sizes are no longer fitted.
    void KeepCamera();

    CTAVDoc* m_doc;
    CCamera m_camera;
    CSceneRenderer m_renderer{m_camera};
    int m_paintCount = 0;
    int m_lastError = 0;
    bool m_skipResize = false;
    std::function<void(const CPoint3&, const CPoint3&)> m_windowPickDone;
    int m_targetMarker = 0;
    int m_tool = kToolSelect;
    int m_previousTool = kToolSelect;
    bool m_dragging = false;  // left button held
    QPoint m_pressPos;
    QPoint m_cursorPos;
    CPoint3 m_pickedPoint;
    int m_localizedPending = 0;
    CPoint3 m_localizedPoint;
    uint16_t m_localizedKind = 0;  // snap kind of the localized point
    bool m_glReady = false;
    QPointer<QWidget> m_entityDialog;
    CPointLocator m_locator;
    int m_cycleIndex = 0;
    int m_cursorResource = 0;
    int m_measureKind = 0;
    std::unique_ptr<CPoly> m_measurePoly;
    std::function<QAction*(QMenu&, const QPoint&)> m_popupRunner;
    // The drawing is fitted to each size the window takes until the user moves the camera (a
    // file saved with a new document's camera, an import into an empty drawing).
    bool m_fitOnResize = false;
    // Entities the document had at the last update: an import into an empty drawing fits.
    int m_entitiesSeen = 0;
};
