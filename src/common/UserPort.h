#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace pelmora
{

// How an operation talks to the user. The main window implements it with widgets;
// pelmora-cli and the tests use RecordingUserPort.
class UserPort
{
  public:
    virtual ~UserPort() = default;

    // The one-panel status bar: replaces the previous text.
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
    // The text followed by a link ("Undo") that runs follow when clicked. The link goes with the
    // text (the next status text replaces both) or when withdrawn; status() reads "text link".
    // Without windows there is nothing to click: the link's words follow the text.
    virtual void setLinkedStatus(const QString& text, const QString& link, std::function<void()> follow)
    {
        Q_UNUSED(follow);
        setStatus(text + QLatin1Char(' ') + link);
    }
    // Takes the link away and leaves the text.
    virtual void withdrawStatusLink() {}

    // Message boxes with the buttons the system names.
    virtual void information(const QString& text) = 0; // OK
    virtual void warning(const QString& text) = 0;     // OK
    virtual bool confirm(const QString& text) = 0;     // OK / Cancel: true on OK
    // The same with a warning icon, for a step that cannot be undone.
    virtual bool confirmWarning(const QString& text) { return confirm(text); }

    // Opens the preferences dialog modally on the named tab ("User accounts").
    virtual void openPreferences(const QString& tab) = 0;
    // The shell's "open" on a web address.
    virtual void openUrl(const QUrl& url) = 0;
    virtual void setClipboard(const QString& text) = 0;

    // Hourglass over the main window (and the window disabled) while busy is on.
    virtual void setBusy(bool busy) = 0;
};

// Shows the busy cursor for its lifetime.
class BusyCursor
{
  public:
    explicit BusyCursor(UserPort& port) : port_(port) { port_.setBusy(true); }
    ~BusyCursor() { port_.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    UserPort& port_;
};

} // namespace pelmora
