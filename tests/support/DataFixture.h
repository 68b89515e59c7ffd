#pragma once

// A program folder with a fresh database open: what the subsystems' fixtures build on.

#include "database/DataModule.h"
#include "support/TestFolder.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVariantMap>

namespace pelmora::test
{

struct DataFixture {
    DataFixture()
    {
        data.setLocation(folder.databasePath());
        data.ResetDB();
    }

    // Runs a statement with its values bound, as another program would; fails the test when
    // SQLite refuses it.
    void exec(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery query(data.database());
        bool done = query.prepare(sql);
        for (const QVariant& value : values)
            query.addBindValue(value);
        done = done && query.exec();
        if (!done)
            QTest::qFail(qPrintable(query.lastError().text() + QStringLiteral(" in ") + sql), __FILE__, __LINE__);
    }
    // Inserts a row of the values given by column name.
    void insert(const QString& table, const QVariantMap& row) { insert(table, row.keys().join(','), row.values()); }
    // Inserts a row of the values given in the order of the columns (names separated by commas).
    void insert(const QString& table, const QString& columns, const QVariantList& values)
    {
        const QStringList marks(values.size(), QStringLiteral("?"));
        exec(QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(table, columns, marks.join(',')), values);
    }
    QVariant scalar(const QString& sql) { return data.scalar(sql); }
    int count(const QString& table) { return scalar(QStringLiteral("SELECT count(*) FROM ") + table).toInt(); }

    TestFolder folder;
    DataModule data;
};

} // namespace pelmora::test
