#include "toolkit/SqlRowImage.h"

#include <QSet>
#include <cstring>
#include <memory>
#include <sqlite3.h>

namespace pelmora::toolkit
{

namespace
{

// Keys per statement when reading: short statements, few round trips.
constexpr qsizetype kKeysPerRead = 4096;

QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

[[noreturn]] void fail(sqlite3* db, const QString& what)
{
    throw std::runtime_error(
        QString(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db))).toStdString());
}

// A prepared statement that finalizes itself.
class Statement
{
  public:
    Statement(sqlite3* db, const QString& sql) : db_(db)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt_, nullptr) != SQLITE_OK)
            fail(db, sql.left(80));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    // Runs a statement that returns no rows, then makes it ready for the next bindings.
    void run()
    {
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        if (rc != SQLITE_DONE)
            fail(db_, QStringLiteral("Cannot restore the rows"));
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

void bind(sqlite3_stmt* stmt, int position, const SqlRowImage::Value& value)
{
    switch (value.type) {
    case SQLITE_INTEGER:
        sqlite3_bind_int64(stmt, position, value.integer);
        break;
    case SQLITE_FLOAT:
        sqlite3_bind_double(stmt, position, value.real);
        break;
    case SQLITE_TEXT:
        sqlite3_bind_text(stmt, position, value.bytes.constData(), int(value.bytes.size()), SQLITE_TRANSIENT);
        break;
    case SQLITE_BLOB:
        sqlite3_bind_blob(stmt, position, value.bytes.constData(), int(value.bytes.size()), SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_bind_null(stmt, position);
    }
}

SqlRowImage::Value column(sqlite3_stmt* stmt, int i)
{
    SqlRowImage::Value v;
    v.type = sqlite3_column_type(stmt, i);
    switch (v.type) {
    case SQLITE_INTEGER:
        v.integer = sqlite3_column_int64(stmt, i);
        break;
    case SQLITE_FLOAT:
        v.real = sqlite3_column_double(stmt, i);
        break;
    case SQLITE_TEXT:
        v.bytes =
            QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)), sqlite3_column_bytes(stmt, i));
        break;
    case SQLITE_BLOB:
        v.bytes = QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)), sqlite3_column_bytes(stmt, i));
        break;
    default:
        break;
    }
    return v;
}

QStringList tableColumns(sqlite3* db, const QString& table, const QString& keyColumn)
{
    Statement info(db, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)));
    QStringList names;
    while (sqlite3_step(info.get()) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1)));
        if (name.compare(keyColumn, Qt::CaseInsensitive) != 0)
            names << name;
    }
    if (names.isEmpty())
        throw std::runtime_error(QStringLiteral("No such table: %1").arg(table).toStdString());
    return names;
}

} // namespace

bool SqlRowImage::Value::operator==(const Value& other) const
{
    if (type != other.type)
        return false;
    switch (type) {
    case SQLITE_INTEGER:
        return integer == other.integer;
    case SQLITE_FLOAT:
        // Bit for bit, so that a restore never leaves a value that merely compares equal.
        return std::memcmp(&real, &other.real, sizeof real) == 0;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
        return bytes == other.bytes;
    default:
        return true;
    }
}

QHash<qint64, SqlRowImage::Row> SqlRowImage::read(sqlite3* db, const QString& table, const QString& keyColumn,
                                                  const QStringList& columns, const QList<qint64>& keys)
{
    QStringList selected;
    for (const QString& c : columns)
        selected << quoted(c);
    const QString head = QStringLiteral("SELECT %1,%2 FROM %3 WHERE %1 IN (")
                             .arg(quoted(keyColumn), selected.join(QLatin1Char(',')), quoted(table));
    QHash<qint64, Row> rows;
    rows.reserve(keys.size());
    for (qsizetype from = 0; from < keys.size(); from += kKeysPerRead) {
        QString sql = head;
        const qsizetype to = std::min(keys.size(), from + kKeysPerRead);
        for (qsizetype i = from; i < to; ++i) {
            if (i > from)
                sql += QLatin1Char(',');
            sql += QString::number(keys[i]);
        }
        sql += QLatin1Char(')');
        Statement query(db, sql);
        int rc;
        while ((rc = sqlite3_step(query.get())) == SQLITE_ROW) {
            Row row;
            row.reserve(columns.size());
            for (int i = 0; i < columns.size(); ++i)
                row.append(column(query.get(), i + 1));
            rows.insert(sqlite3_column_int64(query.get(), 0), std::move(row));
        }
        if (rc != SQLITE_DONE)
            fail(db, QStringLiteral("Cannot read the rows of %1").arg(table));
    }
    return rows;
}

SqlRowImage SqlRowImage::take(sqlite3* db, const QString& table, const QString& keyColumn, const QList<qint64>& keys,
                              const QStringList& columns)
{
    SqlRowImage image;
    image.table_ = table;
    image.keyColumn_ = keyColumn;
    image.columns_ = columns.isEmpty() ? tableColumns(db, table, keyColumn) : columns;
    image.partial_ = !columns.isEmpty();
    image.keys_ = keys;
    image.rows_ = read(db, table, keyColumn, image.columns_, keys);
    return image;
}

void SqlRowImage::addAbsentKeys(const QList<qint64>& keys)
{
    for (qint64 key : keys)
        if (!keys_.contains(key))
            keys_.append(key);
}

bool SqlRowImage::operator==(const SqlRowImage& other) const
{
    return table_ == other.table_ &&
           QSet<qint64>(keys_.begin(), keys_.end()) == QSet<qint64>(other.keys_.begin(), other.keys_.end()) &&
           rows_ == other.rows_;
}

void SqlRowImage::restore(sqlite3* db) const
{
    if (keys_.isEmpty())
        return;
    // The table may have gained columns since (an upgrade): those are left as they are.
    const QHash<qint64, Row> now = read(db, table_, keyColumn_, columns_, keys_);
    const QString table = quoted(table_);
    const QString key = quoted(keyColumn_);

    Statement remove(db, QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(table, key));
    std::unique_ptr<Statement> insert;
    // One UPDATE per set of differing columns; a bulk change has one set for every row.
    QHash<QString, std::shared_ptr<Statement>> updates;

    for (qint64 k : keys_) {
        const auto was = rows_.constFind(k);
        const auto is = now.constFind(k);
        if (was == rows_.constEnd()) {
            if (is != now.constEnd()) {
                sqlite3_bind_int64(remove.get(), 1, k);
                remove.run();
            }
            continue;
        }
        if (is == now.constEnd()) {
            if (partial_)
                throw std::runtime_error(
                    QStringLiteral("Row %1 of %2 is gone and cannot be restored").arg(k).arg(table_).toStdString());
            if (!insert) {
                QStringList names{key};
                QStringList marks{QStringLiteral("?")};
                for (const QString& c : columns_) {
                    names << quoted(c);
                    marks << QStringLiteral("?");
                }
                insert = std::make_unique<Statement>(
                    db, QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                            .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
            }
            sqlite3_bind_int64(insert->get(), 1, k);
            for (int i = 0; i < columns_.size(); ++i)
                bind(insert->get(), i + 2, (*was)[i]);
            insert->run();
            continue;
        }
        QList<int> changed;
        for (int i = 0; i < columns_.size(); ++i)
            if (!((*was)[i] == (*is)[i]))
                changed << i;
        if (changed.isEmpty())
            continue;
        QString signature;
        for (int i : changed)
            signature += QString::number(i) + QLatin1Char(',');
        std::shared_ptr<Statement>& update = updates[signature];
        if (!update) {
            QStringList sets;
            for (int i : changed)
                sets << quoted(columns_[i]) + QStringLiteral(" = ?");
            update = std::make_shared<Statement>(
                db, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(table, sets.join(QLatin1Char(',')), key));
        }
        int position = 1;
        for (int i : changed)
            bind(update->get(), position++, (*was)[i]);
        sqlite3_bind_int64(update->get(), position, k);
        update->run();
    }
}

} // namespace pelmora::toolkit
