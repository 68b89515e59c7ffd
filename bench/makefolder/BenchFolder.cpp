#include "BenchFolder.h"

#include "OrderGenerator.h"
#include "common/Error.h"
#include "common/GlobalConfig.h"
#include "common/Root.h"
#include "database/Schema.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cstdio>
#include <sqlite3.h>

namespace pelmora::bench
{

namespace
{

// A connection of its own for the time of work; removed afterwards.
template <typename Work> void withConnection(const QString& path, bool readOnly, Work&& work)
{
    const QString name = QStringLiteral("bench-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            throw Error(db.lastError().text());
        try {
            work(db);
        } catch (...) {
            db.close();
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void exec(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw Error(QStringLiteral("%1: %2").arg(sql, query.lastError().text()));
}

QVariant scalar(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw Error(QStringLiteral("%1: %2").arg(sql, query.lastError().text()));
    return query.next() ? query.value(0) : QVariant();
}

// Every table and index of the file with its definition, in a stable order.
QStringList layout(QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name")))
        throw Error(query.lastError().text());
    QStringList lines;
    while (query.next())
        lines << QStringList{query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                             query.value(3).toString()}
                     .join('|');
    return lines;
}

QStringList currentLayout()
{
    QStringList lines;
    withConnection(QStringLiteral(":memory:"), false, [&](QSqlDatabase& db) {
        Schema::create(db);
        Schema::ensureIndexes(db);
        lines = layout(db);
    });
    return lines;
}

sqlite3* handleOf(QSqlDatabase& db)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        throw Error(QStringLiteral("No SQLite handle"));
    return *static_cast<sqlite3* const*>(h.data());
}

void check(sqlite3* db, int rc, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw Error(QStringLiteral("%1: %2").arg(QString::fromUtf8(what), QString::fromUtf8(sqlite3_errmsg(db))));
}

// A prepared statement, finalized on every way out.
class Statement
{
  public:
    Statement(sqlite3* db, const QByteArray& sql) : db_(db)
    {
        check(db, sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt_, nullptr), sql.constData());
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void text(int index, const std::string& value)
    {
        sqlite3_bind_text(stmt_, index, value.data(), int(value.size()), SQLITE_STATIC);
    }
    void real(int index, double value) { sqlite3_bind_double(stmt_, index, value); }
    void integer(int index, int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
    void null(int index) { sqlite3_bind_null(stmt_, index); }
    void step()
    {
        check(db_, sqlite3_step(stmt_), "insert");
        sqlite3_reset(stmt_);
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

QByteArray insertOrdersSql()
{
    const QStringList columns = Schema::names(Schema::orderColumns());
    QStringList names;
    QStringList marks;
    for (const char* name : orderFieldNames()) {
        if (!columns.contains(QString::fromLatin1(name)))
            throw Error(QStringLiteral("Orders has no column %1").arg(QString::fromLatin1(name)));
        names << QString::fromLatin1(name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO Orders(%1) VALUES(%2)").arg(names.join(','), marks.join(',')).toUtf8();
}

// Writes the generated rows through the C API in the caller's transaction. Returns the
// number of items written.
int64_t writeRows(sqlite3* db, const BenchFolder::Plan& plan, const std::function<void(int64_t)>& progress)
{
    Statement orders(db, insertOrdersSql());
    Statement items(db, "INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Invoice_date) "
                        "VALUES(?,?,?,?,?,?,?,?)");
    OrderGenerator::Options options;
    options.orders = plan.orders;
    options.seed = plan.seed;
    OrderGenerator generator(options);
    OrderRow row;
    std::vector<ItemRow> rows;
    int64_t written = 0;
    int64_t itemCount = 0;
    while (generator.next(row, rows)) {
        int index = 1;
        for (const Value& v : row.values) {
            switch (v.kind) {
            case Value::Kind::Null:
                orders.null(index);
                break;
            case Value::Kind::Integer:
                orders.integer(index, v.integer);
                break;
            case Value::Kind::Real:
                orders.real(index, v.real);
                break;
            case Value::Kind::Text:
                orders.text(index, v.text);
                break;
            }
            ++index;
        }
        orders.step();
        for (const ItemRow& item : rows) {
            items.integer(1, item.shopperId);
            items.real(2, item.qty);
            items.text(3, item.productCode);
            items.text(4, item.product);
            items.text(5, item.units);
            items.real(6, item.price);
            items.real(7, item.amount);
            items.text(8, item.invoiceDate);
            items.step();
        }
        itemCount += int64_t(rows.size());
        if (++written % 100000 == 0 && progress)
            progress(written);
    }
    return itemCount;
}

QString markerText(const BenchFolder::Plan& plan, int64_t items)
{
    return QStringLiteral("orders=%1\nitems=%2\nseed=%3\ngenerator=%4\n")
        .arg(plan.orders)
        .arg(items)
        .arg(plan.seed)
        .arg(BenchFolder::kGeneratorVersion);
}

} // namespace

QString BenchFolder::databaseFile(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("db/Pelmora.tdbd"));
}

QString BenchFolder::markerFile(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("bench-folder.txt"));
}

QString BenchFolder::staleReason(const QString& folder, const Plan& plan)
{
    QFile marker(markerFile(folder));
    if (!marker.open(QIODevice::ReadOnly))
        return QStringLiteral("no marker file");
    const QString text = QString::fromUtf8(marker.readAll());
    qint64 items = -1;
    for (const QString& line : text.split('\n'))
        if (line.startsWith(QLatin1String("items=")))
            items = line.mid(6).toLongLong();
    if (text != markerText(plan, items))
        return QStringLiteral("made with other settings");
    const QString file = databaseFile(folder);
    if (!QFileInfo(file).isFile())
        return QStringLiteral("no database");
    QString reason;
    try {
        const QStringList expected = currentLayout();
        withConnection(file, true, [&](QSqlDatabase& db) {
            if (layout(db) != expected)
                reason = QStringLiteral("database layout differs from the current one");
            else if (scalar(db, QStringLiteral("SELECT Version FROM Global")).toString() != Schema::kCurrentVersion)
                reason = QStringLiteral("database version differs");
            else if (scalar(db, QStringLiteral("SELECT count(*) FROM Orders")).toLongLong() != plan.orders)
                reason = QStringLiteral("Orders has another number of rows");
            else if (scalar(db, QStringLiteral("SELECT count(*) FROM Items")).toLongLong() != items)
                reason = QStringLiteral("Items has another number of rows");
        });
    } catch (const std::exception& e) {
        reason = QString::fromUtf8(e.what());
    }
    return reason;
}

void BenchFolder::make(const QString& folder, const Plan& plan, const std::function<void(int64_t)>& progress)
{
    // A half-made folder must never pass for a finished one.
    QFile::remove(markerFile(folder));
    for (const char* sub : {"db/backup", "cnfg", "logs", "tmp", "email", "Data template"})
        if (!QDir().mkpath(QDir(folder).filePath(QString::fromLatin1(sub))))
            throw Error(QStringLiteral("Cannot create %1/%2").arg(folder, QString::fromLatin1(sub)));

    const Root root(QFileInfo(folder).absoluteFilePath());
    // Empty locations mean the folder's own db/ and db/backup/, so the folder can be moved.
    GlobalSettings settings = GlobalConfig::parse({}, root);
    settings.DatabaseLocation.clear();
    settings.BackupFolder.clear();
    GlobalConfig::save(settings, root);

    const QString file = databaseFile(folder);
    const QString temp = file + QStringLiteral(".new");
    QFile::remove(temp);
    int64_t items = 0;
    withConnection(temp, false, [&](QSqlDatabase& db) {
        exec(db, QStringLiteral("PRAGMA journal_mode=OFF"));
        exec(db, QStringLiteral("PRAGMA synchronous=OFF"));
        exec(db, QStringLiteral("PRAGMA cache_size=-262144"));
        exec(db, QStringLiteral("PRAGMA temp_store=MEMORY"));
        exec(db, QStringLiteral("BEGIN"));
        Schema::create(db);
        Schema::insertDefaults(db);
        // Rows go in faster without indexes; they are built once at the end.
        QSqlQuery indexes(db);
        if (!indexes.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL")))
            throw Error(indexes.lastError().text());
        QStringList names;
        while (indexes.next())
            names << indexes.value(0).toString();
        indexes.finish();
        for (const QString& name : names)
            exec(db, QStringLiteral("DROP INDEX \"%1\"").arg(name));
        items = writeRows(handleOf(db), plan, progress);
        exec(db, QStringLiteral("COMMIT"));
        Schema::ensureIndexes(db);
        exec(db, QStringLiteral("PRAGMA journal_mode=DELETE"));
    });
    if (QFile::exists(file) && !QFile::remove(file))
        throw Error(QStringLiteral("Cannot replace %1").arg(file));
    if (!QFile::rename(temp, file))
        throw Error(QStringLiteral("Cannot rename %1 to %2").arg(temp, file));

    QSaveFile marker(markerFile(folder));
    if (!marker.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot write %1").arg(markerFile(folder)));
    marker.write(markerText(plan, items).toUtf8());
    if (!marker.commit())
        throw Error(QStringLiteral("Cannot write %1").arg(markerFile(folder)));
}

void BenchFolder::copyResources(const QString& resources, const QString& folder)
{
    const QDir source(QFileInfo(resources).absoluteFilePath());
    QDirIterator it(source.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = source.relativeFilePath(path);
        if (relative == QLatin1String("cnfg/config_global.ini"))
            continue;
        const QString target = QDir(folder).filePath(relative);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        if (!QFile::copy(path, target))
            throw Error(QStringLiteral("Cannot copy %1 to %2").arg(path, target));
    }
}

QString BenchFolder::workCopy(const QString& shared, const QString& work)
{
    const QFileInfo source(databaseFile(shared));
    if (!source.exists())
        throw Error(QStringLiteral("no database in %1").arg(shared));
    const QString stamp = QStringLiteral("%1 %2").arg(source.size()).arg(source.lastModified().toMSecsSinceEpoch());
    QFile marker(QDir(work).filePath(QStringLiteral("copied-from.txt")));
    if (marker.open(QIODevice::ReadOnly) && QString::fromUtf8(marker.readAll()) == stamp &&
        QFileInfo::exists(databaseFile(work)))
        return work;
    marker.close();
    std::fprintf(stderr, "copying %s to %s\n", qPrintable(source.filePath()), qPrintable(work));
    for (const char* sub : {"db", "cnfg", "logs", "tmp"})
        if (!QDir().mkpath(QDir(work).filePath(QString::fromLatin1(sub))))
            throw Error(QStringLiteral("cannot create %1").arg(work));
    QFile::remove(marker.fileName());
    QFile::remove(databaseFile(work));
    if (!QFile::copy(source.filePath(), databaseFile(work)))
        throw Error(QStringLiteral("cannot copy %1").arg(source.filePath()));
    if (!marker.open(QIODevice::WriteOnly) || marker.write(stamp.toUtf8()) < 0)
        throw Error(QStringLiteral("cannot write %1").arg(marker.fileName()));
    return work;
}

} // namespace pelmora::bench
