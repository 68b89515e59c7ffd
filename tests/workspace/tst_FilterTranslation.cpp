#include "workspace/FilterTranslation.h"

#include <QtTest>

using pelmora::FilterTranslation;

class FilterTranslationTest : public QObject
{
    Q_OBJECT
  private slots:
    void translate_data();
    void translate();
    void replacementsNeverMatchEarlierOutput();
    void toSqlWhere_data();
    void toSqlWhere();
};

void FilterTranslationTest::translate_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("expected");

    const QString d = QStringLiteral("'01/15/2007'");
    const QString t = QStringLiteral("'10:30:00'");
    // The twelve replacements, one each.
    QTest::newRow("date =") << "Invoice_date = " + d << "Invoice_date = Date" + d;
    QTest::newRow("date <=") << "Invoice_date <= " + d << "Invoice_date <= Date" + d;
    QTest::newRow("date >=") << "Invoice_date >= " + d << "Invoice_date >=Date" + d;
    QTest::newRow("date >") << "Invoice_date > " + d << "Invoice_date > Date" + d;
    QTest::newRow("date <") << "Invoice_date < " + d << "Invoice_date < Date" + d;
    QTest::newRow("date <>") << "Invoice_date <> " + d << "Invoice_date <>Date" + d;
    QTest::newRow("time =") << "Invoice_time = " + t << "Invoice_time = TIME" + t;
    QTest::newRow("time <=") << "Invoice_time <= " + t << "Invoice_time <= TIME" + t;
    QTest::newRow("time >=") << "Invoice_time >= " + t << "Invoice_time >=TIME" + t;
    QTest::newRow("time >") << "Invoice_time > " + t << "Invoice_time > TIME" + t;
    QTest::newRow("time <") << "Invoice_time < " + t << "Invoice_time < TIME" + t;
    QTest::newRow("time <>") << "Invoice_time <> " + t << "Invoice_time <>TIME" + t;

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("other columns pass") << QStringLiteral("Status = 'Paid' AND Total > '10'")
                                        << QStringLiteral("Status = 'Paid' AND Total > '10'");
    QTest::newRow("negated equality") << "NOT (Invoice_date = " + d + ")"
                                      << "NOT (Invoice_date = Date" + d + ")";
    QTest::newRow("capitals respelled") << "INVOICE_DATE = " + d << "Invoice_date = Date" + d;
    QTest::newRow("mixed case time") << "invoice_TIME >= " + t << "Invoice_time >=TIME" + t;
    QTest::newRow("no blanks left alone") << "Invoice_date=" + d << "Invoice_date=" + d;
    QTest::newRow("every occurrence")
        << QStringLiteral(
               "(Invoice_date >= '01/01/2024' AND Invoice_date <= '01/31/2024') OR Invoice_date = '03/01/2024'")
        << QStringLiteral("(Invoice_date >=Date'01/01/2024' AND Invoice_date <= Date'01/31/2024') OR Invoice_date = "
                          "Date'03/01/2024'");
    QTest::newRow("date and time together") << "Invoice_date = " + d + " AND Invoice_time < " + t
                                            << "Invoice_date = Date" + d + " AND Invoice_time < TIME" + t;
    QTest::newRow("quotes inside values stay")
        << QStringLiteral("Invoice_name = 'O''Brien' AND Invoice_date > '02/01/2020'")
        << QStringLiteral("Invoice_name = 'O''Brien' AND Invoice_date > Date'02/01/2020'");
}

void FilterTranslationTest::translate()
{
    QFETCH(QString, grid);
    QFETCH(QString, expected);
    QCOMPARE(FilterTranslation::translate(grid), expected);
}

void FilterTranslationTest::replacementsNeverMatchEarlierOutput()
{
    // Each replacement's output survives the replacements after it unchanged.
    const auto& table = FilterTranslation::replacements();
    for (size_t i = 0; i < table.size(); ++i) {
        const QString condition = table[i].pattern + "'1'";
        QCOMPARE(FilterTranslation::translate(condition), table[i].replacement + "'1'");
        for (size_t j = i + 1; j < table.size(); ++j)
            QVERIFY2(!table[i].replacement.contains(table[j].pattern, Qt::CaseInsensitive),
                     qPrintable(table[j].pattern));
    }
}

void FilterTranslationTest::toSqlWhere_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("sql");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("date literal") << QStringLiteral("Invoice_date >=Date'01/15/2007'")
                                  << QStringLiteral("Invoice_date >='2007-01-15'");
    QTest::newRow("date range") << QStringLiteral(
                                       "Invoice_date >=Date'03/01/2024' AND Invoice_date <= Date'03/31/2024'")
                                << QStringLiteral("Invoice_date >='2024-03-01' AND Invoice_date <= '2024-03-31'");
    QTest::newRow("time literal") << QStringLiteral("Invoice_time < TIME'10:30:00'")
                                  << QStringLiteral("Invoice_time < '10:30:00'");
    QTest::newRow("text ignores case") << QStringLiteral("Status = 'paid'")
                                       << QStringLiteral("Status = 'paid' COLLATE NOCASE");
    QTest::newRow("doubled quote stays") << QStringLiteral("Invoice_name = 'O''Brien'")
                                         << QStringLiteral("Invoice_name = 'O''Brien' COLLATE NOCASE");
    QTest::newRow("field case") << QStringLiteral("invoice_NAME <> 'x'")
                                << QStringLiteral("invoice_NAME <> 'x' COLLATE NOCASE");
    QTest::newRow("memo") << QStringLiteral("Message >= 'b'") << QStringLiteral("Message >= 'b' COLLATE NOCASE");
    QTest::newRow("boolean true") << QStringLiteral("Selected = 'True'") << QStringLiteral("Selected = 1");
    QTest::newRow("boolean false") << QStringLiteral("New <> 'False'") << QStringLiteral("New <> 0");
    QTest::newRow("number unchanged") << QStringLiteral("Total > '100.5'") << QStringLiteral("Total > '100.5'");
    QTest::newRow("blank test") << QStringLiteral("(Notes IS NULL OR Notes = '')")
                                << QStringLiteral("(Notes IS NULL OR Notes = '' COLLATE NOCASE)");
    QTest::newRow("like unchanged") << QStringLiteral("Invoice_name LIKE '%son%'")
                                    << QStringLiteral("Invoice_name LIKE '%son%'");
    QTest::newRow("unknown column unchanged") << QStringLiteral("Foo = 'x'") << QStringLiteral("Foo = 'x'");
    QTest::newRow("grouped and negated")
        << QStringLiteral("NOT (Status = 'Paid' OR Status = 'Unpaid') AND Invoice_date = Date'01/15/2007'")
        << QStringLiteral("NOT (Status = 'Paid' COLLATE NOCASE OR Status = 'Unpaid' COLLATE NOCASE) AND Invoice_date = "
                          "'2007-01-15'");
    QTest::newRow("keyword inside a value is a value") << QStringLiteral("Notes = 'Date''01/15/2007'''")
                                                       << QStringLiteral("Notes = 'Date''01/15/2007''' COLLATE NOCASE");
}

void FilterTranslationTest::toSqlWhere()
{
    QFETCH(QString, expression);
    QFETCH(QString, sql);
    QCOMPARE(FilterTranslation::toSqlWhere(expression), sql);
}

QTEST_GUILESS_MAIN(FilterTranslationTest)
#include "tst_FilterTranslation.moc"
