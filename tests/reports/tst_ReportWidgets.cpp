// The Report Explorer, the designer and the preview driven offscreen as a merchant uses them.

#include "reports/ReportFixture.h"

#include "common/Error.h"
#include "reports/widgets/ReportDesigner.h"
#include "reports/widgets/ReportExplorer.h"
#include "reports/widgets/ReportPreview.h"
#include "workspace/ReportPipelines.h"
#include "workspace/ShippedReports.h"

#include <QtWidgets>

using namespace pelmora;
using namespace pelmora::reports;
using namespace pelmora::test;

namespace
{
// Answers the next modal window of a type with the function, from the event loop.
template <typename T> void whenShown(std::function<void(T*)> answer)
{
    QTimer::singleShot(0, [answer] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
                answer(t);
                return;
            }
        QFAIL("the expected window did not open");
    });
}

struct Shop : OrdersFolder {
    Shop()
    {
        db().transaction();
        for (int i = 0; i < 40; ++i) {
            addOrder(
                {{"ShopperID", 7000 + i}, {"Invoice_name", QStringLiteral("Customer %1").arg(i)}, {"Total", 10 + i}});
            addItem(7000 + i, QStringLiteral("SKU-%1").arg(i), QStringLiteral("Thing"), 1, 10 + i);
        }
        db().commit();
    }
    ReportExplorer::Services services()
    {
        ReportExplorer::Services s;
        s.db = db();
        s.pipelines = [this]() -> std::unique_ptr<DataPipelines> {
            return std::make_unique<ReportPipelines>(db(), ReportPipelines::Selection{});
        };
        s.shippedLayouts = [] { return ShippedReports::layouts(); };
        s.shippedFolder = ShippedReports::kFolder;
        return s;
    }
};

void drag(QWidget* w, QPoint from, QPoint to)
{
    QMouseEvent press(QEvent::MouseButtonPress, from, w->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(w, &press);
    for (int step = 1; step <= 4; ++step) {
        const QPoint p = from + (to - from) * step / 4;
        QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(w, &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease, to, w->mapToGlobal(to), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(w, &release);
}

int bandIndex(const ReportLayout& layout, BandKind kind)
{
    for (int i = 0; i < layout.bands.size(); ++i)
        if (layout.bands.at(i).kind == kind)
            return i;
    return -1;
}
} // namespace

class ReportWidgetsTest : public QObject
{
    Q_OBJECT

  private slots:
    void explorerKeepsDeletedReportsRestorableAndPreviews()
    {
        Shop shop;
        ReportExplorer explorer(shop.services());
        // The standard reports are offered once.
        explorer.show();
        auto* add = explorer.findChild<QPushButton*>(QStringLiteral("addStandardReports"));
        QVERIFY(add->isVisible());
        add->click();
        QVERIFY(!add->isVisible());
        QCOMPARE(shop.scalar(QStringLiteral("SELECT count(*) FROM RepFolders WHERE Name='Standard reports'")).toInt(),
                 1);
        QCOMPARE(shop.scalar(QStringLiteral(
                                 "SELECT group_concat(Name, '|') FROM (SELECT Name FROM RepReports ORDER BY Name)"))
                     .toString(),
                 QStringLiteral("Invoice|Order list|Packing slip"));
        QCOMPARE(explorer.reportList()->topLevelItemCount(), 3);

        const int folder = explorer.currentFolder();
        const int sub = explorer.newFolder(QStringLiteral("Monthly"));
        QCOMPARE(shop.scalar(QStringLiteral("SELECT ParentId FROM RepFolders WHERE RecordId=%1").arg(sub)).toInt(),
                 folder);
        explorer.selectFolder(folder);
        const int invoice = shop.scalar(QStringLiteral("SELECT RecordId FROM RepReports WHERE Name='Invoice'")).toInt();
        explorer.selectReport(invoice);
        QVERIFY(explorer.renameCurrent(QStringLiteral("Invoice (A4)")));
        QCOMPARE(shop.scalar(QStringLiteral("SELECT Name FROM RepReports WHERE RecordId=%1").arg(invoice)).toString(),
                 QStringLiteral("Invoice (A4)"));
        QCOMPARE(explorer.repository().load(invoice).name, QStringLiteral("Invoice (A4)"));

        explorer.selectReport(invoice);
        explorer.deleteCurrent();
        QVERIFY(!shop.scalar(QStringLiteral("SELECT Deleted FROM RepReports WHERE RecordId=%1").arg(invoice)).isNull());
        // A deleted report is found by name no more (the command line's reports), and holds its folder.
        QCOMPARE(explorer.repository().findByName(QStringLiteral("invoice (a4)")), 0);
        QVERIFY_THROWS_EXCEPTION(Error, explorer.repository().removeFolder(folder));
        QCOMPARE(explorer.reportList()->topLevelItemCount(), 2);
        explorer.selectFolder(-1); // the recycle bin
        QCOMPARE(explorer.reportList()->topLevelItemCount(), 1);
        QCOMPARE(explorer.reportList()->topLevelItem(0)->text(0), QStringLiteral("Invoice (A4)"));
        QVERIFY(!explorer.findChild<QAction*>(QStringLiteral("actionPreview"))->isEnabled());
        explorer.selectReport(invoice);
        explorer.restoreCurrent();
        QVERIFY(shop.scalar(QStringLiteral("SELECT Deleted FROM RepReports WHERE RecordId=%1").arg(invoice)).isNull());
        QCOMPARE(explorer.reportList()->topLevelItemCount(), 0);
        QCOMPARE(explorer.repository().findByName(QStringLiteral("Invoice (A4)")), invoice);

        // The restored report previews and saves as PDF.
        explorer.selectFolder(folder);
        explorer.selectReport(invoice);
        int shownPages = 0;
        QImage first;
        whenShown<ReportPreview>([&](ReportPreview* preview) {
            first = preview->pageImage();
            preview->lastPage();
            shownPages = preview->currentPage() + 1;
            preview->accept();
        });
        explorer.previewCurrent();
        QCOMPARE(shownPages, 40); // an invoice per order
        QVERIFY(!first.isNull());
        QVERIFY(first.pixel(first.width() / 2, first.height() / 2) != 0); // painted, not black
        const QString pdf = shop.folder.file(QStringLiteral("invoices.pdf"));
        QVERIFY(explorer.savePdf(pdf));
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
    }

    void explorerRefusesADamagedLayout()
    {
        Shop shop;
        const QByteArray stored("{\"format\": \"pelmora-report\", \"version\": 7, \"bands\": []}");
        shop.exec(QStringLiteral("INSERT INTO RepReports(FolderId,Name,Template,ItemType) VALUES(0,'Future',?,1)"),
                  {stored});
        ReportExplorer::Services services = shop.services();
        int designerOpened = 0;
        services.design = [&designerOpened](QWidget*, int) { ++designerOpened; };
        ReportExplorer explorer(services);
        explorer.selectFolder(0);
        QCOMPARE(explorer.reportList()->topLevelItemCount(), 1);
        explorer.selectReport(shop.scalar(QStringLiteral("SELECT RecordId FROM RepReports")).toInt());
        QString message;
        whenShown<QMessageBox>([&message](QMessageBox* box) {
            message = box->text();
            box->accept();
        });
        explorer.findChild<QAction*>(QStringLiteral("actionDesign"))->trigger();
        QVERIFY2(message.contains(QStringLiteral("newer version")), qPrintable(message));
        QCOMPARE(designerOpened, 0);
        // Renaming it keeps the stored text as it was.
        QVERIFY(explorer.renameCurrent(QStringLiteral("Future layout")));
        QCOMPARE(shop.scalar(QStringLiteral("SELECT Template FROM RepReports")).toByteArray(), stored);
    }

    void designerPlacesMovesUndoesAndSaves()
    {
        Shop shop;
        ReportRepository repository(shop.db());
        ShippedReports::install(repository);
        const int id = repository.findByName(QStringLiteral("Order list"));
        auto pipelines = [&shop]() -> std::unique_ptr<DataPipelines> {
            return std::make_unique<ReportPipelines>(shop.db(), ReportPipelines::Selection{});
        };
        ReportDesigner designer(repository, id, pipelines);
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        QVERIFY(designer.fieldList()->topLevelItemCount() == 3);
        DesignCanvas* canvas = designer.canvas();
        const int detail = bandIndex(designer.layout(), BandKind::Detail);
        const qsizetype before = designer.layout().bands.at(detail).elements.size();

        // A field dropped on the detail band, then dragged 10 mm to the right.
        QVERIFY(canvas->placeField(QStringLiteral("Invoice_email"), canvas->bandRect(detail).topLeft() + QPoint(4, 2)));
        const int element = int(before);
        QCOMPARE(designer.layout().bands.at(detail).elements.at(element).text, QStringLiteral("Invoice_email"));
        const double placedX = designer.layout().bands.at(detail).elements.at(element).rect.x();
        const QPoint grip = canvas->elementRect(detail, element).center();
        drag(canvas, grip, grip + QPoint(qRound(10 * canvas->pixelsPerMm()), 0));
        const double draggedX = designer.layout().bands.at(detail).elements.at(element).rect.x();
        QVERIFY2(std::abs(draggedX - placedX - 10) <= 0.5, qPrintable(QString::number(draggedX - placedX)));

        // Two nudges to the right and one back with undo.
        canvas->setFocus();
        QTest::keyClick(canvas, Qt::Key_Right);
        QTest::keyClick(canvas, Qt::Key_Right);
        QCOMPARE(designer.layout().bands.at(detail).elements.at(element).rect.x(), draggedX + 2);
        designer.findChild<QAction*>(QStringLiteral("actionDesignerUndo"))->trigger();
        QCOMPARE(designer.layout().bands.at(detail).elements.at(element).rect.x(), draggedX + 1);
        QVERIFY(designer.isModified());

        designer.findChild<QAction*>(QStringLiteral("actionDesignerSave"))->trigger();
        QVERIFY(!designer.isModified());
        const ReportLayout saved = repository.load(id);
        QCOMPARE(saved, designer.layout());
        QCOMPARE(saved.bands.at(detail).elements.at(element).rect.x(), draggedX + 1);

        // Undo back past the placing: the field is gone again, and the change is unsaved.
        while (designer.undoStack()->canUndo())
            designer.undoStack()->undo();
        QCOMPARE(designer.layout().bands.at(detail).elements.size(), before);
        QVERIFY(designer.isModified());
        designer.undoStack()->setClean(); // close without the question

        ReportDesigner reopened(repository, id, pipelines);
        QCOMPARE(reopened.layout(), saved);
    }

    void designerPropertiesChangeTheElement()
    {
        Shop shop;
        ReportRepository repository(shop.db());
        ShippedReports::install(repository);
        const int id = repository.findByName(QStringLiteral("Invoice"));
        ReportDesigner designer(repository, id, [] { return std::unique_ptr<DataPipelines>(); });
        designer.show();
        const int footer = bandIndex(designer.layout(), BandKind::PageFooter);
        designer.canvas()->select({footer, 1});
        auto* bold = designer.findChild<QCheckBox*>(QStringLiteral("propertyBold"));
        QVERIFY(bold->isEnabled());
        bold->setChecked(true);
        QVERIFY(designer.layout().bands.at(footer).elements.at(1).bold);
        auto* height = designer.findChild<QDoubleSpinBox*>(QStringLiteral("propertyHeight"));
        height->setValue(4);
        QCOMPARE(designer.layout().bands.at(footer).elements.at(1).rect.height(), 4.0);
        QCOMPARE(designer.undoStack()->count(), 2);
        designer.undoStack()->undo();
        designer.undoStack()->undo();
        QCOMPARE(designer.layout(), repository.load(id));
    }
};

QTEST_MAIN(ReportWidgetsTest)
#include "tst_ReportWidgets.moc"
