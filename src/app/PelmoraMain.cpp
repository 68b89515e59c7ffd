// Pelmora: the desktop order manager. It reads no command line and no environment: everything
// lives in its program folder, the folder of this executable.

#include "common/Root.h"
#include "shell/widgets/MainWindow.h"
#include "shell/widgets/PelmoraApplication.h"
#include "shell/widgets/SplashPicture.h"

#include <QLocale>
#include <QSplashScreen>

namespace
{
// The system's locale; where the system has no date format of its own, month/day/year.
void setDefaultLocale()
{
    QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        system = QLocale(QLocale::English, QLocale::UnitedStates);
    QLocale::setDefault(system);
}
} // namespace

int main(int argc, char** argv)
{
    pelmora::PelmoraApplication app(argc, argv);
    setDefaultLocale();

    QSplashScreen splash(pelmora::SplashPicture(), Qt::WindowStaysOnTopHint);
    splash.setObjectName(QStringLiteral("splash"));
    splash.show();
    app.processEvents();
    pelmora::PelmoraApplication::setTitle(pelmora::kApplicationTitle);
    splash.repaint();

    pelmora::Session session{pelmora::Root(pelmora::Root::executableFolder())};
    pelmora::MainWindow window(session);
    app.setUserPort(&window);
    window.finishStartup();
    splash.finish(&window);
    window.raise();
    window.activateWindow();
    return app.exec();
}
