#include "shell/widgets/PelmoraApplication.h"

#include "common/ApplicationError.h"
#include "common/ErrorLog.h"

namespace pelmora
{

PelmoraApplication::PelmoraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
}

void PelmoraApplication::setTitle(const QString& title)
{
    QApplication::setApplicationName(title);
}

bool PelmoraApplication::notify(QObject* receiver, QEvent* event)
{
    auto report = [&](const QString& message) {
        if (port_)
            ApplicationError(*port_, message);
        else
            LogError(message, QStringLiteral(" application error"));
    };
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(QString::fromStdString(e.what()));
    } catch (...) {
        report(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace pelmora
