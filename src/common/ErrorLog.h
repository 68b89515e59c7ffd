#pragma once

#include <QDateTime>
#include <QString>

namespace pelmora
{

inline const QString kErrorLogFile = QStringLiteral("Error log.txt");

class Root;

// Names the program folder whose logs folder the log lines go to, for as long as it lives:
// the session holds one, and so does a test's program folder. The newest one counts; when it
// goes, the one before it counts again. Without any, the executable's folder.
class LogFolder
{
  public:
    explicit LogFolder(const Root& root);
    ~LogFolder();
    LogFolder(const LogFolder&) = delete;
    LogFolder& operator=(const LogFolder&) = delete;

  private:
    QString previous_;
};

// Appends line and CR LF to the log folder's "logs/" + fileName; creates the folder and the file when
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
