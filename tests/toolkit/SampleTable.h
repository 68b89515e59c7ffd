#pragma once

// Temporary SQLite files for the toolkit tests: an empty one, one with a generated table for the SQL models, or
// one with a table of the test's own under an open model for the widget tests.

#include "toolkit/SqlTableModel.h"

#include <QDate>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantList>
#include <QWidget>

namespace sample
{

inline const QStringList Statuses{QStringLiteral("Paid"), QStringLiteral("Unpaid"), QStringLiteral("Shipped"),
                                  QStringLiteral("Completed"), QStringLiteral("")};

// An empty temporary SQLite file, open under the connection name while it lives.
class File
{
  public:
    explicit File(const QString& connection = QStringLiteral("sample")) : m_connection(connection)
    {
        QVERIFY(m_dir.isValid());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_dir.filePath(QStringLiteral("sample.db")));
        QVERIFY(db.open());
    }

    ~File()
    {
        {
            QSqlDatabase::database(m_connection, false).close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }

    QString connection() const { return m_connection; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_connection, false); }
    // A path for another file beside the database.
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    void exec(const QString& statement)
    {
        QSqlQuery query(db());
        QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    }
    void exec(const char* statement) { exec(QString::fromUtf8(statement)); }

    // The first column of every row of `statement`.
    QVariantList column(const QString& statement) const
    {
        QVariantList values;
        QSqlQuery query(db());
        if (!query.exec(statement))
            qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        while (query.next())
            values << query.value(0);
        return values;
    }

    QVariant scalar(const QString& statement) const { return column(statement).value(0); }

  private:
    QTemporaryDir m_dir;
    QString m_connection;
};

// Things(id, name, status, day, amount, flag): `status` is NULL on every
// seventh row and '' on some others; `name` repeats every 1000 rows.
class Database : public File
{
  public:
    explicit Database(int rows = 5000, const QString& connection = QStringLiteral("sample")) : File(connection)
    {
        QSqlDatabase db = this->db();
        exec("CREATE TABLE Things (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, status TEXT, day TEXT, "
             "amount REAL, flag INTEGER, code TEXT NOT NULL DEFAULT 'x')");
        exec("CREATE TABLE Parts (id INTEGER PRIMARY KEY, thing INTEGER, label TEXT)");
        exec("CREATE INDEX ThingsName ON Things(name, id)");
        exec("CREATE INDEX ThingsStatus ON Things(status, id)");
        exec("CREATE INDEX ThingsDay ON Things(day, id)");
        QVERIFY(db.transaction());
        QSqlQuery insert(db);
        QVERIFY(insert.prepare("INSERT INTO Things (id, name, status, day, amount, flag) VALUES (?, ?, ?, ?, ?, ?)"));
        for (int i = 1; i <= rows; ++i) {
            insert.addBindValue(i);
            insert.addBindValue(QStringLiteral("Name %1").arg((i * 7) % 1000, 4, 10, QLatin1Char('0')));
            insert.addBindValue(i % 7 == 0 ? QVariant() : QVariant(Statuses[i % Statuses.size()]));
            insert.addBindValue(QDate(2020, 1, 1).addDays(i % 400).toString(Qt::ISODate));
            insert.addBindValue(i * 1.5);
            insert.addBindValue(i % 2);
            QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
        }
        exec("INSERT INTO Parts (thing, label) SELECT id, 'part of ' || id FROM Things WHERE id <= 50");
        QVERIFY(db.commit());
    }
};

// A file with one table, made by the statements, open under a model keyed on key (in the en_US locale).
class Table : public File
{
  public:
    Table(const QString& table, const QString& key, const QStringList& statements)
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        for (const QString& statement : statements)
            exec(statement);
        model.setConnectionName(connection());
        model.setTable(table);
        model.setKeyColumn(key);
        QVERIFY(model.open());
    }
    pelmora::toolkit::SqlTableModel model;
};

// Shows a widget as the active window, at the size given.
inline void showWindow(QWidget& widget, int width, int height)
{
    widget.resize(width, height);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    widget.activateWindow();
}

} // namespace sample
