#include "database/DataModule.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "database/SchemaUpgrade.h"
#include "database/SqlDialect.h"
#include "toolkit/SqlUtil.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

namespace pelmora
{

namespace
{
// The table (or statement) behind each object.
QString sourceOf(const QString& object)
{
    static const std::map<QString, QString> sources{
        {QStringLiteral("TdbTableOrders"), QStringLiteral("Orders")},
        {QStringLiteral("TdbQuery2"), QStringLiteral("Select max(shopperid)from orders")},
        {QStringLiteral("TdbTableItems"), QStringLiteral("Items")},
        {QStringLiteral("TdbTableItems2"), QStringLiteral("Items")},
        {QStringLiteral("TdbTableUsers"), QStringLiteral("Users")},
        {QStringLiteral("TdbTableUsers2"), QStringLiteral("Users")},
        {QStringLiteral("TdbTableUsers3"), QStringLiteral("Users")},
        {QStringLiteral("TdbTableEmail"), QStringLiteral("Email")},
        {QStringLiteral("TdbTableEmail2"), QStringLiteral("Email")},
        {QStringLiteral("TdbTableProxy"), QStringLiteral("Proxy")},
        {QStringLiteral("TdbTableOrdersArchive"), QStringLiteral("OrdersArchve")},
        {QStringLiteral("TdbTableItemsArchive"), QStringLiteral("ItemsArchive")},
        {QStringLiteral("TdbTableTriggers"), QStringLiteral("Triggers")},
        {QStringLiteral("TdbTableRepReports"), QStringLiteral("RepReports")},
        {QStringLiteral("TdbTableRepFolders"), QStringLiteral("RepFolders")},
        {QStringLiteral("TdbTableStatus"), QStringLiteral("Status")},
        {QStringLiteral("TdbTableMethod"), QStringLiteral("Method")},
        {QStringLiteral("TdbTableTemplates"), QStringLiteral("Templates")},
        {QStringLiteral("TdbTableTemplates2"), QStringLiteral("Templates")},
        {QStringLiteral("TdbTableGlobal"), QStringLiteral("Global")},
        {QStringLiteral("TdbQueryOrders"), QStringLiteral("SELECT * FROM Orders")},
    };
    const auto it = sources.find(object);
    if (it == sources.end())
        throw Error(QStringLiteral("Unknown data object %1").arg(object));
    return it->second;
}
} // namespace

const QStringList& DataModule::tableObjects()
{
    static const QStringList objects{QStringLiteral("TdbTableOrders"),        QStringLiteral("TdbQuery2"),
                                     QStringLiteral("TdbTableItems"),         QStringLiteral("TdbTableItems2"),
                                     QStringLiteral("TdbTableUsers"),         QStringLiteral("TdbTableUsers2"),
                                     QStringLiteral("TdbTableUsers3"),        QStringLiteral("TdbTableEmail"),
                                     QStringLiteral("TdbTableEmail2"),        QStringLiteral("TdbTableProxy"),
                                     QStringLiteral("TdbTableOrdersArchive"), QStringLiteral("TdbTableItemsArchive"),
                                     QStringLiteral("TdbTableTriggers"),      QStringLiteral("TdbTableRepReports"),
                                     QStringLiteral("TdbTableRepFolders"),    QStringLiteral("TdbTableStatus"),
                                     QStringLiteral("TdbTableMethod"),        QStringLiteral("TdbTableTemplates"),
                                     QStringLiteral("TdbTableTemplates2"),    QStringLiteral("TdbTableGlobal")};
    return objects;
}

DataModule::DataModule(QObject* parent) : QObject(parent), connectionName_(kConnectionName)
{
    // A second module in the same process (tests) gets a connection of its own.
    for (int n = 2; QSqlDatabase::contains(connectionName_); ++n)
        connectionName_ = kConnectionName + QString::number(n);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
}

DataModule::~DataModule()
{
    disconnectDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

void DataModule::setLocation(const QString& path)
{
    location_ = path;
}

QSqlDatabase DataModule::database() const
{
    return QSqlDatabase::database(connectionName_, false);
}

bool DataModule::isConnected() const
{
    return database().isOpen();
}

sqlite3* DataModule::handle() const
{
    const QVariant h = database().driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(h.data());
}

namespace
{
// SQLite maps at most about 2 GB; a larger file is read past that as before.
constexpr qint64 kMappedBytes = 2147418112;
} // namespace

void DataModule::connectDatabase()
{
    if (isConnected())
        return;
    // SQLite would create a missing file; the system only opens existing databases.
    if (!QFileInfo(location_).isFile())
        throw Error(QStringLiteral("The database file \"%1\" does not exist").arg(location_));
    QSqlDatabase db = database();
    db.setDatabaseName(location_);
    if (!db.open())
        throw Error(db.lastError().text());
    QSqlQuery pragma(db);
    pragma.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    // Reads map the file instead of copying each page into a small cache of the connection's:
    // a search that confirms tens of thousands of rows reads them at memory speed, and the
    // pages stay the system's file cache (writes still go through the file as before).
    pragma.exec(QStringLiteral("PRAGMA mmap_size=%1").arg(kMappedBytes));
}

void DataModule::disconnectDatabase()
{
    if (isConnected())
        emit aboutToDisconnect();
    for (auto& [name, open] : open_)
        open = false;
    ordersQueryOpen_ = false;
    QSqlDatabase db = database();
    if (db.isValid())
        db.close();
}

void DataModule::openObject(const QString& name)
{
    if (isOpen(name))
        return;
    const QString source = sourceOf(name);
    const bool statement = source.contains(' ');
    QSqlDatabase db = database();
    if (!db.isOpen())
        throw Error(QStringLiteral("Database is not connected"));
    // Preparing compiles the statement against the file's tables without reading a row.
    QSqlQuery query(db);
    const QString sql = statement ? source : QStringLiteral("SELECT * FROM %1").arg(toolkit::sql::quoted(source));
    if (!query.prepare(sql))
        throw Error(query.lastError().text());
    open_[name] = true;
}

void DataModule::closeObject(const QString& name)
{
    open_[name] = false;
    if (name == QLatin1String("TdbQueryOrders"))
        ordersQueryOpen_ = false;
}

bool DataModule::isOpen(const QString& name) const
{
    const auto it = open_.find(name);
    return it != open_.end() && it->second;
}

void DataModule::openObjects()
{
    for (const QString& name : tableObjects())
        openObject(name);
    const bool hasOrders = scalar(QStringLiteral("SELECT EXISTS(SELECT 1 FROM Orders)")).toBool();
    if (!hasOrders) {
        closeObject(QStringLiteral("TdbQueryOrders"));
        return;
    }
    openObject(QStringLiteral("TdbQueryOrders"));
    ordersQueryOpen_ = true;
}

void DataModule::ResetDB()
{
    disconnectDatabase();
    Guard(QStringLiteral(" method:ResetDB failed updating DB"), [&] {
        connectDatabase();
        SchemaUpgrade upgrade(*this);
        upgrade.run();
    });
    // On an up-to-date file nothing is written: the indexes come with the layout (a fresh file
    // and every upgrade step make them).
    Guard(QStringLiteral(" method: ResetDB"), [&] { openObjects(); });
    emit reset();
}

void DataModule::execute(const QString& statement)
{
    QSqlDatabase db = database();
    SqlDialect::execute(db, statement);
}

QSqlQuery DataModule::select(const QString& statement, const QVariantList& bindings)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(SqlDialect::translateLiterals(statement)))
        throw Error(query.lastError().text());
    for (const QVariant& v : bindings)
        query.addBindValue(v);
    if (!query.exec())
        throw Error(query.lastError().text());
    return query;
}

QVariant DataModule::scalar(const QString& statement, const QVariantList& bindings)
{
    QSqlQuery query = select(statement, bindings);
    return query.next() ? query.value(0) : QVariant();
}

} // namespace pelmora
