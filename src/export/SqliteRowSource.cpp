#include "export/SqliteRowSource.h"

#include "common/Error.h"

#include <QStringList>
#include <sqlite3.h>

namespace pelmora
{

namespace
{

sqlite3_stmt* prepare(sqlite3* db, const QString& statement)
{
    if (!db)
        throw Error(QStringLiteral("The database is not open"));
    const QByteArray utf8 = statement.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        throw Error(message);
    }
    return stmt;
}

} // namespace

SqliteRowSource::SqliteRowSource(sqlite3* db, const QString& statement, ExportColumns columns)
    : db_(db), statement_(statement), columns_(std::move(columns)), stmt_(prepare(db, statement))
{
    if (sqlite3_column_count(stmt_) != columns_.size()) {
        sqlite3_finalize(stmt_);
        throw Error(QStringLiteral("The statement gives %1 columns, not %2")
                        .arg(sqlite3_column_count(stmt_))
                        .arg(columns_.size()));
    }
}

SqliteRowSource::~SqliteRowSource()
{
    sqlite3_finalize(stmt_);
}

qint64 SqliteRowSource::rowCount()
{
    if (rowCount_ != -2)
        return rowCount_;
    sqlite3_stmt* count = prepare(db_, QStringLiteral("SELECT count(*) FROM (%1)").arg(statement_));
    rowCount_ = sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : -1;
    sqlite3_finalize(count);
    return rowCount_;
}

bool SqliteRowSource::next()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
}

bool SqliteRowSource::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

bool SqliteRowSource::isNumeric(int column) const
{
    const int type = sqlite3_column_type(stmt_, column);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

QByteArrayView SqliteRowSource::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!data)
        return {};
    return QByteArrayView(data, sqlite3_column_bytes(stmt_, column));
}

double SqliteRowSource::number(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

qint64 SqliteRowSource::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QStringList SqliteRowSource::resultColumns(sqlite3* db, const QString& statement)
{
    sqlite3_stmt* stmt = prepare(db, statement);
    QStringList names;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i)
        names << QString::fromUtf8(sqlite3_column_name(stmt, i));
    sqlite3_finalize(stmt);
    return names;
}

} // namespace pelmora
