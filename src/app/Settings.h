#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's persistent settings: QSettings("Velmor", "TAV 2.1"). The two display values
// live in group "Settings"; the recent-file list and the toolbar layout beside it.
namespace settings {

inline constexpr char kBackground[] = "IsBackgrWhite";
inline constexpr char kDisplayList[] = "UseDisplayList";
// Side of the point localization window in pixels.
inline constexpr char kLocateWindow[] = "LocateWindow";

// The int stored under group "Settings"; fallback when missing or not a number.
int ReadInt(const char* name, int fallback);
// Stores an int under group "Settings"; a failed write leaves the old value.
void WriteInt(const char* name, int value);

// The recent-file list, most recent first, at most count entries.
QStringList ReadRecentFiles(int count);
// Stores the recent-file list (entries beyond the stored ones are removed).
void WriteRecentFiles(const QStringList& files);

// The toolbar layout stored at the last close; empty when none.
QByteArray ReadToolBarState();
void WriteToolBarState(const QByteArray& state);

}  // namespace settings
