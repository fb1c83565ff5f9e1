// tav: the desktop program.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>

#include "app/TAVApp.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // Qt takes the user's locale for the C library too; numbers written with printf or read with
    // strtod (coordinate pane, readers) must keep the full stop whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName(QStringLiteral("Velmor"));
    QApplication::setApplicationName(QStringLiteral("TAV 2.1"));
    QApplication::setDesktopFileName(QStringLiteral("tav"));

    // The program speaks Polish; Qt's own dialogs do too when the translation is installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    CTAVApp app;
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (!app.InitInstance(args)) {
        return app.ExitCode();
    }
    return QApplication::exec();
}
