#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

#include "document/TAVDoc.h"

class CChildFrame;
class CPrompter;

// A drawing open in the program: the document, its title and the child frames that show it.
// Child frames and the layer combo box follow it through QPointer, so none of them can touch
// the document after it is closed.
class COpenDoc : public QObject {
    Q_OBJECT
public:
    // A new empty document asking through prompter; title as shown in window titles.
    COpenDoc(CPrompter* prompter, const QString& title);
    ~COpenDoc() override;

    CTAVDoc& Doc() { return *m_doc; }
    const CTAVDoc& Doc() const { return *m_doc; }
    // "TAV1" for a new document, the file name once it has a path.
    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title) { m_title = title; }
    // Path of the file it was read from or last saved to; empty for a new document.
    QString PathName() const { return QString::fromStdString(m_doc->GetPathName()); }
    // Sets the path and the title that goes with it.
    void SetPathName(const QString& path);
    // The title of the drawing a recovery copy was made of, shown beside the title until the
    // document is saved; empty for other documents.
    const QString& RecoveredFrom() const { return m_recoveredFrom; }
    void SetRecoveredFrom(const QString& title) { m_recoveredFrom = title; }

    // The child frames showing the document, in the order they were opened.
    const QList<CChildFrame*>& Frames() const { return m_frames; }
    void AddFrame(CChildFrame* frame);
    void RemoveFrame(CChildFrame* frame);

private:
    std::unique_ptr<CTAVDoc> m_doc;
    QString m_title;
    QString m_recoveredFrom;
    QList<CChildFrame*> m_frames;
};
