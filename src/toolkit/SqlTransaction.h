#pragma once

#include <QString>
#include <stdexcept>

class QSqlDatabase;
struct sqlite3;

namespace pelmora::toolkit
{

// What a transaction scope throws when SQLite refuses to begin or to commit.
class SqlError : public std::runtime_error
{
  public:
    explicit SqlError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// A scope whose writes are whole or nothing: rolled back when it ends without commit().
//
// The outermost scope on a connection begins a transaction that holds the write lock from the
// start (BEGIN IMMEDIATE), so that it never fails half-way because another connection wrote
// first. A scope opened while a transaction is already running (another scope's, or one begun
// through QSqlDatabase::transaction()) is a savepoint inside it: rolling it back undoes only
// its own writes, and committing it leaves them to the enclosing transaction.
//
// The scope works on the connection's SQLite handle, so writes made through Qt and through the
// SQLite C API on the same connection belong to it alike.
class SqlTransaction
{
  public:
    // Throws SqlError when the connection is not open or the transaction cannot begin.
    explicit SqlTransaction(const QSqlDatabase& db);
    explicit SqlTransaction(sqlite3* db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    // Keeps the scope's writes: the outermost scope commits; a savepoint is released into the
    // enclosing transaction. Throws SqlError when SQLite refuses (the writes are then rolled
    // back when the scope ends).
    void commit();

    // True when the scope is a savepoint inside a transaction that was running already.
    bool nested() const { return !m_savepoint.isEmpty(); }

    // The connection's SQLite handle; null when it is not an open SQLite connection.
    static sqlite3* handle(const QSqlDatabase& db);

  private:
    void begin();

    sqlite3* m_db = nullptr;
    QString m_savepoint;
    bool m_done = false;
};

} // namespace pelmora::toolkit
