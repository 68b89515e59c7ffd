#pragma once

#include <QString>
#include <optional>

namespace pelmora
{

class DataModule;
class Pause;
class Root;
class UserPort;

struct ImportResult {
    bool ok = false;
    QString error;           // the logged message when !ok
    bool incomplete = false; // the file held fewer or more orders than the download announced
    qint64 orders = 0;
    qint64 items = 0;
};

// DoBatch: moves a downloaded file's orders and items into the database. The file is read
// once, record by record, and its rows go in through prepared statements on the
// connection's own handle, all in one transaction: when a record fails nothing of the
// download is kept, and the log line names the file, the table, the record and the value.
class BatchImport
{
  public:
    static inline const QString kMoving = QStringLiteral("Moving new orders into the current database..");
    static inline const QString kComplete = QStringLiteral("Download complete.");
    static inline const QString kFailed = QStringLiteral("The download failed and was not imported.");
    static inline const QString kIncomplete = QStringLiteral("The download was incomplete and was not imported.");
    static inline const QString kSuffix = QStringLiteral(" method: DoBatch");
    static inline const QString kDownloadFile = QStringLiteral("db/Download.txt");
    static inline const QString kOrdersFile = QStringLiteral("db/Orders.txt");
    static inline const QString kItemsFile = QStringLiteral("db/Items.txt");

    // root names the download and work files; pause makes the waits.
    BatchImport(DataModule& data, UserPort& port, const Root& root, const Pause& pause)
        : data_(data), port_(port), root_(root), pause_(pause)
    {
    }

    // The status text, the waits (2 s, then 2 s handling events), the import of
    // db/Download.txt, the work files deleted, ResetDB and the closing status text. With
    // announcedOrders (the download's Mstatus count), a file holding another number of
    // orders was cut short or is damaged: nothing of it is imported. Never throws.
    ImportResult DoBatch(std::optional<qint64> announcedOrders = std::nullopt);

    // The same for any download file, without the waits; the file itself is kept
    // (pelmora-cli), also when it is one of the work files. Never throws.
    ImportResult importFile(const QString& downloadFile);

    // The import alone, in one transaction; throws Error (nothing kept) on failure.
    ImportResult importRecords(const QString& downloadFile, std::optional<qint64> announcedOrders = std::nullopt);

  private:
    ImportResult run(const QString& downloadFile, bool wait, bool keepInput, std::optional<qint64> announcedOrders);

    DataModule& data_;
    UserPort& port_;
    const Root& root_;
    const Pause& pause_;
};

} // namespace pelmora
