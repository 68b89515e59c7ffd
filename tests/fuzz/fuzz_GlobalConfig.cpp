// The settings file reader on any bytes.
//
// Checked beyond the sanitizers: what the reader makes of a file is written back and read
// again unchanged, so that saving the preferences never alters a setting the merchant did not
// touch.

#include "common/ErrorLog.h"
#include "common/GlobalConfig.h"
#include "common/Root.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace pelmora;

namespace
{
bool same(const GlobalSettings& a, const GlobalSettings& b)
{
    return a.AutoBackup == b.AutoBackup && a.DatabaseLocation == b.DatabaseLocation &&
           a.BackupFolder == b.BackupFolder && a.ReservedFlag5 == b.ReservedFlag5 && a.AutoDownload == b.AutoDownload &&
           a.ReservedFlag7 == b.ReservedFlag7 && a.DownloadAllAccounts == b.DownloadAllAccounts &&
           a.ReservedMinutes == b.ReservedMinutes && a.DownloadMinutes == b.DownloadMinutes &&
           a.ReservedText11 == b.ReservedText11 && a.ReservedText12 == b.ReservedText12;
}

// Lines that fail to read are logged; the program folder's "logs" is a file here, so that
// the log stays empty instead of growing with every input.
const Root& setUp()
{
    static QTemporaryDir folder;
    QFile blocker(folder.filePath(QStringLiteral("logs")));
    blocker.open(QIODevice::WriteOnly);
    static const Root root(folder.path());
    static const LogFolder logs(root);
    return root;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Root& root = setUp();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const GlobalSettings first = GlobalConfig::parse(GlobalConfig::lines(bytes), root);
    const GlobalSettings second = GlobalConfig::parse(GlobalConfig::lines(GlobalConfig::serialize(first)), root);
    if (!same(first, second))
        std::abort();
    return 0;
}
