#pragma once

#include <QDateTime>
#include <QString>

namespace pelmora
{

inline const QString kErrorLogFile = QStringLiteral("Error log.txt");

// Appends line and CR LF to root + "logs/" + fileName; creates the folder and the file when
// missing. Throws Error when the file cannot be written.
void WriteLog(const QString& line, const QString& fileName);

// The locale's long time format, without a time zone.
QString LongTimeText(const QTime& time);

// The locale's short date, a blank and its long time; the time is left out at exactly midnight.
QString LogDateTime(const QDateTime& moment);

// The longest message LogError writes whole; a longer one is cut, with "..." and its length.
inline constexpr int kLogMessageLimit = 4000;

// The common line: date-time ": " message suffix, appended to "Error log.txt" (a NUL in the
// message as "\0"). Never throws: a log line written from inside an error handler must not
// end the program.
void LogError(const QString& message, const QString& suffix = QString());

// Appends a line built by the caller to "Error log.txt"; never throws.
void LogLine(const QString& line);

} // namespace pelmora
