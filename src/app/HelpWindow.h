#pragma once

#include <QWidget>

class QTextBrowser;

// The help window: the program's HTML help, bundled as resources, one page per menu.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    // A separate window owned by parent; closing it only hides it.
    explicit CHelpWindow(QWidget* parent = nullptr);
    // Shows the page with the given name ("index.html", "plik.html", ...).
    void ShowPage(const QString& page);
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};
