#include "intake/BatchImport.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Pause.h"
#include "common/Root.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "intake/AnsiText.h"
#include "intake/DownloadReader.h"
#include "intake/ValueConversion.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace pelmora
{

namespace
{

// A download whose number of orders differs from the number announced for it.
class IncompleteDownload : public Error
{
  public:
    using Error::Error;
};

QString sqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

void exec(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : sqliteMessage(db);
        sqlite3_free(message);
        throw Error(text);
    }
}

// Appends the records of one section to its table through one prepared INSERT. The number
// of columns is that of the section's first record.
class TableInserter
{
  public:
    TableInserter(sqlite3* db, QString table, const std::vector<Column>& columns, int maxColumns, QString fileName)
        : db_(db), table_(std::move(table)), columns_(columns), maxColumns_(maxColumns), fileName_(std::move(fileName))
    {
    }

    qint64 rows() const { return rows_; }

    void insert(const DownloadReader& record)
    {
        if (!statement_)
            prepare(std::min(record.fieldCount(), maxColumns_));
        for (int i = 0; i < count_; ++i) {
            ImportValue& value = values_[static_cast<size_t>(i)];
            try {
                ValueConversion::convert(columns_[static_cast<size_t>(i)].type, record.field(i), value);
            } catch (const Error& e) {
                fail(record, i, e.message());
            }
            bind(i, value);
        }
        const int rc = sqlite3_step(statement_.get());
        sqlite3_reset(statement_.get());
        if (rc != SQLITE_DONE)
            fail(record, -1, sqliteMessage(db_));
        ++rows_;
    }

  private:
    void prepare(int count)
    {
        count_ = std::max(count, 0);
        QStringList names, marks;
        for (int i = 0; i < count_; ++i) {
            names << toolkit::sql::quoted(columns_[static_cast<size_t>(i)].name);
            marks << QStringLiteral("?");
        }
        const QString sql =
            count_ == 0 ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table_)
                        : QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(table_, names.join(','), marks.join(','));
        sqlite3_stmt* raw = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v3(db_, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_PREPARE_PERSISTENT, &raw,
                               nullptr) != SQLITE_OK)
            throw Error(
                QStringLiteral("Importing from file %1 into table %2: %3").arg(fileName_, table_, sqliteMessage(db_)));
        statement_.reset(raw);
        values_.resize(static_cast<size_t>(count_));
        texts_.resize(static_cast<size_t>(count_));
    }

    void bind(int i, const ImportValue& value)
    {
        sqlite3_stmt* s = statement_.get();
        const int p = i + 1;
        switch (value.kind) {
        case ImportValue::Kind::Null:
            sqlite3_bind_null(s, p);
            return;
        case ImportValue::Kind::Integer:
            sqlite3_bind_int64(s, p, value.integer);
            return;
        case ImportValue::Kind::Float:
            sqlite3_bind_double(s, p, value.real);
            return;
        case ImportValue::Kind::Text:
            break;
        }
        std::string_view text = value.text;
        // Dates and times are stored forms already; texts are Windows-1252 bytes.
        if (value.storedLength == 0 && !AnsiText::isAscii(text)) {
            std::string& utf8 = texts_[static_cast<size_t>(i)];
            utf8.clear();
            AnsiText::appendUtf8(utf8, text);
            text = utf8;
        }
        // A null pointer would bind NULL: an empty text stays a text.
        sqlite3_bind_text(s, p, text.empty() ? "" : text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }

    [[noreturn]] void fail(const DownloadReader& record, int field, const QString& message) const
    {
        QString where = QStringLiteral("Importing from file %1 into table %2, record %3 (line %4 of the file)")
                            .arg(fileName_, table_)
                            .arg(record.recordNumber())
                            .arg(record.lineNumber());
        if (field >= 0)
            where += QStringLiteral(", column %1").arg(columns_[static_cast<size_t>(field)].name);
        throw Error(where + QStringLiteral(": ") + message);
    }

    struct Finalize {
        void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
    };

    sqlite3* db_;
    QString table_;
    const std::vector<Column>& columns_;
    int maxColumns_;
    QString fileName_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
    int count_ = 0;
    std::vector<ImportValue> values_;
    std::vector<std::string> texts_;
    qint64 rows_ = 0;
};

// Indexes of a table, dropped while a large download goes in and built again afterwards
// (in the same transaction): building an index once is much cheaper than keeping it up to
// date row by row. Kept when the table already holds more rows than the download brings.
class SetIndexesAside
{
  public:
    SetIndexesAside(sqlite3* db, const char* table, qint64 expectedRows) : db_(db)
    {
        if (rowCount(table) > expectedRows)
            return;
        sqlite3_stmt* raw = nullptr;
        const QByteArray sql = QByteArrayLiteral(
            "SELECT name, sql FROM sqlite_master WHERE type='index' AND sql IS NOT NULL AND tbl_name=?");
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &raw, nullptr) != SQLITE_OK)
            throw Error(sqliteMessage(db_));
        sqlite3_bind_text(raw, 1, table, -1, SQLITE_STATIC);
        QList<QByteArray> names;
        while (sqlite3_step(raw) == SQLITE_ROW) {
            names << QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
            definitions_ << QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(raw, 1)));
        }
        sqlite3_finalize(raw);
        for (const QByteArray& name : names)
            exec(db_, QByteArray("DROP INDEX " + toolkit::sql::quoted(QString::fromUtf8(name)).toUtf8()).constData());
    }
    // Builds the indexes again.
    void restore()
    {
        for (const QByteArray& definition : definitions_)
            exec(db_, definition.constData());
        definitions_.clear();
    }

  private:
    qint64 rowCount(const char* table)
    {
        sqlite3_stmt* raw = nullptr;
        const QByteArray sql = QByteArrayLiteral("SELECT count(*) FROM ") + table;
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &raw, nullptr) != SQLITE_OK)
            throw Error(sqliteMessage(db_));
        const qint64 n = sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : 0;
        sqlite3_finalize(raw);
        return n;
    }

    sqlite3* db_;
    QList<QByteArray> definitions_;
};

} // namespace

ImportResult BatchImport::DoBatch(std::optional<qint64> announcedOrders)
{
    return run(root_.file(kDownloadFile), true, false, announcedOrders);
}

ImportResult BatchImport::importFile(const QString& downloadFile)
{
    return run(downloadFile, false, true, std::nullopt);
}

ImportResult BatchImport::importRecords(const QString& downloadFile, std::optional<qint64> announcedOrders)
{
    QFile file(downloadFile);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(toolkit::quotedValue(downloadFile), file.errorString()));
    sqlite3* db = data_.handle();
    if (!db)
        throw Error(QStringLiteral("Database is not connected"));

    toolkit::SqlTransaction transaction(db);
    // A download line averages well over 100 bytes: a generous estimate of its rows.
    const qint64 expectedRows = file.size() / 100;
    SetIndexesAside orderIndexes(db, "Orders", expectedRows);
    SetIndexesAside itemIndexes(db, "Items", expectedRows);
    DownloadReader reader(file);
    const QString shownName = toolkit::quotedValue(downloadFile);
    TableInserter orders(db, QStringLiteral("Orders"), Schema::orderColumns(), 50, shownName);
    TableInserter items(db, QStringLiteral("Items"), Schema::itemColumns(), 8, shownName);
    for (;;) {
        try {
            if (!reader.next())
                break;
        } catch (const Error& e) {
            throw Error(QStringLiteral("Importing from file %1: %2").arg(shownName, e.message()));
        }
        (reader.section() == DownloadReader::Section::Orders ? orders : items).insert(reader);
    }
    if (announcedOrders && orders.rows() != *announcedOrders)
        throw IncompleteDownload(QStringLiteral("The download announced %1 orders but the file holds %2: it is "
                                                "incomplete or damaged, so none of it was imported")
                                     .arg(*announcedOrders)
                                     .arg(orders.rows()));
    orderIndexes.restore();
    itemIndexes.restore();
    transaction.commit();

    ImportResult result;
    result.ok = true;
    result.orders = orders.rows();
    result.items = items.rows();
    return result;
}

ImportResult BatchImport::run(const QString& downloadFile, bool wait, bool keepInput,
                              std::optional<qint64> announcedOrders)
{
    port_.setStatus(kMoving);
    ImportResult result;
    try {
        if (wait) {
            pause_.wait(2000, false);
            pause_.wait(2000, true);
        }
        result = importRecords(downloadFile, announcedOrders);
    } catch (const std::exception& e) {
        result = ImportResult();
        result.error = messageOf(e);
        result.incomplete = dynamic_cast<const IncompleteDownload*>(&e) != nullptr;
        LogError(result.error, kSuffix);
    }
    // The work files go; a file given to import is kept, whatever its name.
    const QFileInfo input(downloadFile);
    for (const QString& name : {kDownloadFile, kOrdersFile, kItemsFile}) {
        const QString path = root_.file(name);
        if (keepInput && (name == kDownloadFile || QFileInfo(path) == input))
            continue;
        QFile::remove(path);
    }
    data_.ResetDB();
    port_.setStatus(result.ok ? kComplete : result.incomplete ? kIncomplete : kFailed);
    return result;
}

} // namespace pelmora
