#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

struct sqlite3;

namespace pelmora::toolkit
{

// The rows of one table with the given integer keys, exactly as they were stored when the image
// was taken: every column's value with its storage class, and which keys had no row. Restoring
// an image puts the table back so: rows that were absent are deleted, missing rows are inserted
// with their key, and rows that differ get only the columns that differ (so indexes and
// triggers of untouched columns are left alone).
//
// Works on the connection's SQLite handle; the caller runs restore() inside its transaction.
class SqlRowImage
{
  public:
    // One stored value: SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    struct Value {
        int type = 5; // SQLITE_NULL
        qint64 integer = 0;
        double real = 0;
        QByteArray bytes;
        bool operator==(const Value& other) const;
    };
    using Row = QList<Value>;

    SqlRowImage() = default;

    // Reads the rows of table whose keyColumn is one of keys: every column, or only those named
    // (for a change that writes nothing else; such an image cannot bring a deleted row back).
    // Throws std::runtime_error.
    static SqlRowImage take(sqlite3* db, const QString& table, const QString& keyColumn, const QList<qint64>& keys,
                            const QStringList& columns = {});

    // Puts the rows back as they were when the image was taken. Throws std::runtime_error; the
    // caller's transaction then rolls back whatever was done.
    void restore(sqlite3* db) const;

    QString table() const { return table_; }
    QString keyColumn() const { return keyColumn_; }
    // The columns kept when only some were asked for; empty for whole rows.
    QStringList partialColumns() const { return partial_ ? columns_ : QStringList(); }
    QList<qint64> keys() const { return keys_; }
    // Keys that had a row.
    int rowCount() const { return int(rows_.size()); }
    bool hasRow(qint64 key) const { return rows_.contains(key); }
    // Adds keys that have no row (yet): restoring deletes their rows.
    void addAbsentKeys(const QList<qint64>& keys);

    bool operator==(const SqlRowImage& other) const;

  private:
    static QHash<qint64, Row> read(sqlite3* db, const QString& table, const QString& keyColumn,
                                   const QStringList& columns, const QList<qint64>& keys);

    QString table_;
    QString keyColumn_;
    QStringList columns_; // every column but the key
    QList<qint64> keys_;
    QHash<qint64, Row> rows_;
    bool partial_ = false;
};

} // namespace pelmora::toolkit
