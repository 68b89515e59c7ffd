#include "common/Pause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace pelmora
{

void Pause::wait(int milliseconds, bool processEvents) const
{
    if (function_) {
        function_(milliseconds, processEvents);
        return;
    }
    if (!processEvents) {
        QThread::msleep(milliseconds);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
}

} // namespace pelmora
