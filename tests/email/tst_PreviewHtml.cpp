// The page the preview lays out: the same text, with the tables that only wrap another one
// left out, and every other page exactly as written.

#include "email/PreviewHtml.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>

using namespace pelmora;

namespace
{
// How deep tables lie inside one another on the page as Qt reads it.
int tableDepth(QTextFrame* frame)
{
    int depth = 0;
    for (QTextFrame* child : frame->childFrames())
        depth = std::max(depth, tableDepth(child));
    return depth + (qobject_cast<QTextTable*>(frame) ? 1 : 0);
}

QString shippedTemplate(const QString& name)
{
    QFile file(QStringLiteral(PELMORA_SOURCE_DIR "/resources/email/") + name);
    // With its tags expanded to nothing, as for an order without items.
    return file.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(file.readAll()).remove(QRegularExpression(QStringLiteral("<#[^>]*>")))
               : QString();
}

const char* const kWrapped = "<table width=\"100%\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\"%1><tr>"
                             "<td align=\"center\" style=\"padding:24px 12px;\"%2>\n<!-- the page -->\n"
                             "<table width=\"600\"><tr><td>Your order</td><td>1,234.50</td></tr></table>\n"
                             "</td></tr></table>";
// A one-column table whose middle row holds the order's items.
const char* const kColumn = "<table width=\"600\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\"><tr><td "
                            "style=\"padding:8px\">Head</td></tr>\n<tr><td style=\"padding:12px 28px;\"><table "
                            "width=\"100%\"%1><tr><td>Qty</td><td>2</td></tr></table></td></tr>\n<tr><td "
                            "style=\"padding:8px\">Foot</td></tr></table>";
} // namespace

class PreviewHtmlTest : public QObject
{
    Q_OBJECT
  private slots:
    void sameTextFewerTables_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<int>("depthGone");  // table levels the preview saves; 0: the page as written
        QTest::addColumn<QString>("onPage"); // a cell whose table stands on the page itself in the preview

        const auto wrapped = [](const char* table, const char* cell, const char* body = "") -> QString {
            return QStringLiteral("<html><body%1>").arg(QLatin1String(body)) +
                   QString::fromLatin1(kWrapped).arg(QLatin1String(table), QLatin1String(cell)) +
                   QStringLiteral("</body></html>");
        };
        for (const char* name : {"order_confirmation.htm", "order_shipped.htm", "payment_received.htm"})
            QTest::newRow(name) << shippedTemplate(QString::fromLatin1(name)) << 1 << "Qty";
        QTest::newRow("wrapper") << wrapped("", "") << 1 << "Your order";
        QTest::newRow("background of the page")
            << wrapped(" bgcolor=\"#F3F4F6\"", "", " bgcolor=\"#f3f4f6\"") << 1 << "Your order";
        QTest::newRow("background of its own") << wrapped(" bgcolor=\"#f3f4f6\"", "") << 0 << "";
        QTest::newRow("cell background") << wrapped("", " bgcolor=\"#ffffff\"") << 0 << "";
        QTest::newRow("text styles its table inherits") << wrapped("", " class=\"x\"") << 0 << "";
        QTest::newRow("padding in em") << wrapped("", " valign=\"top\"").replace(QStringLiteral("12px"), "1em") << 0
                                       << "";
        QTest::newRow("a border") << wrapped(" style=\"border:1px solid red\"", "") << 0 << "";
        QTest::newRow("text beside the table") << wrapped("", "").replace("<!-- the page -->", "Hello") << 0 << "";
        QTest::newRow("two cells") << wrapped("", "").replace("</td></tr></table>", "</td><td>x</td></tr></table>") << 0
                                   << "";
        QTest::newRow("column") << QString::fromLatin1(kColumn).arg("") << 1 << "Qty";
        QTest::newRow("column, items with a background")
            << QString::fromLatin1(kColumn).arg(" bgcolor=\"#eeeeee\"") << 0 << "";
        QTest::newRow("wrapper in a wrapper")
            << QStringLiteral("<table><tr><td>") + wrapped("", "") + QStringLiteral("</td></tr></table>") << 1 << "";
        QTest::newRow("cell left open") << wrapped("", "").replace("</td></tr></table>", "</tr></table>") << 0 << "";
        QTest::newRow("text between rows") << wrapped("", "").replace("<tr>", "x<tr>") << 0 << "";
        QTest::newRow("table left open") << wrapped("", "").remove(QStringLiteral("</td></tr></table></body>")) << 0
                                         << "";
    }

    void sameTextFewerTables()
    {
        QFETCH(QString, html);
        QFETCH(int, depthGone);
        QFETCH(QString, onPage);
        QVERIFY(!html.isEmpty());
        const QString preview = PreviewHtml(html);
        if (depthGone == 0)
            QCOMPARE(preview, html);
        QTextDocument written;
        written.setHtml(html);
        QTextDocument shown;
        shown.setHtml(preview);
        QCOMPARE(shown.toPlainText().simplified(), written.toPlainText().simplified());
        QCOMPARE(tableDepth(shown.rootFrame()), tableDepth(written.rootFrame()) - depthGone);
        if (!onPage.isEmpty()) {
            const QTextCursor cell = shown.find(onPage);
            QVERIFY(!cell.isNull() && cell.currentTable());
            QCOMPARE(cell.currentTable()->parentFrame(), shown.rootFrame());
        }
    }
};

QTEST_MAIN(PreviewHtmlTest)
#include "tst_PreviewHtml.moc"
