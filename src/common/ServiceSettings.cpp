#include "common/ServiceSettings.h"

#include "common/Root.h"

#include <QDir>
#include <QSettings>

namespace pelmora
{

namespace
{
const QString kCodes = QStringLiteral("6789ABCDE");

const QString kDefaultCart = QStringLiteral("secure.corvane.com");
const QString kDefaultRelay = QStringLiteral("mail.corvane.com");
const QString kDefaultSupport = QStringLiteral("https://www.corvane.com/pelmora/support");
const QString kDefaultHome = QStringLiteral("www.corvane.com");

QString defaultCartHost(QChar code)
{
    return QStringLiteral("cart%1.corvane.com").arg(code.toLower());
}
// Seconds (a decimal number, 0 for no limit) as milliseconds; fallback when unreadable.
int milliseconds(const QVariant& seconds, int fallback)
{
    bool ok = false;
    const double value = seconds.toString().trimmed().toDouble(&ok);
    if (!ok || value < 0 || value > 86400)
        return fallback;
    return static_cast<int>(value * 1000);
}
} // namespace

ServiceSettings ServiceSettings::load(const Root& root)
{
    return fromFile(root.file(QStringLiteral("cnfg/service.ini")), root);
}

ServiceSettings ServiceSettings::fromFile(const QString& iniPath, const Root& root)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ServiceSettings s;
    s.cartDefault_ = ini.value(QStringLiteral("cart/default"), kDefaultCart).toString();
    for (int i = 0; i < kCodes.size(); ++i)
        s.cart_[i] = ini.value(QStringLiteral("cart/") + kCodes.at(i), defaultCartHost(kCodes.at(i))).toString();
    s.relay_ = ini.value(QStringLiteral("relay/host"), kDefaultRelay).toString();
    s.support_ = ini.value(QStringLiteral("web/support"), kDefaultSupport).toString();
    s.home_ = ini.value(QStringLiteral("web/home"), kDefaultHome).toString();
    s.deadlineMs_ = milliseconds(ini.value(QStringLiteral("network/deadline")), s.deadlineMs_);
    s.idleTimeoutMs_ = milliseconds(ini.value(QStringLiteral("network/idle")), s.idleTimeoutMs_);
    const QString ca = ini.value(QStringLiteral("tls/ca_file")).toString();
    if (!ca.isEmpty())
        s.caFile_ = QDir::isAbsolutePath(ca) ? ca : root.file(ca);
    return s;
}

QString ServiceSettings::cartHost(const QString& username) const
{
    if (username.isEmpty())
        return cartDefault_;
    const int index = kCodes.indexOf(username.at(0), 0, Qt::CaseSensitive);
    return index < 0 ? cartDefault_ : cart_[index];
}

} // namespace pelmora
