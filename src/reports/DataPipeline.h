#pragma once

#include <QHash>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

namespace pelmora::reports
{

// The column names of a row source, looked up without regard to letter case.
class RowFields
{
  public:
    explicit RowFields(const QStringList& names);
    int indexOf(const QString& name) const { return index_.value(name.toLower(), -1); }
    const QStringList& names() const { return names_; }

  private:
    QStringList names_;
    QHash<QString, int> index_;
};

// One row of a pipeline, kept after its source moved on.
struct Row {
    QSharedPointer<const RowFields> fields;
    QVector<QVariant> values;

    bool isValid() const { return !fields.isNull(); }
    QVariant value(const QString& name) const
    {
        const int i = fields ? fields->indexOf(name) : -1;
        return i < 0 ? QVariant() : values.at(i);
    }
};

// Rows of one pipeline, read forward once.
class RowCursor
{
  public:
    virtual ~RowCursor() = default;
    // Moves to the next row; false after the last. Throws Error when the source fails.
    virtual bool next(Row& row) = 0;
};

// The named data a report reads: its main pipeline ("DBPipelineOrders", "DBPipelineCurOrder")
// and a detail pipeline whose rows belong to one main row ("DBPipelineItems").
class DataPipelines
{
  public:
    virtual ~DataPipelines() = default;
    virtual QStringList pipelineNames() const = 0;
    virtual QStringList fieldNames(const QString& pipeline) const = 0;
    // Rows of a main pipeline. Throws Error.
    virtual std::unique_ptr<RowCursor> open(const QString& pipeline) = 0;
    // Rows of a detail pipeline that belong to the main row. Throws Error.
    virtual std::unique_ptr<RowCursor> openDetail(const QString& pipeline, const Row& master) = 0;
};

} // namespace pelmora::reports
