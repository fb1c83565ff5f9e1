#include "app/QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/CommandTable.h"
#include "tools/TransformDlg.h"

namespace {

QMessageBox::Icon ToQtIcon(CPrompter::EIcon icon) {
    switch (icon) {
        case CPrompter::EIcon::Information:
            return QMessageBox::Information;
        case CPrompter::EIcon::Warning:
            return QMessageBox::Warning;
        case CPrompter::EIcon::Error:
        case CPrompter::EIcon::Stop:
            return QMessageBox::Critical;
        case CPrompter::EIcon::Question:
            return QMessageBox::Question;
        case CPrompter::EIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

CQtPrompter::CQtPrompter(QWidget* parent) : m_parent(parent) {}

void CQtPrompter::ShowMessage(const std::string& text, EIcon icon) {
    Run({QString::fromUtf8(AppStr(str::kAppTitle)), QString::fromStdString(text), icon,
         EButtons::Ok});
}

bool CQtPrompter::AskYesNo(const std::string& text, EIcon icon) {
    return Run({QString::fromUtf8(AppStr(str::kAppTitle)), QString::fromStdString(text), icon,
                EButtons::YesNo}) == EAnswer::Yes;
}

CQtPrompter::EAnswer CQtPrompter::AskYesNoCancel(const QString& text, EIcon icon) {
    return Run({QString::fromUtf8(AppStr(str::kAppTitle)), text, icon, EButtons::YesNoCancel});
}

void CQtPrompter::Beep() {
    ++m_beeps;
    QApplication::beep();
}

void CQtPrompter::BeginWaitCursor() {
    ++m_waitDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CQtPrompter::EndWaitCursor() {
    // Never pop a cursor that this prompter did not push.
    if (m_waitDepth > 0) {
        --m_waitDepth;
        QApplication::restoreOverrideCursor();
    }
}

void CQtPrompter::ReportFileError(const std::string& path, const std::string& reason) {
    ShowMessage(path + "\n" + reason, EIcon::Warning);
}

bool CQtPrompter::RunAlignmentDialog(SAlignment& values) {
    const bool waiting = m_waitDepth > 0;
    if (waiting) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const bool ok =
        m_alignmentRunner ? m_alignmentRunner(values) : RunTransformDlg(values, *this, m_parent);
    if (waiting) {
        QApplication::restoreOverrideCursor();
    }
    return ok;
}

CQtPrompter::EAnswer CQtPrompter::Run(const SBox& box) {
    // A box shown under the wait cursor must get the normal pointer.
    const bool waiting = m_waitDepth > 0;
    if (waiting) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const EAnswer answer = m_boxRunner ? m_boxRunner(box) : RunMessageBox(box);
    if (waiting) {
        QApplication::restoreOverrideCursor();
    }
    return answer;
}

CQtPrompter::EAnswer CQtPrompter::RunMessageBox(const SBox& box) {
    QMessageBox mb(ToQtIcon(box.icon), box.title, box.text, QMessageBox::NoButton, m_parent);
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    switch (box.buttons) {
        case EButtons::Ok:
            ok = mb.addButton(QString::fromUtf8(AppStr(str::kOk)), QMessageBox::AcceptRole);
            mb.setEscapeButton(ok);
            break;
        case EButtons::YesNo:
            yes = mb.addButton(QString::fromUtf8(AppStr(str::kYes)), QMessageBox::YesRole);
            no = mb.addButton(QString::fromUtf8(AppStr(str::kNo)), QMessageBox::NoRole);
            mb.setEscapeButton(no);
            break;
        case EButtons::YesNoCancel:
            yes = mb.addButton(QString::fromUtf8(AppStr(str::kYes)), QMessageBox::YesRole);
            no = mb.addButton(QString::fromUtf8(AppStr(str::kNo)), QMessageBox::NoRole);
            cancel = mb.addButton(QString::fromUtf8(AppStr(str::kCancel)), QMessageBox::RejectRole);
            mb.setEscapeButton(cancel);
            break;
    }
    mb.setDefaultButton(yes ? yes : ok);
    mb.exec();
    const QAbstractButton* clicked = mb.clickedButton();
    if (clicked && clicked == yes) {
        return EAnswer::Yes;
    }
    if (clicked && clicked == no) {
        return EAnswer::No;
    }
    if (box.buttons == EButtons::Ok) {
        return EAnswer::Ok;
    }
    return box.buttons == EButtons::YesNo ? EAnswer::No : EAnswer::Cancel;
}

CQtPrompter::SFileAnswer CQtPrompter::ChooseFile(const SFileRequest& request) {
    return m_fileRunner ? m_fileRunner(request) : RunFileDialog(request);
}

CQtPrompter::SFileAnswer CQtPrompter::RunFileDialog(const SFileRequest& request) {
    QFileDialog dlg(m_parent, request.title);
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setNameFilters(request.filters);
    if (request.filterIndex >= 1 && request.filterIndex <= request.filters.size()) {
        dlg.selectNameFilter(request.filters[request.filterIndex - 1]);
    }
    if (!request.defaultSuffix.isEmpty()) {
        dlg.setDefaultSuffix(request.defaultSuffix);
    }
    if (request.filterSuffixes.size() == request.filters.size()) {
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                         [&dlg, &request](const QString& f) {
                             const qsizetype i = request.filters.indexOf(f);
                             if (i >= 0) {
                                 dlg.setDefaultSuffix(request.filterSuffixes[i]);
                             }
                         });
    }
    if (!request.fileName.isEmpty()) {
        dlg.selectFile(request.fileName);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return {};
    }
    SFileAnswer answer;
    answer.path = dlg.selectedFiles().front();
    answer.filterIndex = static_cast<int>(request.filters.indexOf(dlg.selectedNameFilter())) + 1;
    if (answer.filterIndex < 1) {
        answer.filterIndex = 1;
    }
    return answer;
}
