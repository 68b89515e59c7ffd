#pragma once

// Orders of the text a merchant's orders really hold (accents, quotes, percent signs and
// underscores, mixed case, blanks and NULLs) for the search tests, and the orders a search
// should find among them, as SQLite's LIKE finds them.

#include <QRandomGenerator>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>

namespace pelmora::test
{

struct SearchShop {
    // Fills count orders numbered from firstShopper into the orders table, each with up to two
    // items in the items table.
    static void fill(QSqlDatabase db, const QString& orders, const QString& items, int count, int firstShopper)
    {
        static const QStringList names{"Ann Smith", "Bob O'Brien",     "José Núñez",  "Jürgen Müller", "Zoë SMITHERS",
                                       "li wu",     "100% Cotton Ltd", "A_B Trading", QString(),       ""};
        static const QStringList companies{"Acme", "Müller & Söhne", "50% Off Inc"};
        static const QStringList streets{"1 Main Street", "22 rue de la Paix", "Hauptstraße 5", "PO Box 50%"};
        static const QStringList products{"Blue Widget", "Gadget XL", "Crème brûlée kit", "50% off voucher",
                                          "smith's hammer"};
        static const QStringList statuses{"Paid", "Unpaid", "Shipped"};
        QRandomGenerator random(firstShopper);
        auto pick = [&](const QStringList& list) { return list[random.bounded(int(list.size()))]; };
        auto maybe = [&](const QVariant& v) { return random.bounded(4) ? v : QVariant(); };
        QVERIFY(db.transaction());
        QSqlQuery order(db), item(db);
        order.prepare(QStringLiteral("INSERT INTO %1(ShopperID,Invoice_name,Invoice_company,Invoice_email,Invoice_tel,"
                                     "Ship_address1,Payment_ref,Notes,Status,Total,Invoice_date,Selected,New) "
                                     "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)")
                          .arg(orders));
        item.prepare(QStringLiteral("INSERT INTO %1(ShopperID,ProductCode,Product,Qty) VALUES(?,?,?,1)").arg(items));
        for (int shopper = firstShopper; shopper < firstShopper + count; ++shopper) {
            const QVariantList values{shopper,
                                      pick(names),
                                      maybe(pick(companies)),
                                      QStringLiteral("c%1@Example.com").arg(shopper),
                                      maybe(QStringLiteral("+44 20 %1").arg(random.bounded(9000) + 1000)),
                                      maybe(pick(streets)),
                                      maybe(QStringLiteral("PAY-%1").arg(random.bounded(500))),
                                      random.bounded(3) ? QVariant(QString())
                                                        : QVariant(QStringLiteral("ring before noon")),
                                      pick(statuses),
                                      maybe(double(random.bounded(20000)) / 100.0),
                                      maybe(QStringLiteral("2024-%1-%2")
                                                .arg(random.bounded(12) + 1, 2, 10, QLatin1Char('0'))
                                                .arg(random.bounded(28) + 1, 2, 10, QLatin1Char('0'))),
                                      maybe(random.bounded(2)),
                                      random.bounded(2)};
            for (const QVariant& v : values)
                order.addBindValue(v);
            QVERIFY2(order.exec(), qPrintable(order.lastError().text()));
            for (int k = random.bounded(3); k > 0; --k) {
                item.addBindValue(shopper);
                item.addBindValue(QStringLiteral("SKU-%1").arg(random.bounded(40)));
                item.addBindValue(pick(products));
                QVERIFY2(item.exec(), qPrintable(item.lastError().text()));
            }
        }
        QVERIFY(db.commit());
    }

    // The numbers of the orders in which every word occurs (ignoring the case of ASCII letters)
    // in a column a merchant searches, or in the product or code of one of their items; where
    // narrows them further.
    static QSet<int> like(QSqlDatabase db, const QString& text, const QString& where = QString(),
                          const QString& orders = QStringLiteral("Orders"),
                          const QString& items = QStringLiteral("Items"))
    {
        static const QStringList searched{"ShopperID",        "Invoice_name", "Invoice_company", "Invoice_email",
                                          "Invoice_address1", "Invoice_tel",  "Ship_name",       "Ship_address1",
                                          "Payment_ref",      "Notes"};
        QStringList conditions;
        QVariantList values;
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QString pattern = word;
            pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
                .replace(QLatin1Char('%'), QLatin1String("\\%"))
                .replace(QLatin1Char('_'), QLatin1String("\\_"));
            pattern = QLatin1Char('%') + pattern + QLatin1Char('%');
            QStringList any;
            for (const QString& column : searched) {
                any << column + QStringLiteral(" LIKE ? ESCAPE '\\'");
                values << pattern;
            }
            any << QStringLiteral("ShopperID IN (SELECT ShopperID FROM %1 WHERE Product LIKE ? ESCAPE '\\' "
                                  "OR ProductCode LIKE ? ESCAPE '\\')")
                       .arg(items);
            values << pattern << pattern;
            conditions << QLatin1Char('(') + any.join(QStringLiteral(" OR ")) + QLatin1Char(')');
        }
        if (!where.isEmpty())
            conditions << where;
        const QList<int> found =
            numbers(db,
                    QStringLiteral("SELECT ShopperID FROM %1%2")
                        .arg(orders, conditions.isEmpty() ? QString() : " WHERE " + conditions.join(" AND ")),
                    values);
        return QSet<int>(found.begin(), found.end());
    }

    // The first column of the rows a statement reads, with its values bound, as numbers.
    static QList<int> numbers(QSqlDatabase db, const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery query(db);
        query.prepare(sql);
        for (const QVariant& v : values)
            query.addBindValue(v);
        if (!query.exec())
            qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        QList<int> found;
        while (query.next())
            found << query.value(0).toInt();
        return found;
    }
};

} // namespace pelmora::test
