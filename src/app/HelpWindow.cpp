#include "app/HelpWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/CommandTable.h"
#include "resources/Images.h"

// The help pages live in a static library, whose resources nothing registers by itself.
static void InitHelpResources() {
    Q_INIT_RESOURCE(tav);
}

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    InitHelpResources();
    setWindowTitle(QString::fromUtf8(AppStr(str::kHelpTitle)));
    setWindowIcon(images::AppIcon());
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    auto* back = new QPushButton(QStringLiteral("Wstecz"), this);
    auto* home = new QPushButton(QStringLiteral("Spis treści"), this);
    buttons->addWidget(back);
    buttons->addWidget(home);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(false);
    m_browser->setSearchPaths({QStringLiteral(":/help")});
    layout->addWidget(m_browser);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(home, &QPushButton::clicked, this, [this] { ShowPage(QStringLiteral("index.html")); });
    back->setEnabled(false);
    resize(720, 560);
    ShowPage(QStringLiteral("index.html"));
}

void CHelpWindow::ShowPage(const QString& page) {
    m_browser->setSource(QUrl(QStringLiteral("qrc:/help/") + page));
}
