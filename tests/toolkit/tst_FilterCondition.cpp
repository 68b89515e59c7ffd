#include "toolkit/FilterCondition.h"

#include <QDate>
#include <QDateTime>
#include <QTest>
#include <QTime>

using pelmora::toolkit::FilterCondition;
using Op = FilterCondition::Operator;

Q_DECLARE_METATYPE(pelmora::toolkit::FilterCondition)

class FilterConditionTest : public QObject
{
    Q_OBJECT

  private slots:
    // The filter bar's text (the grid's tests show the plain cases through the bar itself).
    void rendersTheExpressionText_data()
    {
        QTest::addColumn<FilterCondition>("condition");
        QTest::addColumn<QString>("expression");

        const auto paid = FilterCondition::compare(QStringLiteral("Status"), Op::Equal, QStringLiteral("Paid"));
        const auto over10 = FilterCondition::compare(QStringLiteral("Total"), Op::Greater, 10);
        const auto under2 = FilterCondition::compare(QStringLiteral("Total"), Op::Less, 2);

        QTest::newRow("nothing") << FilterCondition() << QString();
        QTest::newRow("empty groups") << FilterCondition::any({FilterCondition(), FilterCondition::all({})})
                                      << QString();
        QTest::newRow("quotes at both ends")
            << FilterCondition::compare(QStringLiteral("Notes"), Op::NotEqual, QStringLiteral("'x'"))
            << QStringLiteral("Notes <> '''x'''");
        QTest::newRow("time") << FilterCondition::compare(QStringLiteral("Invoice_time"), Op::Less, QTime(9, 5))
                              << QStringLiteral("Invoice_time < '09:05:00'");
        QTest::newRow("date and time") << FilterCondition::compare(QStringLiteral("Stamp"), Op::Equal,
                                                                   QDateTime(QDate(2024, 2, 29), QTime(23, 59, 1)))
                                       << QStringLiteral("Stamp = '02/29/2024 23:59:01'");
        QTest::newRow("number") << over10 << QStringLiteral("Total > '10'");
        QTest::newRow("boolean") << FilterCondition::compare(QStringLiteral("Selected"), Op::Equal, true)
                                 << QStringLiteral("Selected = '1'");
        QTest::newRow("like") << FilterCondition::compare(QStringLiteral("Invoice_name"), Op::Like,
                                                          QStringLiteral("%Smith's%"))
                              << QStringLiteral("Invoice_name LIKE '%Smith''s%'");
        QTest::newRow("three deep")
            << FilterCondition::any({FilterCondition::all({paid, FilterCondition::any({over10, under2})}),
                                     FilterCondition::blank(QStringLiteral("Status"))})
            << QStringLiteral("(Status = 'Paid' AND (Total > '10' OR Total < '2')) OR Status IS NULL");
        QTest::newRow("group of one is its condition")
            << FilterCondition::all({FilterCondition::any({over10}), FilterCondition::all({}), paid})
            << QStringLiteral("Total > '10' AND Status = 'Paid'");
        QTest::newRow("negated comparison")
            << FilterCondition::compare(QStringLiteral("Invoice_date"), Op::Equal, QDate(2007, 1, 15)).negated()
            << QStringLiteral("NOT (Invoice_date = '01/15/2007')");
        QTest::newRow("negated group inside a group")
            << FilterCondition::all({paid, FilterCondition::any({over10, under2}).negated()})
            << QStringLiteral("Status = 'Paid' AND NOT (Total > '10' OR Total < '2')");
        QTest::newRow("negated group of one") << FilterCondition::all({FilterCondition::any({paid, over10})}).negated()
                                              << QStringLiteral("NOT (Status = 'Paid' OR Total > '10')");
    }

    void rendersTheExpressionText()
    {
        QFETCH(FilterCondition, condition);
        QFETCH(QString, expression);
        QCOMPARE(condition.toExpression(), expression);
        QCOMPARE(condition.isEmpty(), expression.isEmpty());
    }

    // What a column's filter drop-down does before it sets the column's new condition.
    void dropsTheConditionsOfOneField()
    {
        const FilterCondition filter = FilterCondition::all(
            {FilterCondition::compare(QStringLiteral("Status"), Op::Equal, QStringLiteral("Paid")),
             FilterCondition::any({FilterCondition::compare(QStringLiteral("status"), Op::Equal, QStringLiteral("New")),
                                   FilterCondition::blank(QStringLiteral("STATUS"))}),
             FilterCondition::compare(QStringLiteral("Total"), Op::Greater, 5)});
        const FilterCondition rest = filter.withoutField(QStringLiteral("Status"));
        QCOMPARE(rest.toExpression(), QStringLiteral("Total > '5'"));
        QCOMPARE(rest.conditions().size(), 1);
        QVERIFY(filter.withoutField(QStringLiteral("Total")).withoutField(QStringLiteral("status")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(FilterConditionTest)
#include "tst_FilterCondition.moc"
