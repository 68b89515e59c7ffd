#pragma once

#include "support/TestFolder.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>
#include <QVariantMap>

namespace pelmora::test
{

// A program folder whose database holds orders and items written by hand, as a merchant's
// download would have left them.
class OrdersFolder
{
  public:
    OrdersFolder() : name_(QUuid::createUuid().toString())
    {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(folder.databasePath());
        db_.open();
    }
    ~OrdersFolder()
    {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlDatabase db() const { return db_; }

    void exec(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery q(db_);
        QVERIFY2(q.prepare(sql), qPrintable(q.lastError().text()));
        for (const QVariant& v : values)
            q.addBindValue(v);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    QVariant scalar(const QString& sql)
    {
        QSqlQuery q(db_);
        if (!q.exec(sql) || !q.next())
            return {};
        return q.value(0);
    }
    void addOrder(const QVariantMap& columns)
    {
        QStringList names, marks;
        QVariantList values;
        for (auto it = columns.begin(); it != columns.end(); ++it) {
            names << it.key();
            marks << QStringLiteral("?");
            values << it.value();
        }
        exec(QStringLiteral("INSERT INTO Orders(%1) VALUES(%2)").arg(names.join(','), marks.join(',')), values);
    }
    void addItem(int shopperId, const QString& code, const QString& product, double qty, double price)
    {
        exec(QStringLiteral("INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount) "
                            "VALUES(?,?,?,?,'pcs',?,?)"),
             {shopperId, qty, code, product, price, qty * price});
    }

    TestFolder folder;

  private:
    QString name_;
    QSqlDatabase db_;
};

} // namespace pelmora::test
