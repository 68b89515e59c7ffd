#include "toolkit/LayoutStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

using namespace pelmora::toolkit;

namespace
{
QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class LayoutStoreTest : public QObject
{
    Q_OBJECT
  private slots:
    void storeReplacesTheFileOnlyWhenComplete_data();
    void storeReplacesTheFileOnlyWhenComplete();
};

void LayoutStoreTest::storeReplacesTheFileOnlyWhenComplete_data()
{
    QTest::addColumn<bool>("failing");
    QTest::newRow("every component writes") << false;
    QTest::newRow("the second component fails") << true;
}

void LayoutStoreTest::storeReplacesTheFileOnlyWhenComplete()
{
    QFETCH(bool, failing);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("grid_config1.ini"));
    const QByteArray previous = "[MainWindow]\nClientWidth=700\n\n[Inspector]\nWidth=190\n";
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(previous);
    }

    LayoutStore store;
    store.setFile(file);
    store.add(
        QStringLiteral("MainWindow"), [](QSettings& s) { s.setValue(QStringLiteral("ClientWidth"), 958); },
        [](const QSettings&) {});
    store.add(
        QStringLiteral("Inspector"),
        [failing](QSettings& s) {
            if (failing)
                throw std::runtime_error("the inspector is gone");
            s.setValue(QStringLiteral("Width"), 257);
        },
        [](const QSettings&) {});

    bool threw = false;
    try {
        store.store();
    } catch (const std::exception&) {
        threw = true;
    }

    QCOMPARE(threw, failing);
    if (failing) {
        QCOMPARE(bytesOf(file), previous);
    } else {
        QSettings ini(file, QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("MainWindow/ClientWidth")).toInt(), 958);
        QCOMPARE(ini.value(QStringLiteral("Inspector/Width")).toInt(), 257);
    }
    // Nothing but the layout file is left in its folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("grid_config1.ini")});
}

QTEST_GUILESS_MAIN(LayoutStoreTest)
#include "tst_LayoutStore.moc"
