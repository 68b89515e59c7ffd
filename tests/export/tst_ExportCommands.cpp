// The export dialog and the main window's export commands, driven as a merchant drives them:
// the options file read when a dialog opens and written by "Save options", the question
// before a file is replaced, the status bar after an export, and the data set each command
// hands over before and after a switch of view.

#include "export/ExportTestSupport.h"
#include "export/SqliteRowSource.h"
#include "export/widgets/ExportDialog.h"
#include "shell/ProgramFixture.h"
#include "support/ModalWatcher.h"

#include <QtWidgets>

using namespace pelmora;
using namespace pelmora::test;

namespace
{

const ExportColumns kColumns{
    {"id", "ID", ExportType::Integer}, {"note", "Note", ExportType::Text}, {"total", "Total", ExportType::Money}};

struct DialogFixture {
    DialogFixture() : db(dir.filePath(QStringLiteral("d.db")))
    {
        db.exec(QStringLiteral("CREATE TABLE t(id integer, note text, total real)"));
        db.exec(QStringLiteral("INSERT INTO t VALUES(1,'a; b',1.5),(2,'c',2000)"));
    }
    std::unique_ptr<ExportDialog> dialog()
    {
        auto d = std::make_unique<ExportDialog>(
            QStringLiteral("Export orders"), kColumns, dir.filePath(QStringLiteral("cnfg/export.cfg")), [this] {
                return std::make_unique<SqliteRowSource>(db.db(), QStringLiteral("SELECT * FROM t ORDER BY id"),
                                                         kColumns);
            });
        return d;
    }
    QTemporaryDir dir;
    SqliteFile db;
};

template <typename T> T* child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

void check(QListWidget* fields, const QString& caption, bool on)
{
    for (int i = 0; i < fields->count(); ++i)
        if (fields->item(i)->text() == caption)
            fields->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// A program folder with three orders and a window over it.
struct WindowFixture : ProgramFixture {
    WindowFixture()
    {
        {
            SqliteFile file(folder.databasePath());
            file.exec(QStringLiteral(
                "INSERT INTO Orders(ShopperID,Invoice_date,Invoice_name,Status,Total) VALUES"
                "(7,'2020-03-01','Ann','Paid',5),(8,'2020-03-02','Bob','Completed',6),(9,'2020-03-03','Cy','Paid',7)"));
            file.exec(QStringLiteral("INSERT INTO Items(ShopperID,Qty,ProductCode,Invoice_date) VALUES"
                                     "(7,1,'X7','2020-03-01'),(9,2,'X9a','2020-03-03'),(9,1,'X9b','2020-03-03')"));
        }
        start();
    }

    // Runs a command whose export dialog is answered: the fields it offers are noted, the
    // format and file set, and Export clicked.
    QStringList exportThrough(const char* command, const QString& format, const QString& file)
    {
        QStringList offered;
        ModalWatcher watcher([&](QWidget* modal) {
            auto* dialog = qobject_cast<ExportDialog*>(modal);
            if (!dialog)
                return false;
            auto* fields = child<QListWidget>(dialog, "fieldList");
            for (int i = 0; i < fields->count(); ++i)
                offered << fields->item(i)->text();
            auto* formats = child<QComboBox>(dialog, "formatBox");
            formats->setCurrentIndex(formats->findText(format));
            child<QLineEdit>(dialog, "fileEdit")->setText(file);
            QTimer::singleShot(0, child<QPushButton>(dialog, "exportButton"), &QPushButton::click);
            return true;
        });
        action(command)->trigger();
        return offered;
    }
};

} // namespace

class ExportCommandsTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // What one dialog saves, the next one opens with, and exports with.
    void savedOptionsComeBackAndApply()
    {
        DialogFixture f;
        const QString file = f.dir.filePath(QStringLiteral("orders.csv"));
        {
            auto dialog = f.dialog();
            auto* formats = child<QComboBox>(dialog.get(), "formatBox");
            formats->setCurrentIndex(formats->findText(QStringLiteral("CSV")));
            child<QLineEdit>(dialog.get(), "separatorEdit")->setText(QStringLiteral(";"));
            child<QCheckBox>(dialog.get(), "markFormulasCheck")->setChecked(true);
            child<QLineEdit>(dialog.get(), "fileEdit")->setText(file);
            check(child<QListWidget>(dialog.get(), "fieldList"), QStringLiteral("ID"), false);
            child<QPushButton>(dialog.get(), "saveOptionsButton")->click();
        }
        const QByteArray saved = [&] {
            QFile options(f.dir.filePath(QStringLiteral("cnfg/export.cfg")));
            return options.open(QIODevice::ReadOnly) ? options.readAll() : QByteArray();
        }();
        QVERIFY2(saved.contains("CaptionFont=Arial"), saved.constData());

        auto dialog = f.dialog();
        QCOMPARE(child<QComboBox>(dialog.get(), "formatBox")->currentText(), QStringLiteral("CSV"));
        QCOMPARE(child<QLineEdit>(dialog.get(), "separatorEdit")->text(), QStringLiteral(";"));
        QVERIFY(child<QCheckBox>(dialog.get(), "markFormulasCheck")->isChecked());
        QCOMPARE(child<QLineEdit>(dialog.get(), "fileEdit")->text(), QDir::toNativeSeparators(file));
        QCOMPARE(child<QListWidget>(dialog.get(), "fieldList")->item(0)->checkState(), Qt::Unchecked);
        dialog->show();
        child<QPushButton>(dialog.get(), "exportButton")->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(rowsOf(readBack(QStringLiteral("csv"), file, {QStringLiteral(";")})),
                 (QList<QStringList>{{"Note", "Total"}, {"a; b", "1.50"}, {"c", "2000.00"}}));

        // "Load options" brings back what is saved, over whatever was changed since.
        child<QLineEdit>(dialog.get(), "separatorEdit")->setText(QStringLiteral("|"));
        child<QPushButton>(dialog.get(), "loadOptionsButton")->click();
        QCOMPARE(child<QLineEdit>(dialog.get(), "separatorEdit")->text(), QStringLiteral(";"));
    }

    void anExistingFileIsReplacedOnlyWhenConfirmed_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }

    void anExistingFileIsReplacedOnlyWhenConfirmed()
    {
        QFETCH(bool, replace);
        DialogFixture f;
        const QString file = f.dir.filePath(QStringLiteral("old.html"));
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        auto dialog = f.dialog();
        auto* formats = child<QComboBox>(dialog.get(), "formatBox");
        formats->setCurrentIndex(formats->findText(QStringLiteral("HTML")));
        child<QLineEdit>(dialog.get(), "fileEdit")->setText(file);
        QString asked;
        ModalWatcher watcher([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            asked = box->text();
            QTimer::singleShot(0, box->button(replace ? QMessageBox::Yes : QMessageBox::No), &QAbstractButton::click);
            return true;
        });
        dialog->show();
        QCOMPARE(dialog->exportNow(), replace);
        QVERIFY2(asked.contains(QStringLiteral("already exists")), qPrintable(asked));
        const QList<QStringList> rows = rowsOf(readBack(QStringLiteral("html"), file));
        QCOMPARE(rows.size(), replace ? 3 : 0);
        QCOMPARE(filesIn(f.dir.path()), (QStringList{"d.db", "old.html"}));
    }

    void windowCommandsExportTheGridsDataSets()
    {
        WindowFixture f;

        const QString orders = f.folder.file(QStringLiteral("tmp/orders.csv"));
        const QStringList orderFields = f.exportThrough(CommandSurface::ExportOrders, QStringLiteral("CSV"), orders);
        QCOMPARE(orderFields.size(), 51);
        QCOMPARE(f.window->status(), QStringLiteral("3 orders exported to ") + QDir::toNativeSeparators(orders));
        QList<QStringList> table = rowsOf(readBack(QStringLiteral("csv"), orders));
        QCOMPARE(table.size(), 4);
        QCOMPARE((QStringList{table[1][0], table[2][0], table[3][0]}), (QStringList{"9", "8", "7"}));

        const QString items = f.folder.file(QStringLiteral("tmp/items.xlsx"));
        const QStringList itemFields = f.exportThrough(CommandSurface::ExportItemsButton, QStringLiteral("XLS"), items);
        QCOMPARE(itemFields.size(), 8 + 51);
        QCOMPARE(f.window->status(), QStringLiteral("3 items exported to ") + QDir::toNativeSeparators(items));
        QCOMPARE(rowsOf(readBack(QStringLiteral("xlsx"), items)).size(), 4);

        // After "Reload current orders" the item export is the items of the focused order.
        f.action(CommandSurface::ReloadCurrentOrders)->trigger();
        const QString focused = f.folder.file(QStringLiteral("tmp/focused.txt"));
        const QStringList focusedFields = f.exportThrough(CommandSurface::ExportItems, QStringLiteral("TXT"), focused);
        QCOMPARE(focusedFields, (QStringList{"Qty", "ProductCode", "Product", "Units", "Price", "Amount"}));
        table = rowsOf(readBack(QStringLiteral("txt"), focused));
        QCOMPARE(table.size(), 3); // order 9, the first row of the grid, has two items
        QCOMPARE((QStringList{table[1][1], table[2][1]}), (QStringList{"X9a", "X9b"}));
    }
};

QTEST_MAIN(ExportCommandsTest)
#include "tst_ExportCommands.moc"
