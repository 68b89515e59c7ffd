#include "export/Exporter.h"

#include "common/Error.h"
#include "export/TableWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>

namespace pelmora
{

namespace
{

constexpr qint64 kProgressEvery = 1000;

// Reserves a work file name beside the target; removes it unless released.
class WorkFile
{
  public:
    explicit WorkFile(const QString& target)
    {
        const QFileInfo info(target);
        QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
        file.setAutoRemove(false);
        if (!file.open())
            throw Error(QStringLiteral("Cannot write in \"%1\": %2")
                            .arg(QDir::toNativeSeparators(info.absolutePath()), file.errorString()));
        path_ = file.fileName();
    }
    ~WorkFile()
    {
        if (!path_.isEmpty())
            QFile::remove(path_);
    }
    const QString& path() const { return path_; }
    // Puts the finished file in place of the target, in one step.
    void commit(const QString& target)
    {
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(path_).toStdString(), QFile::encodeName(target).toStdString(), error);
        if (error)
            throw Error(QStringLiteral("Cannot write \"%1\": %2")
                            .arg(QDir::toNativeSeparators(target), QString::fromLocal8Bit(error.message().c_str())));
        // The work file was made private; the export is an ordinary file of the user.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        path_.clear();
    }

  private:
    QString path_;
};

} // namespace

QList<int> Exporter::selectedFields(const ExportColumns& columns, const ExportOptions& options)
{
    QList<int> fields;
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (!options.omittedFields.contains(columns[i].name, Qt::CaseInsensitive))
            fields << int(i);
    return fields;
}

ExportResult Exporter::run(RowSource& source, const ExportOptions& options, const QString& path,
                           const Progress& progress)
{
    ExportResult result;
    try {
        if (path.trimmed().isEmpty())
            throw Error(QStringLiteral("No file name given"));
        if (QFileInfo(path).isDir())
            throw Error(QStringLiteral("\"%1\" is a folder").arg(QDir::toNativeSeparators(path)));
        TableLayout layout;
        layout.fields = selectedFields(source.columns(), options);
        if (layout.fields.isEmpty())
            throw Error(QStringLiteral("No fields are chosen for the export"));
        for (int field : std::as_const(layout.fields))
            layout.columns << source.columns()[field];

        // The writer goes before the work file does: it may still write when it is dropped.
        WorkFile work(path);
        std::unique_ptr<TableWriter> writer = TableWriter::create(options.format);
        layout.rows = (progress || writer->needsRowCount()) ? source.rowCount() : -1;
        if (progress && !progress(0, layout.rows)) {
            result.cancelled = true;
            return result;
        }

        writer->begin(work.path(), layout, options);
        while (source.next()) {
            writer->writeRow(source);
            ++result.rows;
            if (progress && result.rows % kProgressEvery == 0 && !progress(result.rows, layout.rows)) {
                result.cancelled = true;
                return result;
            }
        }
        writer->finish();
        writer.reset();
        work.commit(path);
        if (progress)
            progress(result.rows, layout.rows);
        result.ok = true;
    } catch (const std::exception& e) {
        result.error = QString::fromStdString(e.what());
    }
    return result;
}

} // namespace pelmora
