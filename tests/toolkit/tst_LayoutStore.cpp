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

// A layout file is replaced only when every component has written its part (the workspace's tests
// store and restore a whole window's layout).
class LayoutStoreTest : public QObject
{
    Q_OBJECT
  private slots:
    void aFailingComponentLeavesTheFileAsItWas()
    {
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
            QStringLiteral("Inspector"), [](QSettings&) { throw std::runtime_error("the inspector is gone"); },
            [](const QSettings&) {});

        QVERIFY_THROWS_EXCEPTION(std::runtime_error, store.store());
        QCOMPARE(bytesOf(file), previous);
        // Nothing but the layout file is left in its folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("grid_config1.ini")});
    }
};

QTEST_GUILESS_MAIN(LayoutStoreTest)
#include "tst_LayoutStore.moc"
