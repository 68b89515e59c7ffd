#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace pelmora::test
{

// Calls handle with each modal window that shows (once per showing); handle returns whether it
// took care of it. A handler that closes a dialog whose closing may show boxes of its own
// defers the closing, so that this watcher is free to answer them.
class ModalWatcher
{
  public:
    explicit ModalWatcher(std::function<bool(QWidget*)> handle)
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, handle] {
            if (last_ && !last_->isVisible())
                last_ = nullptr;
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != last_ && handle(modal)) {
                last_ = modal;
                ++handled;
            }
        });
        timer_.start(0);
    }
    int handled = 0;

  private:
    QTimer timer_;
    QPointer<QWidget> last_;
};

} // namespace pelmora::test
