#pragma once

// What the export tests share: a small SQLite file of awkward values, and the real readers of
// each format (python's csv and html parsers, openpyxl, python-docx, unrtf, pdftotext).

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <sqlite3.h>

namespace pelmora::test
{

// An open SQLite file that closes with the object.
class SqliteFile
{
  public:
    explicit SqliteFile(const QString& path)
    {
        if (sqlite3_open(QFile::encodeName(path).constData(), &db_) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
    }
    ~SqliteFile() { sqlite3_close(db_); }
    sqlite3* db() const { return db_; }
    void exec(const QString& sql) const
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            const QString text = QString::fromUtf8(message);
            sqlite3_free(message);
            qFatal("%s: %s", qPrintable(sql), qPrintable(text));
        }
    }

  private:
    sqlite3* db_ = nullptr;
};

inline QString pythonProgram()
{
    // The system's interpreter has the Debian reader packages.
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                             : QStringLiteral("python3");
}

// The table a real reader finds in the file, as JSON (see read_export.py).
inline QJsonObject readBack(const QString& format, const QString& path, const QStringList& extra = {})
{
    QProcess reader;
    reader.start(pythonProgram(),
                 QStringList{QStringLiteral(PELMORA_SOURCE_DIR "/tests/export/read_export.py"), format, path} + extra);
    if (!reader.waitForFinished(120000) || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        qWarning("reader failed: %s", reader.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

inline QList<QStringList> rowsOf(const QJsonObject& table)
{
    QList<QStringList> rows;
    for (const QJsonValue& row : table.value(QStringLiteral("rows")).toArray()) {
        QStringList cells;
        for (const QJsonValue& cell : row.toArray())
            cells << cell.toString();
        rows << cells;
    }
    return rows;
}

// The files in a folder, by name.
inline QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace pelmora::test
