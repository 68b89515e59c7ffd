#include "common/Pause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace pelmora
{

namespace
{
Pause::Function& current()
{
    static Pause::Function function;
    return function;
}

void realWait(int milliseconds, bool processEvents)
{
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
} // namespace

void Pause::wait(int milliseconds, bool processEvents)
{
    if (current())
        current()(milliseconds, processEvents);
    else
        realWait(milliseconds, processEvents);
}

Pause::Function Pause::set(Function function)
{
    Function previous = current();
    current() = std::move(function);
    return previous;
}

} // namespace pelmora
