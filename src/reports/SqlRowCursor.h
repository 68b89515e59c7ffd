#pragma once

#include "reports/DataPipeline.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace pelmora::reports
{

// A pipeline's rows from one SELECT, read forward only so that a million rows cost no memory.
class SqlRowCursor : public RowCursor
{
  public:
    // Runs the statement with the bound values. Throws Error when the engine refuses it.
    SqlRowCursor(const QSqlDatabase& db, const QString& statement, const QVariantList& bindings = {});
    bool next(Row& row) override;

    // The names of the statement's columns without reading a row. Throws Error.
    static QStringList columnNames(const QSqlDatabase& db, const QString& statement);

  private:
    QSqlQuery query_;
    QSharedPointer<const RowFields> fields_;
};

} // namespace pelmora::reports
