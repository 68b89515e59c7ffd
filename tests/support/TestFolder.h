#pragma once

#include "common/ErrorLog.h"
#include "common/Root.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace pelmora::test
{

// A temporary program folder for one test: the error log goes to it while it lives, it holds the folders of a
// program folder, the shipped files of resources/ except config_global.ini, and (unless asked otherwise) a fresh
// database of the current layout at db/Pelmora.tdbd made by the project's own schema code. Sets the en_US locale.
class TestFolder
{
  public:
    explicit TestFolder(bool withDatabase = true);

    QString path() const; // with a trailing "/"
    Root root() const { return Root(path()); }
    QString file(const QString& relative) const { return path() + relative; }
    QString databasePath() const { return file(QStringLiteral("db/Pelmora.tdbd")); }

    // Makes a fresh database of the current layout with the default content at path.
    static void makeDatabase(const QString& path);
    // Runs an SQL script (statements separated by ";" at line ends) on a new file at path.
    static void makeDatabaseFromScript(const QString& path, const QString& scriptFile);

    // Writes the settings file as the program would, naming this folder's database and backup folder.
    void saveSettings() const;

    // The error log's lines (empty when there is none).
    QStringList logLines() const;
    QByteArray readFile(const QString& relative) const;
    void writeFile(const QString& relative, const QByteArray& bytes) const;

  private:
    QTemporaryDir dir_;
    std::unique_ptr<LogFolder> log_;
};

} // namespace pelmora::test
