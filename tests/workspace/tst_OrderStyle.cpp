#include "workspace/OrderStyle.h"

#include <QtTest>

using pelmora::OrderStyle;
using pelmora::OrderStyleKind;

Q_DECLARE_METATYPE(OrderStyleKind)

class OrderStyleTest : public QObject
{
    Q_OBJECT
  private slots:
    void rule_data()
    {
        QTest::addColumn<QVariant>("newFlag");
        QTest::addColumn<QVariant>("status");
        QTest::addColumn<OrderStyleKind>("style");
        // The four kinds of an order with a 0/1 flag are the orders grid's test (colouringRuleIsDrawn).

        const QVariant null;
        const QVariant yes = qlonglong(1), no = qlonglong(0);
        QTest::newRow("new, lower-case unpaid") << yes << QVariant("unpaid") << OrderStyleKind::NewOrder;
        QTest::newRow("empty New, unpaid") << null << QVariant("Unpaid") << OrderStyleKind::Default;
        QTest::newRow("new, empty status") << yes << null << OrderStyleKind::NewOrder;
        QTest::newRow("unpaid with a blank") << no << QVariant("Unpaid ") << OrderStyleKind::Default;
        QTest::newRow("bool true") << QVariant(true) << QVariant("Unpaid") << OrderStyleKind::NewAndUnpaid;
        QTest::newRow("text True") << QVariant("True") << QVariant("Unpaid") << OrderStyleKind::NewAndUnpaid;
        QTest::newRow("text 0") << QVariant("0") << QVariant("Unpaid") << OrderStyleKind::Unpaid;
        QTest::newRow("unreadable flag") << QVariant("maybe") << QVariant("Unpaid") << OrderStyleKind::Default;
    }

    void rule()
    {
        QFETCH(QVariant, newFlag);
        QFETCH(QVariant, status);
        QFETCH(OrderStyleKind, style);
        QCOMPARE(OrderStyle::of(newFlag, status), style);
    }
};

QTEST_GUILESS_MAIN(OrderStyleTest)
#include "tst_OrderStyle.moc"
