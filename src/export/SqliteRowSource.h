#pragma once

#include "export/RowSource.h"

#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace pelmora
{

// The rows of one SELECT statement on an open SQLite connection, stepped straight through the
// engine so that a million rows pass without being held. The statement's result columns are
// described by the caller, in the same order.
class SqliteRowSource : public RowSource
{
  public:
    // Prepares the statement. Throws Error with the engine's message when it is refused or
    // when its column count differs from the description.
    SqliteRowSource(sqlite3* db, const QString& statement, ExportColumns columns);
    ~SqliteRowSource() override;

    const ExportColumns& columns() const override { return columns_; }
    qint64 rowCount() override;
    bool next() override;
    bool isNull(int column) const override;
    bool isNumeric(int column) const override;
    QByteArrayView text(int column) const override;
    double number(int column) const override;
    qint64 integer(int column) const override;

    // The names of the statement's result columns, in order (for callers that describe them).
    static QStringList resultColumns(sqlite3* db, const QString& statement);

  private:
    sqlite3* db_;
    QString statement_;
    ExportColumns columns_;
    sqlite3_stmt* stmt_ = nullptr;
    qint64 rowCount_ = -2;
};

} // namespace pelmora
