#include "app/TAVApp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <cstdio>

#include "app/AboutDlg.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "app/OpenDoc.h"
#include "app/QtProgress.h"
#include "app/RecoveryKeeper.h"
#include "app/Settings.h"
#include "document/Archive.h"
#include "document/DataNode.h"
#include "printing/ViewPrinting.h"
#include "printing/core/PrintSettings.h"

namespace {

CTAVApp* g_app = nullptr;

QString Str(unsigned id) {
    return QString::fromUtf8(AppStr(id));
}

QString CanonicalPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

SCommandLine ParseCommandLine(const QStringList& args) {
    SCommandLine line;
    bool options = true;
    for (const QString& a : args) {
        if (options && a == QLatin1String("--")) {
            options = false;
        } else if (options && (a == QLatin1String("-p") || a == QLatin1String("/p"))) {
            line.print = true;
        } else if (options && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            // Options of other programs' command lines (DDE, print-to) mean nothing here.
        } else {
            line.files.append(a);
        }
    }
    return line;
}

CTAVApp::CTAVApp() {
    g_app = this;
}

CTAVApp::~CTAVApp() {
    if (m_helpWindow) {
        delete m_helpWindow;
    }
    CloseAllDocuments();
    // Normal end: this run's recovery copies go.
    m_recovery.reset();
    m_mainFrame.reset();
    if (g_app == this) {
        g_app = nullptr;
    }
}

CTAVApp* CTAVApp::Instance() {
    return g_app;
}

bool CTAVApp::InitInstance(const QStringList& args, bool show) {
    m_recentFiles = settings::ReadRecentFiles(kRecentFileCount);

    m_mainFrame = std::make_unique<CMainFrame>();
    if (!m_mainFrame->Create()) {
        m_exitCode = 1;
        return false;
    }
    m_prompter.SetParentWidget(m_mainFrame.get());
    m_mainFrame->SetCloseGuard([this] {
        if (!SaveAllModified()) {
            return false;
        }
        CloseAllDocuments();
        if (m_helpWindow) {
            m_helpWindow->close();
        }
        return true;
    });
    m_mainFrame->SetDropHandler([this](const QString& path) {
        if (!RefuseWhileWorkRuns(&m_prompter)) {
            OpenDocumentFile(path);
        }
    });
    RegisterAppCommands();
    RegisterFeatureCommands(*this, *m_mainFrame);
    m_mainFrame->SetRecentFiles(m_recentFiles);

    // Attribute data templates exist before any document is read, also for files named on
    // the command line or dropped.
    GetDataTemplate(1);

    const SCommandLine line = ParseCommandLine(args);
    if (line.print) {
        m_exitCode = PrintFromCommandLine(line.files) ? 0 : 1;
        return false;
    }
    if (show) {
        // Without a window manager "maximized" means nothing: fill the screen by hand too.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            m_mainFrame->setGeometry(screen->availableGeometry());
        }
        m_mainFrame->showMaximized();
    }
    m_recovery = std::make_unique<CRecoveryKeeper>(*this);
    m_recovery->Start();
    const int recovered = m_recovery->OfferAbandoned();
    if (line.files.isEmpty() && recovered == 0) {
        OnFileNew();
    }
    // A file that cannot be opened is reported; the others still open.
    for (const QString& f : line.files) {
        OpenDocumentFile(f);
    }
    m_mainFrame->UpdateCommandUI();
    return true;
}

QPrinter& CTAVApp::Printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *m_printer;
}

// ---------------------------------------------------------------------------------------------
// Documents and windows

CChildFrame* CTAVApp::CreateFrame(COpenDoc& doc) {
    auto* frame = new CChildFrame(doc);
    frame->SetCloseGuard([this](CChildFrame& f) { return CanCloseFrame(f); });
    frame->SetDetachHandler([this](CChildFrame& f) { OnFrameDetached(f); });
    m_mainFrame->AddChildFrame(frame);
    return frame;
}

COpenDoc* CTAVApp::OnFileNew() {
    const QString title = QString::fromStdString(DocTemplateField(EDocField::FileNewName)) +
                          QString::number(++m_untitledCount);
    m_docs.push_back(std::make_unique<COpenDoc>(&m_prompter, title));
    COpenDoc* doc = m_docs.back().get();
    doc->Doc().OnNewDocument();
    CreateFrame(*doc);
    return doc;
}

void CTAVApp::OnFileOpen() {
    CQtPrompter::SFileRequest request;
    request.title = Str(str::kOpenTitle);
    request.filters = {QString::fromStdString(DocTemplateField(EDocField::FilterName)),
                       Str(str::kAllFilter)};
    const CQtPrompter::SFileAnswer answer = m_prompter.ChooseFile(request);
    if (!answer.path.isEmpty()) {
        OpenDocumentFile(answer.path);
    }
}

COpenDoc* CTAVApp::FindDocument(const QString& path) const {
    const QString wanted = CanonicalPath(path);
    for (const auto& d : m_docs) {
        if (!d->PathName().isEmpty() && CanonicalPath(d->PathName()) == wanted) {
            return d.get();
        }
    }
    return nullptr;
}

COpenDoc* CTAVApp::OpenDocumentFile(const QString& path) {
    if (COpenDoc* open = FindDocument(path)) {
        if (!open->Frames().isEmpty()) {
            m_mainFrame->MdiArea()->setActiveSubWindow(open->Frames().front());
        }
        return open;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto doc = std::make_unique<COpenDoc>(&m_prompter, QFileInfo(path).fileName());
    CQtProgress progress(m_mainFrame.get(), &doc->Doc());
    if (!doc->Doc().OnOpenDocument(absolute.toStdString(), &progress)) {
        return nullptr;
    }
    doc->SetPathName(absolute);
    m_docs.push_back(std::move(doc));
    COpenDoc* opened = m_docs.back().get();
    CreateFrame(*opened);
    AddToRecentFileList(absolute);
    return opened;
}

COpenDoc* CTAVApp::OpenRecovered(std::span<const uint8_t> bytes, const QString& originalTitle,
                                 std::string& error) {
    // Silent while reading: a bad copy is reported once, by the caller, with what became of it.
    auto doc = std::make_unique<COpenDoc>(nullptr, QString());
    try {
        doc->Doc().LoadFromBytes(bytes);
        doc->Doc().SetPrompter(&m_prompter);
    } catch (const CArchiveException& e) {
        error = e.what();
        return nullptr;
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to read the document.";
        return nullptr;
    }
    doc->SetTitle(QString::fromStdString(DocTemplateField(EDocField::FileNewName)) +
                  QString::number(++m_untitledCount));
    doc->SetRecoveredFrom(originalTitle);
    doc->Doc().SetModifiedFlag(true);
    m_docs.push_back(std::move(doc));
    COpenDoc* opened = m_docs.back().get();
    CreateFrame(*opened);
    return opened;
}

bool CTAVApp::DoSave(COpenDoc& doc, bool askPath) {
    QString path = doc.PathName();
    if (askPath || path.isEmpty()) {
        CQtPrompter::SFileRequest request;
        request.save = true;
        request.title = Str(str::kSaveAsTitle);
        request.filters = {QString::fromStdString(DocTemplateField(EDocField::FilterName)),
                           Str(str::kAllFilter)};
        request.defaultSuffix =
            QString::fromStdString(DocTemplateField(EDocField::FilterExt)).mid(1);
        QString proposal = path.isEmpty() ? doc.Title() : path;
        if (QFileInfo(proposal).suffix().isEmpty()) {
            proposal += QString::fromStdString(DocTemplateField(EDocField::FilterExt));
        }
        request.fileName = proposal;
        const CQtPrompter::SFileAnswer answer = m_prompter.ChooseFile(request);
        if (answer.path.isEmpty()) {
            return false;
        }
        path = QFileInfo(answer.path).absoluteFilePath();
    }
    CQtProgress progress(m_mainFrame.get(), &doc.Doc());
    if (!doc.Doc().OnSaveDocument(path.toStdString(), &progress)) {
        return false;
    }
    doc.SetPathName(path);
    if (m_recovery) {
        m_recovery->Forget(doc);
    }
    AddToRecentFileList(path);
    m_mainFrame->UpdateFrameTitles();
    return true;
}

bool CTAVApp::OnFileSave(COpenDoc& doc) {
    return DoSave(doc, false);
}

bool CTAVApp::OnFileSaveAs(COpenDoc& doc) {
    return DoSave(doc, true);
}

bool CTAVApp::SaveModified(COpenDoc& doc) {
    if (!doc.Doc().IsModified()) {
        return true;
    }
    const QString question = Str(str::kAskToSave).arg(doc.Title());
    switch (m_prompter.AskYesNoCancel(question, CPrompter::EIcon::Warning)) {
        case CQtPrompter::EAnswer::Yes:
            return OnFileSave(doc);
        case CQtPrompter::EAnswer::No:
            return true;
        default:
            return false;
    }
}

bool CTAVApp::SaveAllModified() {
    // Guarded: a document may close while another one's question is open.
    std::vector<QPointer<COpenDoc>> docs;
    for (const auto& d : m_docs) {
        docs.emplace_back(d.get());
    }
    for (const QPointer<COpenDoc>& d : docs) {
        if (d && !SaveModified(*d)) {
            return false;
        }
    }
    return true;
}

bool CTAVApp::CanCloseFrame(CChildFrame& frame) {
    COpenDoc* doc = frame.GetDocument();
    if (!doc || m_closingWithoutAsking || doc->Frames().size() > 1) {
        return true;
    }
    return SaveModified(*doc);
}

bool CTAVApp::CloseDocument(COpenDoc& doc) {
    if (!m_closingWithoutAsking && !SaveModified(doc)) {
        return false;
    }
    const bool was = m_closingWithoutAsking;
    m_closingWithoutAsking = true;
    QPointer<COpenDoc> guard(&doc);
    const QList<CChildFrame*> frames = doc.Frames();
    for (CChildFrame* f : frames) {
        f->close();
    }
    m_closingWithoutAsking = was;
    // A document without windows (none could be created) goes too.
    if (guard) {
        std::erase_if(m_docs, [&doc](const auto& d) { return d.get() == &doc; });
    }
    return true;
}

void CTAVApp::CloseAllDocuments() {
    while (!m_docs.empty()) {
        const bool was = m_closingWithoutAsking;
        m_closingWithoutAsking = true;
        COpenDoc& doc = *m_docs.back();
        CloseDocument(doc);
        m_closingWithoutAsking = was;
    }
}

void CTAVApp::OnFrameDetached(CChildFrame& frame) {
    COpenDoc* doc = frame.GetDocument();
    if (doc && doc->Frames().isEmpty()) {
        std::erase_if(m_docs, [doc](const auto& d) { return d.get() == doc; });
    }
    if (m_mainFrame) {
        m_mainFrame->OnChildFrameClosed();
    }
}

CChildFrame* CTAVApp::OnWindowNew(COpenDoc& doc) {
    return CreateFrame(doc);
}

void CTAVApp::AddToRecentFileList(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kRecentFileCount) {
        m_recentFiles.removeLast();
    }
    settings::WriteRecentFiles(m_recentFiles);
    if (m_mainFrame) {
        m_mainFrame->SetRecentFiles(m_recentFiles);
    }
}

void CTAVApp::OpenRecentFile(int index) {
    if (index < 0 || index >= m_recentFiles.size()) {
        return;
    }
    const QString path = m_recentFiles[index];
    if (!OpenDocumentFile(path) && !QFileInfo::exists(path)) {
        // A file that is gone leaves the list, as it would after any failed open.
        m_recentFiles.removeAll(path);
        settings::WriteRecentFiles(m_recentFiles);
        m_mainFrame->SetRecentFiles(m_recentFiles);
    }
}

// ---------------------------------------------------------------------------------------------
// Other commands

void CTAVApp::OnAppAbout() {
    CAboutDlg dlg(m_mainFrame.get());
    dlg.exec();
}

void CTAVApp::OnHelp() {
    if (!m_helpWindow) {
        m_helpWindow = new CHelpWindow(m_mainFrame.get());
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void CTAVApp::OnFilePrintSetup() {
    QPrintDialog dlg(&Printer(), m_mainFrame.get());
    dlg.setWindowTitle(QString::fromUtf8(FindCommand(cmd::kPrintSetup)->tooltip));
    dlg.setOption(QAbstractPrintDialog::PrintToFile, true);
    dlg.exec();
}

void CTAVApp::OnAppExit() {
    m_mainFrame->close();
}

bool CTAVApp::PrintFromCommandLine(const QStringList& files) {
    // Nobody may be there to close a box: messages go to stderr, questions take the safe answer.
    m_prompter.SetBoxRunner([](const CQtPrompter::SBox& box) {
        std::fprintf(stderr, "tav: %s\n", box.text.toUtf8().constData());
        switch (box.buttons) {
            case CQtPrompter::EButtons::Ok:
                return CQtPrompter::EAnswer::Ok;
            case CQtPrompter::EButtons::YesNo:
                return CQtPrompter::EAnswer::No;
            default:
                return CQtPrompter::EAnswer::Cancel;
        }
    });
    if (!HasPrintTarget(Printer())) {
        std::fprintf(stderr, "tav: %s\n", kPrintCannotStartMsg);
        return false;
    }
    bool ok = true;
    for (const QString& f : files) {
        COpenDoc* doc = OpenDocumentFile(f);
        if (!doc) {
            ok = false;
            continue;
        }
        CTAVView* view = m_mainFrame->ActiveView();
        ok = view != nullptr && PrintView(*view, Printer(), false) && ok;
        const bool was = m_closingWithoutAsking;
        m_closingWithoutAsking = true;
        CloseDocument(*doc);
        m_closingWithoutAsking = was;
    }
    return ok;
}

void CTAVApp::RegisterAppCommands() {
    CMainFrame& f = *m_mainFrame;
    const CMainFrame::Updater needsDoc = CMainFrame::NeedsDocument(&f);
    auto active = [&f]() -> COpenDoc& { return *f.ActiveDocument(); };
    f.RegisterCommand(cmd::kFileNew, [this] { OnFileNew(); });
    f.RegisterCommand(cmd::kFileOpen, [this] { OnFileOpen(); });
    f.RegisterCommand(
        cmd::kFileClose, [this, active] { CloseDocument(active()); }, needsDoc);
    f.RegisterCommand(
        cmd::kFileSave, [this, active] { OnFileSave(active()); }, needsDoc);
    f.RegisterCommand(
        cmd::kFileSaveAs, [this, active] { OnFileSaveAs(active()); }, needsDoc);
    f.RegisterCommand(cmd::kPrintSetup, [this] { OnFilePrintSetup(); });
    for (int i = 0; i < kRecentFileCount; ++i) {
        f.RegisterCommand(
            cmd::kRecentFile1 + static_cast<unsigned>(i), [this, i] { OpenRecentFile(i); },
            [this, i](CMainFrame::SCmdUI& ui) { ui.enabled = i < m_recentFiles.size(); });
    }
    f.RegisterCommand(
        cmd::kNewWindow, [this, active] { OnWindowNew(active()); }, needsDoc);
    f.RegisterCommand(cmd::kAbout, [this] { OnAppAbout(); });
    f.RegisterCommand(cmd::kHelp, [this] { OnHelp(); });
    f.RegisterCommand(cmd::kExit, [this] { OnAppExit(); });
}
