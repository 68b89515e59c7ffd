#include "toolkit/widgets/DisplayFormat.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>

namespace pelmora::toolkit::DisplayFormat
{

namespace
{

struct NumberSection {
    QString prefix;
    QString suffix;
    bool grouping = false;
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
};

bool isPlaceholder(QChar c)
{
    return c == u'0' || c == u'#' || c == u',' || c == u'.';
}

NumberSection parseSection(const QString& text)
{
    NumberSection s;
    // Literal text before and after the digit placeholders; quotes hide placeholders.
    int first = -1;
    int last = -1;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == u'"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && isPlaceholder(text[i])) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    auto literal = [](QString t) { return t.remove(u'"'); };
    if (first < 0) {
        s.prefix = literal(text);
        return s;
    }
    s.prefix = literal(text.left(first));
    s.suffix = literal(text.mid(last + 1));
    const QString body = text.mid(first, last - first + 1);
    const int point = body.indexOf(u'.');
    const QString integer = point < 0 ? body : body.left(point);
    const QString decimals = point < 0 ? QString() : body.mid(point + 1);
    s.grouping = integer.contains(u',');
    s.minInteger = int(integer.count(u'0'));
    s.minDecimals = int(decimals.count(u'0'));
    s.maxDecimals = int(decimals.count(u'0') + decimals.count(u'#'));
    return s;
}

QString render(double magnitude, const NumberSection& s, const QLocale& base)
{
    QLocale locale = base;
    locale.setNumberOptions(s.grouping ? QLocale::DefaultNumberOptions : QLocale::OmitGroupSeparator);
    QString digits = locale.toString(magnitude, 'f', s.maxDecimals);
    if (s.maxDecimals > s.minDecimals) {
        const QString point = locale.decimalPoint();
        int keep = int(digits.size());
        const int pointAt = int(digits.lastIndexOf(point));
        const int minimumEnd = pointAt + int(point.size()) + s.minDecimals;
        while (keep > minimumEnd && digits[keep - 1] == u'0')
            --keep;
        if (keep == pointAt + point.size())
            keep = pointAt;
        digits.truncate(keep);
    }
    // A format like "#.00" leaves out the leading zero of amounts below one.
    if (s.minInteger == 0 && std::abs(magnitude) < 1.0 && digits.startsWith(locale.zeroDigit()))
        digits.remove(0, locale.zeroDigit().size());
    return s.prefix + digits + s.suffix;
}

} // namespace

QString formatNumber(double value, const QString& format, const QLocale& locale)
{
    if (format.isEmpty())
        return locale.toString(value, 'g', 15);
    const QStringList sections = format.split(u';');
    const NumberSection positive = parseSection(sections.value(0));
    const int decimals = positive.maxDecimals;
    // The sign is decided on the value as shown, so -0.001 with two decimals is zero.
    const double shown = std::round(value * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
    if (shown == 0.0 && sections.size() > 2)
        return render(0.0, parseSection(sections[2]), locale);
    if (shown < 0.0) {
        if (sections.size() > 1 && !sections[1].isEmpty())
            return render(-value, parseSection(sections[1]), locale);
        return locale.negativeSign() + render(-value, positive, locale);
    }
    return render(std::abs(value), positive, locale);
}

QDate toDate(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    default:
        break;
    }
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return {};
    QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    if (!date.isValid())
        date = QDate::fromString(text, QStringLiteral("M/d/yyyy"));
    return date;
}

QTime toTime(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QTime:
        return value.toTime();
    case QMetaType::QDateTime:
        return value.toDateTime().time();
    default:
        break;
    }
    QString text = value.toString().trimmed();
    if (text.isEmpty())
        return {};
    // A date-and-time text keeps its time part.
    if (text.size() > 10 && (text[10] == u'T' || text[10] == u' '))
        text = text.mid(11);
    QTime time = QTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        time = QTime::fromString(text, Qt::ISODate);
    return time;
}

QVariant toBool(const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return {};
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber)
        return number != 0.0;
    const QString lower = text.toLower();
    if (lower == u"true" || lower == u"t" || lower == u"yes" || lower == u"y")
        return true;
    if (lower == u"false" || lower == u"f" || lower == u"no" || lower == u"n")
        return false;
    return {};
}

QString defaultDateFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString defaultTimeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's')) {
        const int minutes = int(format.indexOf(QLatin1String("mm")));
        if (minutes >= 0)
            format.insert(minutes + 2, QLatin1String(":ss"));
    }
    return format;
}

QVariant dateForModel(const QDate& date, const QVariant& original)
{
    if (!date.isValid())
        return {};
    switch (original.typeId()) {
    case QMetaType::QDate:
        return date;
    case QMetaType::QDateTime:
        return QDateTime(date, original.toDateTime().time());
    default:
        return date.toString(Qt::ISODate);
    }
}

QVariant timeForModel(const QTime& time, const QVariant& original)
{
    if (!time.isValid())
        return {};
    if (original.typeId() == QMetaType::QTime)
        return time;
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

QVariant boolForModel(bool on, const QVariant& original)
{
    if (original.typeId() == QMetaType::Bool)
        return on;
    return on ? 1 : 0;
}

bool isBlank(const QVariant& value)
{
    return value.isNull() || value.toString().isEmpty();
}

} // namespace pelmora::toolkit::DisplayFormat
