#pragma once

#include "common/UserPort.h"

#include <QApplication>

namespace pelmora
{

// The application object: the last net for errors, so that no exception crosses the event
// loop; whatever escapes an event handler goes to ApplicationError.
class PelmoraApplication : public QApplication
{
    Q_OBJECT
  public:
    PelmoraApplication(int& argc, char** argv);

    // The application title (what the desktop shows for the program). It is not made the
    // display name: on X11 that would be appended to every window's caption.
    static void setTitle(const QString& title);

    // Where ApplicationError shows its status text (the main window once it exists).
    void setUserPort(UserPort* port) { port_ = port; }

    bool notify(QObject* receiver, QEvent* event) override;

  private:
    UserPort* port_ = nullptr;
};

} // namespace pelmora
