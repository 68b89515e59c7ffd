#include "WorkspaceHost.h"
#include "workspace/ArchiveFixture.h"
#include "workspace/OrderArchiving.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace pelmora;
using test::ArchiveFixture;

namespace
{
const QStringList kTables{QStringLiteral("Orders"), QStringLiteral("Items"), QStringLiteral("OrdersArchve"),
                          QStringLiteral("ItemsArchive")};
}

class OrderArchivingTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        w_ = std::make_unique<test::WorkspaceHost>();
        ArchiveFixture::fill(db());
    }

    void cleanup()
    {
        w_.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void movesExactlyTheFinishedRows_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("dateBox");
        QTest::addColumn<QStringList>("orders");   // numbers of the orders that move
        QTest::addColumn<QStringList>("products"); // items that move

        const QStringList upTo5March{"1001", "1002", "1005"};
        // Items go by their own date: C1 of the newer order 1003 and X1 without an order go too.
        const QStringList itemsUpTo5March{"A1", "A2", "B1", "C1", "E1", "X1"};
        QTest::newRow("by date, m/d/yyyy") << "en_US" << false << "3/5/2007" << upTo5March << itemsUpTo5March;
        QTest::newRow("by date, leading zeros") << "en_US" << false << "03/05/2007" << upTo5March << itemsUpTo5March;
        QTest::newRow("by date, two-digit year") << "en_US" << false << " 3/5/07" << upTo5March << itemsUpTo5March;
        QTest::newRow("by date, day first desktop")
            << "en_GB" << false << "05/03/2007" << upTo5March << itemsUpTo5March;
        QTest::newRow("by date, m/d/yyyy typed on a day-first desktop")
            << "en_GB" << false << "3/25/2007" << QStringList{"1001", "1002", "1003", "1005"}
            << QStringList{"A1", "A2", "B1", "C1", "C2", "E1", "X1"};
        QTest::newRow("by date, nothing that old")
            << "en_US" << false << "12/31/1999" << QStringList{} << QStringList{};
        // Exactly "Completed": not "completed", not "Completed ". Both orders numbered 1003 go, and
        // their items go once each.
        QTest::newRow("completed") << "en_US" << true << "" << QStringList{"1001", "1003", "1003"}
                                   << QStringList{"A1", "A2", "C1", "C2"};
        QTest::newRow("completed, date box ignored")
            << "en_US" << true << "not a date" << QStringList{"1001", "1003", "1003"}
            << QStringList{"A1", "A2", "C1", "C2"};
    }

    void movesExactlyTheFinishedRows()
    {
        QFETCH(QString, locale);
        QFETCH(bool, completed);
        QFETCH(QString, dateBox);
        QFETCH(QStringList, orders);
        QFETCH(QStringList, products);
        QLocale::setDefault(QLocale(locale));
        const auto before = snapshot();

        OrderArchiving archiving(w_->data, w_->port);
        QSignalSpy resets(&w_->data, &DataModule::reset);
        const ArchiveResult result = archiving.run(completed ? ArchiveMode::Completed : ArchiveMode::ByDate, dateBox);
        QVERIFY2(result.archived(), qPrintable(result.error));
        const auto after = snapshot();

        // What left the live tables arrived in the archive, row for row with every column (an item
        // keeps its own date and number), and the archive lost nothing it held.
        const QStringList movedOrders = ArchiveFixture::minus(before["Orders"], after["Orders"]);
        const QStringList movedItems = ArchiveFixture::minus(before["Items"], after["Items"]);
        QCOMPARE(after["Orders"].size() + movedOrders.size(), before["Orders"].size());
        QCOMPARE(after["Items"].size() + movedItems.size(), before["Items"].size());
        QCOMPARE(ArchiveFixture::minus(after["OrdersArchve"], before["OrdersArchve"]), movedOrders);
        QCOMPARE(ArchiveFixture::minus(after["ItemsArchive"], before["ItemsArchive"]), movedItems);
        QCOMPARE(after["OrdersArchve"].size(), before["OrdersArchve"].size() + movedOrders.size());
        QCOMPARE(after["ItemsArchive"].size(), before["ItemsArchive"].size() + movedItems.size());

        QStringList archivedNumbers = ArchiveFixture::column(db(), "OrdersArchve", "ShopperID");
        archivedNumbers.removeOne("900");
        QCOMPARE(archivedNumbers, orders);
        QStringList archivedProducts = ArchiveFixture::column(db(), "ItemsArchive", "Product");
        archivedProducts.removeOne("Z1");
        QCOMPARE(archivedProducts, products);
        QCOMPARE(result.orders, qlonglong(orders.size()));
        QCOMPARE(result.items, qlonglong(products.size()));

        QCOMPARE(w_->port.boxes, QStringList{"confirm: Move orders to Archive? This opertaton cannot be undone. "});
        QCOMPARE(w_->port.statuses, (QStringList{"Your Database is archiving...", "Archiving completed."}));
        QCOMPARE(w_->port.busyDepth, 0);
        QCOMPARE(resets.count(), 1);
        QVERIFY(w_->data.isConnected());
        QVERIFY(w_->folder.logLines().isEmpty());
    }

    void failureLeavesBothSidesUnchanged_data()
    {
        QTest::addColumn<bool>("completed");
        QTest::addColumn<QString>("trigger");

        const QString raise = QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'injected failure'); END");
        for (bool completed : {false, true}) {
            const char* mode = completed ? "completed" : "by date";
            // After the orders are copied; after both copies; at the last delete of the run.
            QTest::addRow("%s, copying items", mode)
                << completed << "CREATE TRIGGER fail BEFORE INSERT ON ItemsArchive" + raise;
            QTest::addRow("%s, deleting orders", mode)
                << completed << "CREATE TRIGGER fail BEFORE DELETE ON Orders" + raise;
            QTest::addRow("%s, deleting the last row", mode)
                << completed
                << QString("CREATE TRIGGER fail AFTER DELETE ON %1 WHEN (SELECT COUNT(*) FROM %1 WHERE %2) = 0")
                           .arg(QString::fromLatin1(completed ? "Orders" : "Items"),
                                QString::fromLatin1(completed ? "Status = 'Completed'"
                                                              : "Invoice_date <= '2007-03-05'")) +
                       raise;
        }
    }

    void failureLeavesBothSidesUnchanged()
    {
        QFETCH(bool, completed);
        QFETCH(QString, trigger);
        ArchiveFixture::exec(db(), trigger);
        const auto before = snapshot();

        OrderArchiving archiving(w_->data, w_->port);
        QSignalSpy resets(&w_->data, &DataModule::reset);
        const ArchiveResult result =
            archiving.run(completed ? ArchiveMode::Completed : ArchiveMode::ByDate, "3/5/2007");

        QCOMPARE(result.outcome, ArchiveResult::Outcome::Failed);
        QCOMPARE(snapshot(), before);
        const QStringList log = w_->folder.logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().startsWith(shortToday() + ": ") && log.first().contains("injected failure"),
                 qPrintable(log.first()));
        QCOMPARE(w_->port.statuses.size(), 2);
        QCOMPARE(w_->port.statuses.first(), QString("Your Database is archiving..."));
        QVERIFY2(w_->port.status().startsWith("Archiving failed; nothing was moved: ") &&
                     w_->port.status().contains("injected failure"),
                 qPrintable(w_->port.status()));
        QCOMPARE(w_->port.busyDepth, 0);
        QCOMPARE(resets.count(), 1);

        // Once the cause is gone, the same run moves the rows, once.
        ArchiveFixture::exec(db(), "DROP TRIGGER fail");
        QVERIFY(archiving.run(completed ? ArchiveMode::Completed : ArchiveMode::ByDate, "3/5/2007").archived());
        QCOMPARE(ArchiveFixture::rows(db(), "OrdersArchve").size(), 1 + 3);
    }

    void nothingMovesWithoutConfirmationAndDate_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("dateBox");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("logged"); // the log line after the date, or empty for none

        const QString ask = "confirm: Move orders to Archive? This opertaton cannot be undone. ";
        QTest::newRow("cancelled") << false << "3/5/2007" << QStringList{ask} << "";
        QTest::newRow("empty date box") << true << "  " << QStringList{ask, "information: Please Select a date...."}
                                        << "";
        QTest::newRow("not a date") << true << "fifth of March" << QStringList{ask}
                                    << "'fifth of March' is not a valid date";
        QTest::newRow("date with a statement after it")
            << true << "3/5/2007') OR (1=1" << QStringList{ask} << "'3/5/2007') OR (1=1' is not a valid date";
        QTest::newRow("no such day") << true << "2/30/2007" << QStringList{ask} << "'2/30/2007' is not a valid date";
    }

    void nothingMovesWithoutConfirmationAndDate()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, dateBox);
        QFETCH(QStringList, boxes);
        QFETCH(QString, logged);
        const auto before = snapshot();
        w_->port.confirmAnswer = confirm;

        QSignalSpy resets(&w_->data, &DataModule::reset);
        const ArchiveResult result = OrderArchiving(w_->data, w_->port).run(ArchiveMode::ByDate, dateBox);
        QVERIFY(!result.archived());
        QCOMPARE(snapshot(), before);
        QCOMPARE(w_->port.boxes, boxes);
        // The database is reopened however the run ends.
        QCOMPARE(resets.count(), 1);
        QCOMPARE(w_->port.busyDepth, 0);
        if (logged.isEmpty()) {
            QVERIFY(w_->folder.logLines().isEmpty());
            QVERIFY(w_->port.statuses.isEmpty());
        } else {
            QCOMPARE(w_->folder.logLines(), QStringList{shortToday() + ": " + logged});
            QCOMPARE(w_->port.status(), "Archiving failed; nothing was moved: " + logged);
        }
    }

  private:
    QSqlDatabase db() { return w_->data.database(); }
    QMap<QString, QStringList> snapshot()
    {
        QMap<QString, QStringList> tables;
        for (const QString& t : kTables)
            tables[t] = ArchiveFixture::rows(db(), t);
        return tables;
    }
    QString shortToday() const { return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat); }

    std::unique_ptr<test::WorkspaceHost> w_;
};

QTEST_GUILESS_MAIN(OrderArchivingTest)
#include "tst_OrderArchiving.moc"
