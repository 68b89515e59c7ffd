#include "common/RecordingUserPort.h"

namespace pelmora
{

void RecordingUserPort::setStatus(const QString& text)
{
    follow_ = {};
    status_ = text;
    statuses << text;
    if (onStatus)
        onStatus(text);
}

void RecordingUserPort::setLinkedStatus(const QString& text, const QString& link, std::function<void()> follow)
{
    setStatus(text + QLatin1Char(' ') + link);
    text_ = text;
    link_ = link;
    follow_ = std::move(follow);
}

void RecordingUserPort::withdrawStatusLink()
{
    if (!follow_)
        return;
    follow_ = {};
    status_ = text_;
}

bool RecordingUserPort::followStatusLink()
{
    if (!follow_)
        return false;
    // A copy: following may replace the status and with it the link.
    const std::function<void()> follow = follow_;
    follow();
    return true;
}

void RecordingUserPort::information(const QString& text)
{
    boxes << QStringLiteral("information: ") + text;
}

void RecordingUserPort::warning(const QString& text)
{
    boxes << QStringLiteral("warning: ") + text;
}

bool RecordingUserPort::confirm(const QString& text)
{
    boxes << QStringLiteral("confirm: ") + text;
    return confirmAnswer;
}

void RecordingUserPort::openPreferences(const QString& tab)
{
    preferencesOpened << tab;
    if (onPreferences)
        onPreferences(tab);
}

void RecordingUserPort::openUrl(const QUrl& url)
{
    urlsOpened << url;
}

void RecordingUserPort::setClipboard(const QString& text)
{
    clipboard = text;
}

void RecordingUserPort::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
}

} // namespace pelmora
