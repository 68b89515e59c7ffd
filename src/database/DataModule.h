#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>

struct sqlite3;

namespace pelmora
{

// Owns the one connection (TdbDatabase1) and the data-access objects of the main window for
// the whole run. Views bind their models to connectionName(); they drop their queries on
// aboutToDisconnect() and reopen on reset().
class DataModule : public QObject
{
    Q_OBJECT
  public:
    static inline const QString kConnectionName = QStringLiteral("TdbDatabase1");

    // The objects ResetDB opens, in its order.
    static const QStringList& tableObjects();

    explicit DataModule(QObject* parent = nullptr);
    ~DataModule() override;

    // The file TdbDatabase1 opens; set while disconnected.
    void setLocation(const QString& path);
    QString location() const { return location_; }

    // Throws Error when the file cannot be opened (a missing file is never created here).
    void connectDatabase();
    // Closes every object and the connection.
    void disconnectDatabase();
    bool isConnected() const;
    QSqlDatabase database() const;
    QString connectionName() const { return connectionName_; }
    // The connection's own SQLite handle, for bulk work through the C API. Null when closed.
    sqlite3* handle() const;

    // Disconnects, reconnects, upgrades a file of an older layout by one step and opens every
    // object. Failures go to the error log only.
    void ResetDB();

    // Opens one object (a no-op when it is open). Throws Error.
    void openObject(const QString& name);
    void closeObject(const QString& name);
    bool isOpen(const QString& name) const;
    // TdbQueryOrders: open exactly when Orders holds rows after ResetDB.
    bool ordersQueryOpen() const { return ordersQueryOpen_; }

    // Executes one statement of the system through the dialect, with a fresh statement
    // object. Throws Error.
    void execute(const QString& statement);
    // Runs a SELECT (translated literals) and returns the active query. Throws Error.
    QSqlQuery select(const QString& statement, const QVariantList& bindings = {});
    // The first column of the first row, or a null QVariant. Throws Error.
    QVariant scalar(const QString& statement, const QVariantList& bindings = {});

  signals:
    void aboutToDisconnect();
    // ResetDB has finished: the objects are open (the orders query when Orders has rows).
    void reset();

  private:
    void openObjects();

    QString connectionName_;
    QString location_;
    std::map<QString, bool> open_;
    bool ordersQueryOpen_ = false;
};

} // namespace pelmora
