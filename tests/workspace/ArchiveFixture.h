#pragma once

// A small shop for the archiving tests: orders of several days and statuses, items dated apart
// from their order, two orders sharing a number, an item without an order, and one row already
// in each archive table. Rows are read back whole, every column, so a test can compare row sets.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTest>
#include <algorithm>

namespace pelmora::test
{

struct ArchiveFixture {
    // Orders: number, date, status. 1003 is the number of two orders.
    static void fill(QSqlDatabase db)
    {
        const struct {
            int number;
            const char* date;
            const char* status;
        } orders[] = {
            {1001, "2007-03-04", "Completed"},  {1002, "2007-03-05", "Shipped"},   {1003, "2007-03-06", "Completed"},
            {1003, "2007-06-01", "Completed"},  {1004, "2007-04-01", "completed"}, {1005, "2007-01-10", "Unpaid"},
            {1006, "2007-05-02", "Completed "},
        };
        for (const auto& o : orders)
            exec(db, QStringLiteral("INSERT INTO Orders(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,"
                                    "Status,Total,New) VALUES(%1,'shop','%2','10:15:00','Buyer %1','%3',12.5,0)")
                         .arg(o.number)
                         .arg(QString::fromLatin1(o.date), QString::fromLatin1(o.status)));
        // Items: number, product, the item's own date (C1 is dated before its order).
        const struct {
            int number;
            const char* product;
            const char* date;
        } items[] = {
            {1001, "A1", "2007-03-04"}, {1001, "A2", "2007-03-04"}, {1002, "B1", "2007-03-05"},
            {1003, "C1", "2007-03-01"}, {1003, "C2", "2007-03-06"}, {1004, "D1", "2007-04-01"},
            {1005, "E1", "2007-01-10"}, {1006, "F1", "2007-05-02"}, {9999, "X1", "2007-02-01"},
        };
        for (const auto& i : items)
            exec(db, QStringLiteral("INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,"
                                    "Invoice_date) VALUES(%1,2,'P-%2','%2','pcs',3.25,6.5,'%3')")
                         .arg(i.number)
                         .arg(QString::fromLatin1(i.product), QString::fromLatin1(i.date)));
        exec(db, QStringLiteral("INSERT INTO OrdersArchve(ShopperID,Invoice_date,Status,id) "
                                "VALUES(900,'2006-01-01','Completed',77)"));
        exec(db, QStringLiteral("INSERT INTO ItemsArchive(ShopperID,Product,Invoice_date) "
                                "VALUES(900,'Z1','2006-01-01')"));
    }

    static void exec(QSqlDatabase db, const QString& sql)
    {
        QSqlQuery query(db);
        if (!query.exec(sql))
            QFAIL(qPrintable(query.lastError().text() + QStringLiteral(" in ") + sql));
    }

    // Every row of a table, every column, sorted: a multiset that two tables can be compared by.
    static QStringList rows(QSqlDatabase db, const QString& table) { return column(db, table, QStringLiteral("*")); }

    // One column of every row (all of them, named, for "*"), sorted.
    static QStringList column(QSqlDatabase db, const QString& table, const QString& name)
    {
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT %1 FROM %2").arg(name, table));
        QStringList list;
        while (query.next()) {
            QStringList fields;
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                fields << (query.value(i).isNull() ? QStringLiteral("NULL") : query.value(i).toString());
            if (name == QLatin1String("*"))
                for (int i = 0; i < record.count(); ++i)
                    fields[i].prepend(record.fieldName(i) + '=');
            list << fields.join('|');
        }
        std::sort(list.begin(), list.end());
        return list;
    }

    // a minus b, as multisets of rows.
    static QStringList minus(QStringList a, const QStringList& b)
    {
        for (const QString& row : b)
            a.removeOne(row);
        return a;
    }
};

} // namespace pelmora::test
