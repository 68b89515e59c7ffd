#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>
#include <QVariant>
#include <stdexcept>

namespace pelmora::test
{

// Looks into a database file through a connection of its own, as a peer would: its tables,
// their columns in order, their rows.
class DatabaseProbe
{
  public:
    explicit DatabaseProbe(const QString& path) : name_(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
    }
    ~DatabaseProbe()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    DatabaseProbe(const DatabaseProbe&) = delete;
    DatabaseProbe& operator=(const DatabaseProbe&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(name_, false); }
    QSqlQuery query(const QString& sql) const
    {
        QSqlQuery q(database());
        if (!q.exec(sql))
            throw std::runtime_error(QString(q.lastError().text() + QStringLiteral(": ") + sql).toStdString());
        return q;
    }
    void exec(const QString& sql) const { query(sql); }
    QVariant value(const QString& sql) const
    {
        QSqlQuery q = query(sql);
        return q.next() ? q.value(0) : QVariant();
    }

    QStringList tables() const
    {
        QStringList names;
        QSqlQuery q = query(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name"));
        while (q.next())
            names << q.value(0).toString();
        return names;
    }
    QStringList columns(const QString& table) const
    {
        QStringList names;
        QSqlQuery q = query(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
        while (q.next())
            names << q.value(1).toString();
        return names;
    }
    // Every row as column name -> value, in the given order.
    QList<QVariantMap> rows(const QString& table, const QString& orderBy = QStringLiteral("rowid")) const
    {
        QList<QVariantMap> result;
        QSqlQuery q = query(QStringLiteral("SELECT * FROM \"%1\" ORDER BY %2").arg(table, orderBy));
        while (q.next()) {
            QVariantMap row;
            const QSqlRecord record = q.record();
            for (int i = 0; i < record.count(); ++i)
                row.insert(record.fieldName(i), q.value(i));
            result << row;
        }
        return result;
    }
    int count(const QString& table) const
    {
        return value(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toInt();
    }
    // The schema and every row of every table as text: two files with the same dump hold the same.
    QString dump() const
    {
        QString text;
        QSqlQuery schema = query(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
        while (schema.next())
            text += schema.value(0).toString() + ' ' + schema.value(1).toString() + ": " + schema.value(2).toString() +
                    '\n';
        for (const QString& table : tables()) {
            text += QStringLiteral("== ") + table + '\n';
            for (const QVariantMap& row : rows(table)) {
                QStringList cells;
                for (auto it = row.begin(); it != row.end(); ++it)
                    cells << it.key() + '=' + (it.value().isNull() ? QStringLiteral("NULL") : it.value().toString());
                text += cells.join('|') + '\n';
            }
        }
        return text;
    }

  private:
    QString name_;
};

} // namespace pelmora::test
