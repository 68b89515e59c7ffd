#pragma once

#include <QLocale>
#include <QString>

namespace pelmora
{

// A count with its noun as the merchant reads it, "1 order", "0 orders", "1,250 items": the
// number in the regional format, the noun singular for one.
inline QString Counted(qint64 count, const QString& one, const QString& many)
{
    return QLocale().toString(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

} // namespace pelmora
