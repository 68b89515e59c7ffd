#include "workspace/OrderStyle.h"

#include <QtTest>

using pelmora::OrderStyle;
using pelmora::OrderStyleKind;

Q_DECLARE_METATYPE(OrderStyleKind)

class OrderStyleTest : public QObject
{
    Q_OBJECT
  private slots:
    void rule_data();
    void rule();
};

void OrderStyleTest::rule_data()
{
    QTest::addColumn<QVariant>("newFlag");
    QTest::addColumn<QVariant>("status");
    QTest::addColumn<OrderStyleKind>("style");

    const QVariant null;
    const QVariant yes = qlonglong(1), no = qlonglong(0);
    QTest::newRow("new, paid") << yes << QVariant("Paid") << OrderStyleKind::NewOrder;
    QTest::newRow("new, unpaid") << yes << QVariant("Unpaid") << OrderStyleKind::NewAndUnpaid;
    QTest::newRow("not new, unpaid") << no << QVariant("Unpaid") << OrderStyleKind::Unpaid;
    QTest::newRow("not new, paid") << no << QVariant("Paid") << OrderStyleKind::Default;
    QTest::newRow("new, lower-case unpaid") << yes << QVariant("unpaid") << OrderStyleKind::NewOrder;
    QTest::newRow("not new, lower-case unpaid") << no << QVariant("unpaid") << OrderStyleKind::Default;
    QTest::newRow("empty New, unpaid") << null << QVariant("Unpaid") << OrderStyleKind::Default;
    QTest::newRow("new, empty status") << yes << null << OrderStyleKind::NewOrder;
    QTest::newRow("new, blank status text") << yes << QVariant("") << OrderStyleKind::NewOrder;
    QTest::newRow("unpaid with a blank") << no << QVariant("Unpaid ") << OrderStyleKind::Default;
    QTest::newRow("bool true") << QVariant(true) << QVariant("Unpaid") << OrderStyleKind::NewAndUnpaid;
    QTest::newRow("flag -1") << QVariant(-1) << QVariant("Paid") << OrderStyleKind::NewOrder;
    QTest::newRow("text True") << QVariant("True") << QVariant("Unpaid") << OrderStyleKind::NewAndUnpaid;
    QTest::newRow("text 0") << QVariant("0") << QVariant("Unpaid") << OrderStyleKind::Unpaid;
    QTest::newRow("unreadable flag") << QVariant("maybe") << QVariant("Unpaid") << OrderStyleKind::Default;
}

void OrderStyleTest::rule()
{
    QFETCH(QVariant, newFlag);
    QFETCH(QVariant, status);
    QFETCH(OrderStyleKind, style);
    QCOMPARE(OrderStyle::of(newFlag, status), style);
}

QTEST_GUILESS_MAIN(OrderStyleTest)
#include "tst_OrderStyle.moc"
