// The template syntax: what a merchant's hand-written template turns into.

#include "email/TagScanner.h"

#include <QtTest>

using namespace pelmora;

namespace
{
// Writes every tag as [name|param|param...] so that a case shows what the resolver received.
QString shown(const QString& text)
{
    return ScanTemplate(text, [](const TemplateTag& tag) {
        if (tag.kind != TagKind::tgCustom)
            return QString(QStringLiteral("[reserved:") + tag.TagString + u']');
        QString out = u'[' + tag.TagString;
        for (const QString& p : tag.TagParams)
            out += u'|' + p;
        return QString(out + u']');
    });
}
} // namespace

class TagScannerTest : public QObject
{
    Q_OBJECT
  private slots:
    void scanning_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no tags") << "<p>Hello</p>\n" << QStringLiteral("<p>Hello</p>\n");
        QTest::newRow("blanks after a plain <") << "a < b and a <  p>" << QStringLiteral("a <b and a <p>");
        QTest::newRow("< before a digit") << "1 < 2" << QStringLiteral("1 <2");
        QTest::newRow("< at the end") << "end <" << QStringLiteral("end <");
        QTest::newRow("blanks around the tag") << "< #Total >" << QStringLiteral("[Total]");
        QTest::newRow("names take digits and _") << "<#Payment_field1>x" << QStringLiteral("[Payment_field1]x");
        QTest::newRow("non-name character as name") << "<#-a b>" << QStringLiteral("[-|a|b]");
        QTest::newRow("unterminated tag takes the rest") << "a<#Items b c" << QStringLiteral("a[Items|b|c]");
        QTest::newRow("> inside double quotes")
            << "<#Config subject=\"a>b\">!" << QStringLiteral("[Config|subject=a>b]!");
        QTest::newRow("> inside single quotes")
            << "<#Config subject='a>b'>!" << QStringLiteral("[Config|subject=a>b]!");
        QTest::newRow("reserved names ignore case")
            << "<#TABLE><#image><#Link x>" << QStringLiteral("[reserved:TABLE][reserved:image][reserved:Link]");
        QTest::newRow("reserved name as a prefix is custom") << "<#Tables>" << QStringLiteral("[Tables]");
        QTest::newRow("<< does not start a tag") << "<<#A>" << QStringLiteral("<<#A>");
    }

    void scanning()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(shown(text), expected);
    }

    void parameters_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QStringList>("params");
        QTest::newRow("blank splits") << "<#T a=1 b=2>" << QStringList{"a=1", "b=2"};
        QTest::newRow("runs of separators") << "<#T  a \r\n b >" << QStringList{"a", "b"};
        QTest::newRow("tab does not split") << "<#T a\tb>" << QStringList{"a\tb"};
        QTest::newRow("double-quoted value")
            << "<#T subject=\"Order shipped\">" << QStringList{"subject=Order shipped"};
        QTest::newRow("single quotes do not protect")
            << "<#T subject='Order shipped'>" << QStringList{"subject=Order", "shipped"};
        QTest::newRow("leading quote") << "<#T \"a b\" c>" << QStringList{"a b", "c"};
        QTest::newRow("other quote inside a pair stays") << "<#T cc=\"O'Brien\">" << QStringList{"cc=O'Brien"};
        QTest::newRow("unpartnered quotes go") << "<#T a'b c'd>" << QStringList{"ab", "cd"};
        QTest::newRow("empty quoted value") << "<#T cc=\"\">" << QStringList{"cc="};
        QTest::newRow("plus is a blank") << "<#T a=x+y>" << QStringList{"a=x y"};
        QTest::newRow("percent escapes") << "<#T s=\"50%25 off+today\">" << QStringList{"s=50% off today"};
        QTest::newRow("double percent") << "<#T a=100%%>" << QStringList{"a=100%"};
        QTest::newRow("escape of a high byte") << "<#T a=%e9t%80>" << QStringList{QString::fromUtf8("a=\u00e9t\u20ac")};
        QTest::newRow("escaped plus and quote") << "<#T a=%2B%22>" << QStringList{"a=+\""};
        QTest::newRow("no parameters") << "<#T   >" << QStringList{};
    }

    void parameters()
    {
        QFETCH(QString, tag);
        QFETCH(QStringList, params);
        QStringList seen;
        ScanTemplate(tag, [&](const TemplateTag& t) {
            seen = t.TagParams;
            return QString();
        });
        QCOMPARE(seen, params);
    }

    void malformedEscapesFailTheExpansion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("percent at the end") << "<#Config subject=50%>";
        QTest::newRow("one digit") << "<#Config subject=\"5%2\">";
        QTest::newRow("not hexadecimal") << "<#Config subject=5%zz>";
        QTest::newRow("in a reserved tag") << "<#TABLE a=%g0>";
    }

    void malformedEscapesFailTheExpansion()
    {
        QFETCH(QString, text);
        int calls = 0;
        QVERIFY_THROWS_EXCEPTION(TemplateError, ScanTemplate(text, [&](const TemplateTag&) {
                                     ++calls;
                                     return QString();
                                 }));
        QCOMPARE(calls, 0);
    }

    void resolverSeesTagsInDocumentOrder()
    {
        QStringList order;
        const QString out = ScanTemplate(u"<#One>-<#Two>-<#One>", [&](const TemplateTag& t) {
            order << t.TagString;
            return QString::number(order.size());
        });
        QCOMPARE(order, (QStringList{"One", "Two", "One"}));
        QCOMPARE(out, QStringLiteral("1-2-3"));
    }
};

QTEST_GUILESS_MAIN(TagScannerTest)
#include "tst_TagScanner.moc"
