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

// GSI import: 1 for coordinates in metres, 0 millimetres.
inline constexpr char kGsiMetres[] = "GsiMetres";
// GSI import: 1 when a block's 81-83 win over its polar words.
inline constexpr char kGsiCoordinates[] = "GsiCoordinates";
// Delimited point lists: the separator (its character code, 0 found from the file) and the
// order of the columns.
inline constexpr char kCsvSeparator[] = "CsvSeparator";
inline constexpr char kCsvColumns[] = "CsvColumns";
// Minutes between recovery copies of drawings with unsaved changes; 0 turns them off.
inline constexpr char kRecoveryMinutes[] = "RecoveryMinutes";

// The int stored under group "Settings"; fallback when missing or not a number.
int ReadInt(const char* name, int fallback);
// Stores an int under group "Settings"; a failed write leaves the old value.
void WriteInt(const char* name, int value);

// The text stored under group "Settings"; fallback when missing.
QString ReadString(const char* name, const QString& fallback);
// Stores a text under group "Settings".
void WriteString(const char* name, const QString& value);

// The recent-file list, most recent first, at most count entries.
QStringList ReadRecentFiles(int count);
// Stores the recent-file list (entries beyond the stored ones are removed).
void WriteRecentFiles(const QStringList& files);

// The toolbar layout stored at the last close; empty when none.
QByteArray ReadToolBarState();
void WriteToolBarState(const QByteArray& state);

}  // namespace settings
