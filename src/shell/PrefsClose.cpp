#include "shell/PrefsClose.h"

#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "database/SqlDialect.h"
#include "shell/Session.h"
#include "toolkit/SqlUtil.h"

#include <QDateTime>

namespace pelmora
{

const QStringList& PrefsClose::tables()
{
    static const QStringList names{QStringLiteral("Email"),  QStringLiteral("Triggers"),  QStringLiteral("Method"),
                                   QStringLiteral("Status"), QStringLiteral("Templates"), QStringLiteral("Users"),
                                   QStringLiteral("Proxy")};
    return names;
}

PrefsClose::PrefsClose(Session& session, PostPending postPending, SetInterval setInterval)
    : session_(session), postPending_(std::move(postPending)), setInterval_(std::move(setInterval))
{
}

QStringList PrefsClose::postTables()
{
    QStringList added;
    DataModule& data = session_.data();
    if (!data.isConnected())
        return added;
    bool first = true;
    for (const QString& table : tables()) {
        const QString tag = first ? kPrefsCloseFirstTag : kPrefsCloseTag;
        first = false;
        GuardWith([&](const QString& message) { LogLine(LogDateTime(QDateTime::currentDateTime()) + tag + message); },
                  [&] {
                      if (postPending_)
                          postPending_(table);
                      // Editing an empty table starts a row, which the post then keeps.
                      const QString name = toolkit::sql::quoted(table);
                      if (data.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(name)).toInt() == 0) {
                          data.execute(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(name));
                          added << table;
                      }
                  });
    }
    return added;
}

void PrefsClose::run(PrefsValues& values)
{
    postTables();
    applyAndSave(values);
}

void PrefsClose::applyAndSave(PrefsValues& values)
{
    locationResult_ = session_.maintenance().applyLocations(values.databasePath, values.backupPath);

    GlobalSettings& settings = session_.settings();
    settings.DownloadAllAccounts = values.downloadAllAccounts;
    settings.AutoDownload = values.autoDownload;

    settings.ReservedMinutes = QStringLiteral("20");
    settings.DownloadMinutes = values.downloadMinutes;

    // Throws on a minutes text that is not a whole number: nothing below runs then.
    if (setInterval_)
        setInterval_(settings);
    else
        settings.downloadIntervalMs();

    session_.SaveGlobalConfig();
}

} // namespace pelmora
