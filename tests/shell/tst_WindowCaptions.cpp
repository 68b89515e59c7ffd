// The captions an X11 desktop shows for the program's windows. The windows are shown by a
// second run of this executable on the xcb platform, on a private X server, and their names
// are read back from the server.

#include "ProgramFixture.h"
#include "shell/widgets/AboutDialog.h"
#include "shell/widgets/IntakeInstaller.h"
#include "shell/widgets/MainWindow.h"
#include "shell/widgets/PelmoraApplication.h"
#include "shell/widgets/PrefsDialog.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdio>

using namespace pelmora;

namespace
{

const char* kShowWindows = "--show-windows";

// The program's start as far as the captions go: its title, the main window, the preferences
// dialog and the about box, all shown. Runs until standard input closes.
int showWindows(int argc, char** argv)
{
    PelmoraApplication app(argc, argv);
    PelmoraApplication::setTitle(kApplicationTitle);
    test::ProgramFixture program;
    MainWindow& window = program.start();
    window.intake().preferences()->show();
    AboutDialog about(&window);
    about.show();
    QTimer::singleShot(0, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

class WindowCaptionsTest : public QObject
{
    Q_OBJECT
  private slots:
    void captionsReadAsTheirTitles()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
        if (xvfb.isEmpty() || xwininfo.isEmpty())
            QSKIP("Xvfb and xwininfo are needed (scripts/install-deps installs them)");

        // A server of our own, on the first free display.
        QProcess server;
        server.start(xvfb,
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(server.waitForStarted());
        QVERIFY(server.waitForReadyRead(30000));
        const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine().trimmed());

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kShowWindows)});
        QVERIFY(program.waitForStarted());
        while (!program.canReadLine())
            QVERIFY2(program.waitForReadyRead(60000), "the windows were not shown");
        QCOMPARE(program.readLine().trimmed(), QByteArray("ready"));

        QProcess info;
        info.start(xwininfo, {QStringLiteral("-root"), QStringLiteral("-tree"), QStringLiteral("-display"), display});
        QVERIFY(info.waitForFinished(30000));
        const QString tree = QString::fromUtf8(info.readAllStandardOutput());
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(30000));
        server.terminate();
        server.waitForFinished(30000);

        QStringList captions;
        static const QRegularExpression named(QStringLiteral("^\\s*0x[0-9a-f]+ \"(.*)\": \\("));
        for (const QString& line : tree.split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch match = named.match(line);
            if (match.hasMatch())
                captions << match.captured(1);
        }
        for (const QString& title :
             {QStringLiteral("Pelmora 4+"), QStringLiteral("Preferences"), QStringLiteral("About Pelmora")})
            QVERIFY2(captions.contains(title), qPrintable(title + QStringLiteral(" not in: ") + captions.join(" | ")));
        // No caption carries the program's title after its own.
        for (const QString& caption : std::as_const(captions))
            QVERIFY2(caption == kApplicationTitle || !caption.contains(kApplicationTitle), qPrintable(caption));
    }
};

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], kShowWindows) == 0)
            return showWindows(argc, argv);
    QApplication app(argc, argv);
    WindowCaptionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_WindowCaptions.moc"
