#include "toolkit/SqlTransaction.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <atomic>
#include <sqlite3.h>

namespace pelmora::toolkit
{

namespace
{

// Runs one statement on the handle; the message of SQLite when it fails, otherwise empty.
QString exec(sqlite3* db, const QString& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return text.isEmpty() ? sql + QStringLiteral(" failed") : text;
}

// Savepoint names only need to differ between scopes that are open at the same time; a
// counter shared by every connection and thread does that.
QString nextSavepoint()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("pelmora_scope_%1").arg(++counter);
}

} // namespace

sqlite3* SqlTransaction::handle(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(h.data());
}

SqlTransaction::SqlTransaction(const QSqlDatabase& db) : m_db(handle(db))
{
    begin();
}

SqlTransaction::SqlTransaction(sqlite3* db) : m_db(db)
{
    begin();
}

void SqlTransaction::begin()
{
    if (!m_db)
        throw SqlError(QStringLiteral("Database is not connected"));
    if (sqlite3_get_autocommit(m_db)) {
        if (const QString failure = exec(m_db, QStringLiteral("BEGIN IMMEDIATE")); !failure.isEmpty())
            throw SqlError(failure);
        return;
    }
    const QString name = nextSavepoint();
    if (const QString failure = exec(m_db, QStringLiteral("SAVEPOINT ") + name); !failure.isEmpty())
        throw SqlError(failure);
    m_savepoint = name;
}

SqlTransaction::~SqlTransaction()
{
    if (m_done)
        return;
    // SQLite may have rolled the whole transaction back already (a full disk, for one): then
    // there is nothing left to undo and these fail harmlessly.
    if (m_savepoint.isEmpty()) {
        if (!sqlite3_get_autocommit(m_db))
            exec(m_db, QStringLiteral("ROLLBACK"));
    } else if (!sqlite3_get_autocommit(m_db)) {
        exec(m_db, QStringLiteral("ROLLBACK TO ") + m_savepoint);
        exec(m_db, QStringLiteral("RELEASE ") + m_savepoint);
    }
}

void SqlTransaction::commit()
{
    if (m_done)
        throw SqlError(QStringLiteral("The transaction has been committed already"));
    const QString failure =
        exec(m_db, m_savepoint.isEmpty() ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + m_savepoint);
    if (!failure.isEmpty())
        throw SqlError(failure);
    m_done = true;
}

} // namespace pelmora::toolkit
