#include "app/Settings.h"

#include <QSettings>

namespace settings {

namespace {

constexpr char kOrganization[] = "Velmor";
constexpr char kApplication[] = "TAV 2.1";
constexpr char kGroup[] = "Settings";
constexpr char kRecentGroup[] = "Recent File List";
constexpr char kToolBarState[] = "ToolBarState";

}  // namespace

int ReadInt(const char* name, int fallback) {
    QSettings s(kOrganization, kApplication);
    s.beginGroup(kGroup);
    bool ok = false;
    const int value = s.value(name).toInt(&ok);
    return ok ? value : fallback;
}

void WriteInt(const char* name, int value) {
    QSettings s(kOrganization, kApplication);
    s.beginGroup(kGroup);
    s.setValue(name, value);
}

QString ReadString(const char* name, const QString& fallback) {
    QSettings s(kOrganization, kApplication);
    s.beginGroup(kGroup);
    return s.value(name, fallback).toString();
}

void WriteString(const char* name, const QString& value) {
    QSettings s(kOrganization, kApplication);
    s.beginGroup(kGroup);
    s.setValue(name, value);
}

QStringList ReadRecentFiles(int count) {
    QSettings s(kOrganization, kApplication);
    s.beginGroup(kRecentGroup);
    QStringList files;
    for (int i = 1; i <= count; ++i) {
        const QString path = s.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) {
            files.append(path);
        }
    }
    return files;
}

void WriteRecentFiles(const QStringList& files) {
    QSettings s(kOrganization, kApplication);
    s.remove(kRecentGroup);
    s.beginGroup(kRecentGroup);
    for (qsizetype i = 0; i < files.size(); ++i) {
        s.setValue(QStringLiteral("File%1").arg(i + 1), files[i]);
    }
}

QByteArray ReadToolBarState() {
    QSettings s(kOrganization, kApplication);
    return s.value(kToolBarState).toByteArray();
}

void WriteToolBarState(const QByteArray& state) {
    QSettings s(kOrganization, kApplication);
    s.setValue(kToolBarState, state);
}

}  // namespace settings
