#include "reports/ReportFixture.h"

#include "common/Error.h"
#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/ReportRepository.h"
#include "workspace/ReportPipelines.h"

#include <QBuffer>
#include <QImage>
#include <QTest>

using namespace pelmora;
using namespace pelmora::reports;
using namespace pelmora::test;

namespace
{
// Rows held in memory: a main pipeline of (Group, Value) rows, each with Value detail rows.
class MemoryPipelines : public DataPipelines
{
  public:
    QList<QVariantList> rows;
    int detailRows = 0;

    QStringList pipelineNames() const override { return {QStringLiteral("Main"), QStringLiteral("Lines")}; }
    QStringList fieldNames(const QString&) const override { return {QStringLiteral("Grp"), QStringLiteral("Value")}; }
    std::unique_ptr<RowCursor> open(const QString&) override { return std::make_unique<Cursor>(rows, fields()); }
    std::unique_ptr<RowCursor> openDetail(const QString&, const Row& master) override
    {
        QList<QVariantList> lines;
        for (int i = 1; i <= detailRows; ++i)
            lines.append({master.value(QStringLiteral("Grp")), i});
        return std::make_unique<Cursor>(lines, fields());
    }

  private:
    static QSharedPointer<const RowFields> fields()
    {
        return QSharedPointer<const RowFields>::create(QStringList{"Grp", "Value"});
    }
    struct Cursor : RowCursor {
        Cursor(QList<QVariantList> r, QSharedPointer<const RowFields> f) : rows(std::move(r)), fields(std::move(f)) {}
        bool next(Row& row) override
        {
            if (at >= rows.size())
                return false;
            row.fields = fields;
            row.values = QVector<QVariant>(rows.at(at).begin(), rows.at(at).end());
            ++at;
            return true;
        }
        QList<QVariantList> rows;
        QSharedPointer<const RowFields> fields;
        qsizetype at = 0;
    };
};

Element textOf(ElementKind kind, const QString& text, QRectF rect = {0, 0, 40, 5})
{
    Element e;
    e.kind = kind;
    e.text = text;
    e.rect = rect;
    return e;
}

// A small page: 100 mm tall with 10 mm margins, so 80 mm of body.
ReportLayout smallLayout()
{
    ReportLayout layout;
    layout.name = QStringLiteral("Small");
    layout.pageSize = QSizeF(100, 100);
    layout.margins = QMarginsF(10, 10, 10, 10);
    layout.mainPipeline = QStringLiteral("Main");
    layout.detailPipeline = QStringLiteral("Lines");
    Band& header = layout.addBand(BandKind::PageHeader);
    header.height = 10;
    header.elements << textOf(ElementKind::Text, QStringLiteral("HEADER"));
    Band& detail = layout.addBand(BandKind::Detail);
    detail.height = 7;
    detail.elements << textOf(ElementKind::Field, QStringLiteral("Value"));
    Band& footer = layout.addBand(BandKind::PageFooter);
    footer.height = 5;
    footer.elements << textOf(ElementKind::Expression, QStringLiteral("'p' & Page() & '/' & PageCount()"));
    return layout;
}

// Every page's texts, page by page.
QList<QStringList> textsOf(PageSource& source)
{
    QList<QStringList> pages;
    for (int i = 0; source.ensurePage(i); ++i) {
        QStringList texts;
        for (const PageText& t : source.pageTexts(i))
            texts << t.text;
        pages << texts;
    }
    return pages;
}

QByteArray pngBytes()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
} // namespace

class ReportEngineTest : public QObject
{
    Q_OBJECT

  private slots:
    // Every kind of element with every property set survives the stored format (the shipped
    // layouts are saved and read back by the designer's tests).
    void layoutRoundTrip()
    {
        ReportLayout layout = smallLayout();
        layout.zoom = 150;
        Band& group = layout.addBand(BandKind::GroupHeader);
        group.groupField = QStringLiteral("Grp");
        Element image = textOf(ElementKind::Image, {}, {1, 2, 30, 20});
        image.image = pngBytes();
        Element rect = textOf(ElementKind::Rectangle, {}, {0, 0, 50, 8});
        rect.background = QColor(10, 20, 30, 40);
        rect.lineWidth = 0.7;
        Element money = textOf(ElementKind::Field, QStringLiteral("Lines.Value"), {5.5, 1.25, 20, 4});
        money.format = QStringLiteral("money");
        money.alignment = Qt::AlignRight | Qt::AlignBottom;
        money.bold = money.italic = money.frame = money.wordWrap = true;
        money.fontFamily = QStringLiteral("Serif");
        money.fontSize = 11.5;
        money.color = Qt::darkGreen;
        group.elements << image << rect << money << textOf(ElementKind::Line, {}, {0, 7, 80, 0});
        OrdersFolder f;
        ReportRepository repository(f.db());
        const int folder = repository.addFolder(QStringLiteral("Mine"), 0);
        const int id = repository.add(folder, layout);
        QCOMPARE(repository.load(id), layout);

        // Saved again after a change, the row tells its new size and time.
        layout.bands.first().height += 1;
        layout.name = QStringLiteral("Renamed by saving");
        repository.save(id, layout);
        QCOMPARE(repository.load(id), layout);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Name || '|' || (Size = length(Template)) || '|' || FolderId || '|' || "
                                         "(Modified IS NOT NULL) || '|' || ItemType FROM RepReports WHERE RecordId=%1")
                              .arg(id))
                     .toString(),
                 QStringLiteral("%1|1|%2|1|1").arg(layout.name).arg(folder));
    }

    void pagination_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("rowsPerPage");
        // 80 mm of body less 10 mm of header and 5 mm of footer: 65 mm, nine 7 mm rows.
        QTest::newRow("no rows") << 0 << QList<int>{0};
        QTest::newRow("one page exactly") << 9 << QList<int>{9};
        QTest::newRow("one more") << 10 << QList<int>{9, 1};
        QTest::newRow("three pages") << 25 << QList<int>{9, 9, 7};
    }
    void pagination()
    {
        QFETCH(int, rows);
        QFETCH(QList<int>, rowsPerPage);
        MemoryPipelines data;
        for (int i = 1; i <= rows; ++i)
            data.rows.append({QStringLiteral("g"), i});
        ReportDocument document(smallLayout(), data);
        const QList<QStringList> pages = textsOf(document);
        QCOMPARE(pages.size(), rowsPerPage.size());
        int next = 1;
        for (int p = 0; p < pages.size(); ++p) {
            QStringList expected{QStringLiteral("HEADER")};
            for (int r = 0; r < rowsPerPage.at(p); ++r)
                expected << QString::number(next++);
            expected << QStringLiteral("p%1/%2").arg(p + 1).arg(pages.size());
            QCOMPARE(pages.at(p), expected);
        }
    }

    void subDetailAndGroups()
    {
        // Two groups; each main row has three lines; an items footer sums the lines, a group
        // footer sums the main rows of its group, the summary counts every row.
        MemoryPipelines data;
        data.detailRows = 3;
        data.rows = {{QStringLiteral("A"), 10}, {QStringLiteral("A"), 20}, {QStringLiteral("B"), 5}};
        ReportLayout layout = smallLayout();
        layout.pageSize = QSizeF(100, 400);
        layout.bands.removeAt(2); // no page footer
        Band& gh = layout.addBand(BandKind::GroupHeader);
        gh.groupField = QStringLiteral("Grp");
        gh.elements << textOf(ElementKind::Expression, QStringLiteral("'Group ' & Grp"));
        Band& line = layout.addBand(BandKind::SubDetail);
        line.elements << textOf(ElementKind::Expression, QStringLiteral("'line ' & Lines.Value"));
        Band& lf = layout.addBand(BandKind::SubDetailFooter);
        lf.elements << textOf(ElementKind::Expression, QStringLiteral("'lines ' & Sum(Value)"));
        Band& gf = layout.addBand(BandKind::GroupFooter);
        gf.groupField = QStringLiteral("Grp");
        gf.elements << textOf(ElementKind::Expression, QStringLiteral("Grp & ' sum ' & Sum(Value) & ' of ' & Count()"));
        Band& summary = layout.addBand(BandKind::Summary);
        summary.elements << textOf(ElementKind::Expression,
                                   QStringLiteral("'all ' & Sum(Value) & ' avg ' & Avg(Value)"));
        ReportDocument document(layout, data);
        const QList<QStringList> pages = textsOf(document);
        QCOMPARE(pages.size(), 1);
        const QStringList expected = QStringLiteral("HEADER|Group A|10|line 1|line 2|line 3|lines 6|20|line 1|line 2|"
                                                    "line 3|lines 6|A sum 30 of 2|Group B|5|line 1|line 2|line 3|"
                                                    "lines 6|B sum 5 of 1|all 35 avg 11.6666666666667")
                                         .split(QLatin1Char('|'));
        QCOMPARE(pages.first(), expected);
    }

    void expressionsRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("open parenthesis") << QStringLiteral("(Total + 1");
        QTest::newRow("unknown function") << QStringLiteral("Median(Total)");
        QTest::newRow("open quote") << QStringLiteral("'abc");
        QTest::newRow("nested aggregate") << QStringLiteral("Sum(Sum(Total))");
        QTest::newRow("trailing operator") << QStringLiteral("Total *");
    }
    void expressionsRefused()
    {
        QFETCH(QString, text);
        MemoryPipelines data;
        ReportLayout layout = smallLayout();
        layout.bands[1].elements << textOf(ElementKind::Expression, text);
        try {
            ReportDocument document(layout, data);
            QFAIL("the expression was taken");
        } catch (const Error& e) {
            // The message names the expression the designer shows.
            QVERIFY2(e.message().startsWith(QStringLiteral("Expression \"%1\": ").arg(text)), qPrintable(e.message()));
        }
    }

    void groupFooterSumsMatchTheDatabase()
    {
        OrdersFolder f;
        const QStringList statuses{QStringLiteral("Paid"), QStringLiteral("Unpaid"), QStringLiteral("Shipped")};
        f.db().transaction();
        for (int i = 0; i < 300; ++i)
            f.addOrder({{QStringLiteral("ShopperID"), 1000 + i},
                        {QStringLiteral("Status"), statuses.at(i * 7 % 3)},
                        {QStringLiteral("Total"), 10.25 + i * 3.5}});
        f.db().commit();
        ReportLayout layout;
        layout.name = QStringLiteral("By status");
        Band& detail = layout.addBand(BandKind::Detail);
        detail.elements << textOf(ElementKind::Field, QStringLiteral("ShopperID"));
        Band& footer = layout.addBand(BandKind::GroupFooter);
        footer.groupField = QStringLiteral("Status");
        Element sum =
            textOf(ElementKind::Expression, QStringLiteral("Status & '=' & Round(Sum(Total), 2)"), {0, 0, 100, 5});
        footer.elements << sum;
        ReportPipelines::Selection selection;
        selection.sortColumn = QStringLiteral("Status");
        selection.filterExpression = QStringLiteral("ShopperID >= '1010'");
        ReportPipelines pipelines(f.db(), selection);
        ReportDocument document(layout, pipelines);
        QStringList footers;
        int details = 0;
        for (const QStringList& page : textsOf(document))
            for (const QString& t : page)
                t.contains(QLatin1Char('=')) ? void(footers << t) : void(++details);
        QSqlQuery q(f.db());
        q.exec(QStringLiteral("SELECT Status, round(sum(Total),2) FROM Orders WHERE ShopperID >= 1010 GROUP BY Status "
                              "ORDER BY Status"));
        QStringList expected;
        while (q.next())
            expected << q.value(0).toString() + QLatin1Char('=') + QString::number(q.value(1).toDouble(), 'g', 15);
        QCOMPARE(footers, expected);
        QCOMPARE(details, 290);
    }

    void outputsOfEveryKind()
    {
        MemoryPipelines data;
        for (int i = 1; i <= 12; ++i)
            data.rows.append({QStringLiteral("g"), i});
        QTemporaryDir dir;
        {
            ReportDocument document(smallLayout(), data);
            QCOMPARE(ReportOutput::writeImages(document, dir.filePath(QStringLiteral("page.png"))).size(), 2);
        }
        QImage first(dir.filePath(QStringLiteral("page-1.png")));
        QVERIFY(!first.isNull());
        QCOMPARE(first.width(), qRound(100 / 25.4 * 150));
        {
            ReportDocument document(smallLayout(), data);
            QCOMPARE(ReportOutput::writeText(document, dir.filePath(QStringLiteral("r.txt"))), 2);
        }
        QFile text(dir.filePath(QStringLiteral("r.txt")));
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QList<QByteArray> pages = text.readAll().split('\f');
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages.at(1).contains("HEADER\n10\n11\n12\n"));
        {
            ReportDocument document(smallLayout(), data);
            QCOMPARE(ReportOutput::writeHtml(document, dir.filePath(QStringLiteral("r.html"))), 2);
        }
        QFile html(dir.filePath(QStringLiteral("r.html")));
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QByteArray h = html.readAll();
        QCOMPARE(h.count("class=\"page\""), 2);
        QVERIFY(h.contains(">p2/2</div>"));
    }
};

QTEST_MAIN(ReportEngineTest)
#include "tst_ReportEngine.moc"
