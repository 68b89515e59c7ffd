#include "common/RecordingUserPort.h"

namespace pelmora
{

void RecordingUserPort::setStatus(const QString& text)
{
    status_ = text;
    statuses << text;
    if (onStatus)
        onStatus(text);
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
