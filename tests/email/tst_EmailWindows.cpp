// The email dialog, the status triggers and the paste data as the merchant meets them in the
// main window.

#include "shell/ProgramFixture.h"
#include "support/RelayServer.h"

#include "email/TriggerMailing.h"
#include "email/widgets/EmailDialog.h"
#include "email/widgets/PasteDetailsWindow.h"
#include "email/widgets/TriggerMailDialog.h"
#include "shell/widgets/PrefsDialog.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/TriageCommands.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>

using namespace pelmora;
using namespace pelmora::test;

namespace
{
// Ends with the test: the watches it set.
std::unique_ptr<QObject> watch;

// Hands the next modal window that opens (other than the one open now) to its check.
void onNextModal(std::function<void(QWidget*)> check)
{
    QWidget* current = QApplication::activeModalWidget();
    auto* timer = new QTimer(watch.get());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, current, check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == current)
            return;
        timer->stop();
        timer->deleteLater();
        check(modal);
        // A failed check leaves no window waiting for an answer.
        for (int i = 0; QTest::currentTestFailed() && i < 10; ++i)
            if (QWidget* open = QApplication::activeModalWidget())
                open->close();
    });
    timer->start(0);
}
} // namespace

class EmailWindowsTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        watch = std::make_unique<QObject>();
        p_ = std::make_unique<ProgramFixture>();
        relay_ = std::make_unique<RelayServer>();
        p_->folder.writeFile(QStringLiteral("cnfg/service.ini"), "[relay]\nhost=" + relay_->host().toUtf8() + "\n");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        window_ = &p_->start(false);
        exec(
            QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name,Invoice_email,Ship_name,Ship_address1,Status,New,"
                           "Total) VALUES(1001,'Ann Able','ann@example.com','Ann Able','1 High St','Paid',0,20),"
                           "(1002,'Bob Bell','bob@example.com','Bob Bell','2 Low Rd','Unpaid',0,30),"
                           "(1003,'Cy Cole','cy@example.com','Cy Cole','3 Mid Ln','Unpaid',0,40)"));
        exec(QStringLiteral("INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Price,Amount) VALUES"
                            "(1001,1,'W-1','Widget',20,20),(1002,3,'G-2','Gadget',10,30)"));
        exec(QStringLiteral("INSERT INTO Status(Status) VALUES('Can''t ship')"));
        window_->session().data().ResetDB();
        window_->finishStartup();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
    }

    void cleanup()
    {
        watch.reset();
        p_.reset();
        relay_.reset();
    }

    void dialogRebuildsAndKeepsItsFields()
    {
        grid()->cursor().setCurrentRow(rowOf(1002));
        bool checked = false;
        onNextModal([&](QWidget* modal) {
            auto* d = qobject_cast<EmailDialog*>(modal);
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("Sending email..."));
            QCOMPARE(d->toEdit()->text(), QStringLiteral("bob@example.com"));
            QCOMPARE(d->templateBox()->currentText(), QStringLiteral("Order confirmation"));
            QCOMPARE(d->subjectEdit()->text(), QStringLiteral("Thank you for your order"));
            QVERIFY(d->preview()->toPlainText().contains(QStringLiteral("Hello Bob Bell,")));
            QVERIFY(d->preview()->toPlainText().contains(QStringLiteral("Gadget")));

            // Another template: a new subject and preview, and the preview file follows.
            d->templateBox()->setCurrentIndex(d->templateBox()->findText(QStringLiteral("Order shipped")));
            QCOMPARE(d->subjectEdit()->text(), QStringLiteral("Your order is on its way"));
            QVERIFY(p_->folder.readFile(QStringLiteral("tmp/tmp.html")).contains("order 1002 has left our warehouse"));
            QVERIFY(p_->folder.readFile(QStringLiteral("tmp/tmp.html")).endsWith("</html>\n\r\n"));

            // A typed message appears after "Refresh"; the edited address goes back to the order's.
            d->messageEdit()->setPlainText(QStringLiteral("Tracking 123"));
            d->toEdit()->setText(QStringLiteral("typo@example.com"));
            QVERIFY(!d->preview()->toPlainText().contains(QStringLiteral("Tracking 123")));
            d->findChild<QAction*>(QStringLiteral("actionEmailRefresh"))->trigger();
            QVERIFY(d->preview()->toPlainText().contains(QStringLiteral("Tracking 123")));
            QCOMPARE(d->toEdit()->text(), QStringLiteral("bob@example.com"));
            checked = true;
            d->findChild<QAction*>(QStringLiteral("actionEmailClose"))->trigger();
        });
        action("actionSendEmail")->trigger();
        QVERIFY(checked);

        // The next opening keeps the template and the message, and writes for the order now current.
        grid()->cursor().setCurrentRow(rowOf(1001));
        checked = false;
        onNextModal([&](QWidget* modal) {
            auto* d = qobject_cast<EmailDialog*>(modal);
            QCOMPARE(d->templateBox()->currentText(), QStringLiteral("Order shipped"));
            QCOMPARE(d->messageEdit()->toPlainText(), QStringLiteral("Tracking 123"));
            QCOMPARE(d->toEdit()->text(), QStringLiteral("ann@example.com"));
            QVERIFY(d->preview()->toPlainText().contains(QStringLiteral("order 1001 has left")));
            checked = true;
            d->reject();
        });
        action("actionSendEmailButton")->trigger();
        QVERIFY(checked);
        QVERIFY(!dialog()->isVisible());
    }

    void refreshShowsThePageAnew_data()
    {
        // With a picture on the page, replaced on disk before "Refresh": the page grows by its height.
        QTest::addColumn<bool>("pictureReplaced");
        QTest::newRow("same page") << false;
        QTest::newRow("same page, its picture replaced on disk") << true;
    }

    void refreshShowsThePageAnew()
    {
        QFETCH(bool, pictureReplaced);
        const auto drawPicture = [this](int height) {
            QImage image(20, height, QImage::Format_RGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(p_->folder.file(QStringLiteral("email/pic.png"))));
        };
        drawPicture(10);
        QByteArray page = "<#Config subject=\"Long\"><html><body>";
        if (pictureReplaced)
            page += "<img src=\"../email/pic.png\">";
        for (int i = 0; i < 80; ++i)
            page += "<p>Line " + QByteArray::number(i) + " for <#Invoice_name></p>\n";
        p_->folder.writeFile(QStringLiteral("email/order_confirmation.htm"), page + "</body></html>\n");
        grid()->cursor().setCurrentRow(rowOf(1001));

        bool checked = false;
        onNextModal([&](QWidget* modal) {
            auto* d = qobject_cast<EmailDialog*>(modal);
            QTextBrowser* preview = d->preview();
            QVERIFY(preview->toPlainText().contains(QStringLiteral("Line 79 for Ann Able")));
            const qreal height = preview->document()->size().height();
            preview->selectAll();
            preview->verticalScrollBar()->setValue(preview->verticalScrollBar()->maximum());
            QVERIFY(preview->verticalScrollBar()->value() > 0);
            if (pictureReplaced)
                drawPicture(300);

            d->findChild<QAction*>(QStringLiteral("actionEmailRefresh"))->trigger();
            // Shown from the top with nothing selected, as a page is when it is first shown.
            QCOMPARE(preview->verticalScrollBar()->value(), 0);
            QVERIFY(!preview->textCursor().hasSelection());
            QVERIFY(preview->toPlainText().contains(QStringLiteral("Line 79 for Ann Able")));
            QCOMPARE(qRound(preview->document()->size().height() - height), pictureReplaced ? 290 : 0);
            checked = true;
            d->reject();
        });
        action("actionSendEmail")->trigger();
        QVERIFY(checked);
    }

    void placeholderSenderOpensThePreferences()
    {
        QString boxText;
        QString prefsTab;
        bool stillOpen = false;
        onNextModal([&](QWidget* modal) {
            auto* d = qobject_cast<EmailDialog*>(modal);
            QVERIFY(d);
            onNextModal([&](QWidget* box) {
                auto* message = qobject_cast<QMessageBox*>(box);
                QVERIFY(message);
                boxText = message->text();
                QCOMPARE(message->icon(), QMessageBox::Question);
                QCOMPARE(message->standardButtons(), QMessageBox::Ok);
                onNextModal([&](QWidget* prefs) {
                    auto* p = qobject_cast<PrefsDialog*>(prefs);
                    QVERIFY(p);
                    prefsTab = p->tabs()->tabText(p->tabs()->currentIndex());
                    p->reject();
                    QTimer::singleShot(0, [&, d] {
                        stillOpen = d->isVisible();
                        d->reject();
                    });
                });
                message->button(QMessageBox::Ok)->click();
            });
            d->findChild<QAction*>(QStringLiteral("actionEmailSend"))->trigger();
        });
        action("actionSendEmail")->trigger();
        QCOMPARE(boxText, QStringLiteral("You have not setup your outgoing email  preferences. "));
        QCOMPARE(prefsTab, QStringLiteral("E-mail"));
        QVERIFY(stillOpen);
        QVERIFY(relay_->requests.isEmpty());
    }

    void sendClosesTheDialogOnlyWhenSent_data()
    {
        QTest::addColumn<int>("relayStatus");
        QTest::newRow("relay takes it") << 200;
        QTest::newRow("relay refuses it") << 500;
    }

    void sendClosesTheDialogOnlyWhenSent()
    {
        QFETCH(int, relayStatus);
        exec(QStringLiteral("UPDATE Email SET \"From\" = 'shop@example.com'"));
        relay_->status = relayStatus;
        grid()->cursor().setCurrentRow(rowOf(1001));
        bool stillOpen = false;
        QString dialogStatus;
        onNextModal([&](QWidget* modal) {
            auto* d = qobject_cast<EmailDialog*>(modal);
            d->findChild<QAction*>(QStringLiteral("actionEmailSend"))->trigger();
            stillOpen = d->isVisible();
            dialogStatus = d->statusBar()->currentMessage();
            d->reject();
        });
        action("actionSendEmail")->trigger();
        QCOMPARE(relay_->requests.size(), 1);
        QCOMPARE(RelayServer::field(relay_->requests.first(), "to"), QByteArray("ann@example.com"));
        QCOMPARE(RelayServer::field(relay_->requests.first(), "subject"), QByteArray("Thank you for your order"));
        const QStringList log = p_->folder.logLines();
        QCOMPARE(log.size(), 1);
        if (relayStatus == 200) {
            QVERIFY(!stillOpen);
            QCOMPARE(mainStatus(), QStringLiteral("E-mail sent to ann@example.com"));
            return;
        }
        // Kept open for another try, with the reason.
        QVERIFY(stillOpen);
        QVERIFY2(dialogStatus.contains(QStringLiteral("500")), qPrintable(dialogStatus));
        QCOMPARE(mainStatus(), QStringLiteral("No matches found. All orders shown"));
        QVERIFY(log.first().endsWith(QStringLiteral(" application error")));
    }

    // The inspector's e-mail link writes to the order the grid shows as current.
    void inspectorLinkOpensTheDialog()
    {
        grid()->cursor().setCurrentRow(rowOf(1003));
        QString to;
        onNextModal([&](QWidget* modal) {
            to = qobject_cast<EmailDialog*>(modal)->toEdit()->text();
            modal->close();
        });
        emit view()->inspector()->emailRequested();
        QCOMPARE(to, QStringLiteral("cy@example.com"));
    }

    void statusTriggers_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("opened"); // the template chosen, or empty when nothing opens
        QTest::addColumn<bool>("inInspector");
        QTest::newRow("active trigger") << "Shipped" << QStringLiteral("Order shipped") << false;
        QTest::newRow("first of two active") << "Processing" << QStringLiteral("Payment received") << false;
        QTest::newRow("only inactive") << "Completed" << QString() << false;
        QTest::newRow("status with a quote") << "Can't ship" << QStringLiteral("Order confirmation") << false;
        // The inspector edits the same order through the same data set, without StatusChanged.
        QTest::newRow("set in the inspector") << "Shipped" << QString() << true;
    }

    void statusTriggers()
    {
        QFETCH(QString, status);
        QFETCH(QString, opened);
        QFETCH(bool, inInspector);
        exec(QStringLiteral("INSERT INTO Triggers(Status,Template,Active) VALUES('Shipped','Order shipped',1),"
                            "('Processing','Payment received',1),('Processing','Order shipped',1),"
                            "('Completed','Order shipped',0),('Can''t ship','Order confirmation',1)"));
        int openings = 0;
        QString chosen;
        QString to;
        QString storedStatus;
        onNextModal([&](QWidget* modal) {
            auto* d = qobject_cast<EmailDialog*>(modal);
            ++openings;
            chosen = d->templateBox()->currentText();
            to = d->toEdit()->text();
            // The order was saved before the dialog opened.
            storedStatus = scalar(QStringLiteral("SELECT Status FROM Orders WHERE ShopperID=1002")).toString();
            d->reject();
        });
        if (inInspector) {
            grid()->cursor().setCurrentRow(rowOf(1002));
            toolkit::SqlTableModel* orders = view()->workspace().DataSourceOrders();
            QVERIFY(orders->setData(orders->index(rowOf(1002), orders->columnIndex(QStringLiteral("Status"))), status));
        } else {
            pickStatusInGrid(1002, status);
        }
        QTRY_COMPARE(scalar(QStringLiteral("SELECT Status FROM Orders WHERE ShopperID=1002")).toString(), status);
        QTest::qWait(0);
        if (opened.isEmpty()) {
            QCOMPARE(openings, 0);
        } else {
            QCOMPARE(openings, 1);
            QCOMPARE(chosen, opened);
            QCOMPARE(to, QStringLiteral("bob@example.com"));
            QCOMPARE(storedStatus, status);
        }
        QVERIFY(!window_->session().flags().StatusChanged);
        QVERIFY(p_->folder.logLines().isEmpty());
    }

    void statusOfSeveralOrdersSendsTheirEmails_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("relayStatus");
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QStringList>("received");
        const QString noAddress = QStringLiteral("1003 Not sent: ") + TriggerMailing::kNoAddress;
        QTest::newRow("relay takes them") << "Shipped" << 200 << QStringList{noAddress, "1002 Sent", "1001 Sent"}
                                          << QStringList{"bob@example.com", "ann@example.com"};
        QTest::newRow("relay refuses them")
            << "Shipped" << 500 << QStringList{noAddress, "1002 Not sent: ", "1001 Not sent: "}
            << QStringList{"bob@example.com", "ann@example.com"};
        QTest::newRow("no active trigger") << "Completed" << 200 << QStringList() << QStringList();
    }

    void statusOfSeveralOrdersSendsTheirEmails()
    {
        QFETCH(QString, status);
        QFETCH(int, relayStatus);
        QFETCH(QStringList, results);
        QFETCH(QStringList, received);
        relay_->status = relayStatus;
        exec(QStringLiteral("UPDATE Email SET \"From\" = 'shop@example.com'"));
        exec(QStringLiteral("UPDATE Orders SET Invoice_email = NULL WHERE ShopperID = 1003"));
        exec(QStringLiteral("INSERT INTO Triggers(Status,Template,Active) VALUES('Shipped','Order shipped',1),"
                            "('Completed','Order shipped',0)"));
        grid()->tableView()->setFocus();
        grid()->tableView()->selectAll();

        QStringList shown;
        QString summary;
        bool opened = false;
        onNextModal([&](QWidget* modal) {
            auto* d = qobject_cast<TriggerMailDialog*>(modal);
            QVERIFY(d);
            opened = true;
            // The orders are set already; nothing is sent before "Send".
            QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM Orders WHERE Status = 'Shipped'")).toInt(), 3);
            QCOMPARE(relay_->requests.size(), 0);
            QCOMPARE(d->table()->item(1, 2)->text(), QStringLiteral("bob@example.com"));
            d->findChild<QPushButton*>(QStringLiteral("triggerMailSend"))->click();
            for (int row = 0; row < d->table()->rowCount(); ++row)
                shown << d->table()->item(row, 0)->text() + QLatin1Char(' ') + d->table()->item(row, 3)->text();
            summary = d->findChild<QLabel*>(QStringLiteral("triggerMailSummary"))->text();
            d->reject();
        });
        const int n = int(view()->triage()->statuses().indexOf(status));
        QVERIFY(n >= 0 && n < TriageCommands::kStatusShortcuts);
        window_->findChild<QAction*>(QStringLiteral("actionSetStatus%1").arg(n + 1))->trigger();
        QTest::qWait(0);
        QVERIFY2(scalar(QStringLiteral("SELECT count(*) FROM Orders WHERE Status = '%1'").arg(status)).toInt() == 3,
                 qPrintable(mainStatus()));
        QCOMPARE(opened, !results.isEmpty());
        QCOMPARE(shown.size(), results.size());
        for (int i = 0; i < results.size(); ++i)
            QVERIFY2(shown[i].startsWith(results[i]), qPrintable(shown[i]));
        QStringList to;
        for (const CartRequest& request : relay_->requests)
            to << QString::fromUtf8(RelayServer::field(request, "to"));
        QCOMPARE(to, received);
        if (opened)
            QCOMPARE(summary, QStringLiteral("%1 of 3 e-mails sent").arg(relayStatus == 200 ? 2 : 0));
    }

    void pasteDataFollowsTheFocusedOrder()
    {
        // Without auto-update the button fills the window and the clipboard.
        action("actionAutoUpdatePasteData")->setChecked(false);
        grid()->cursor().setCurrentRow(rowOf(1002));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        action("actionPasteData")->trigger();
        QVERIFY(paste()->isVisible());
        // The shipped data template: the shipping block, a CR LF after every line.
        const QString expected = QStringLiteral("Bob Bell\r\n\r\n2 Low Rd\r\n\r\n \r\n\r\nTel: \r\n");
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QCOMPARE(paste()->text(), QString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        // With auto-update every order focused fills them.
        action("actionAutoUpdatePasteData")->setChecked(true);
        p_->folder.writeFile(QStringLiteral("Data template/Data template.txt"),
                             "<#Ship_name>|<#ShopperID>|<#ship_name>");
        p_->folder.writeFile(QStringLiteral("Data template/Fields.cfg"), "Ship_name\r\nshopperid\r\nShopperID\r\n");
        grid()->cursor().setCurrentRow(rowOf(1001));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Ann Able|1001|<#ship_name>\r\n"));
        QCOMPARE(paste()->text(), QStringLiteral("Ann Able|1001|<#ship_name>\n"));
        grid()->cursor().setCurrentRow(rowOf(1003));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Cy Cole|1003|<#ship_name>\r\n"));

        // A field list that cannot be read keeps the box and the clipboard as they were.
        p_->folder.writeFile(QStringLiteral("Data template/Fields.cfg"), "Ship_name\r\n\r\nShip_zip\r\n");
        grid()->cursor().setCurrentRow(rowOf(1001));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Cy Cole|1003|<#ship_name>\r\n"));
        QVERIFY(paste()->text().startsWith(QStringLiteral("Cy Cole")));
        QCOMPARE(mainStatus(), QStringLiteral("No matches found. All orders shown"));
        QCOMPARE(p_->folder.logLines().size(), 1);
        QVERIFY(p_->folder.logLines().first().endsWith(QStringLiteral(" application error")));

        action("actionAutoUpdatePasteData")->trigger(); // off
        QVERIFY(!action("actionAutoUpdatePasteData")->isChecked());
        grid()->cursor().setCurrentRow(rowOf(1002));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Cy Cole|1003|<#ship_name>\r\n"));
    }

  private:
    void exec(const QString& sql) { window_->session().data().execute(sql); }
    QVariant scalar(const QString& sql) { return window_->session().data().scalar(sql); }
    int rowOf(int shopperId)
    {
        toolkit::SqlTableModel* orders = view()->workspace().DataSourceOrders();
        for (int row = 0; row < orders->rowCount(); ++row)
            if (orders->value(row, QStringLiteral("ShopperID")).toInt() == shopperId)
                return row;
        return -1;
    }

    void pickStatusInGrid(int shopperId, const QString& status)
    {
        toolkit::SqlTableModel* orders = view()->workspace().DataSourceOrders();
        const int row = rowOf(shopperId);
        grid()->cursor().setCurrentRow(row);
        grid()->tableView()->edit(orders->index(row, orders->columnIndex(QStringLiteral("Status"))));
        auto* combo = grid()->tableView()->findChild<QComboBox*>(QStringLiteral("cellEditorLookup"));
        QVERIFY(combo);
        const int index = combo->findText(status);
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    QAction* action(const char* name) { return p_->action(name); }
    WorkspaceView* view() { return window_->findChild<WorkspaceView*>(QStringLiteral("workspaceView")); }
    EmailDialog* dialog() { return window_->findChild<EmailDialog*>(QStringLiteral("emailDialog")); }
    PasteDetailsWindow* paste()
    {
        return window_->findChild<PasteDetailsWindow*>(QStringLiteral("pasteDetailsWindow"));
    }
    toolkit::DataGrid* grid() { return view()->ordersGrid()->grid(); }
    QString mainStatus() { return window_->status(); }

    std::unique_ptr<ProgramFixture> p_;
    std::unique_ptr<RelayServer> relay_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(EmailWindowsTest)
#include "tst_EmailWindows.moc"
