#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

namespace pelmora
{

// What a column holds, as the import, the editors and the upgrade need to know it.
enum class ColumnType { Integer, Float, String, Memo, Date, Time, Boolean, AutoInc, Blob };

struct Column {
    QString name;
    ColumnType type;
    QString declaration; // the SQLite column definition after the name
};

// The current layout of the database file.
class Schema
{
  public:
    // Orders (and OrdersArchve): the 51 columns in their order; the import maps fields by position.
    static const std::vector<Column>& orderColumns();
    // Items (and ItemsArchive): the eight columns in their order.
    static const std::vector<Column>& itemColumns();
    static QStringList names(const std::vector<Column>& columns);

    static inline const QString kCurrentVersion = QStringLiteral("4.9");
    static inline const QString kPlaceholderAccount = QStringLiteral("Username");
    static inline const QString kPlaceholderSender = QStringLiteral("your.name@example.com");

    // Creates every table of a fresh file on an open connection. Throws Error.
    static void create(QSqlDatabase& db);
    // Fills a fresh file with the content the program ships with: version, statuses, payment
    // methods, templates, one Email, Proxy and placeholder Users row. Throws Error.
    static void insertDefaults(QSqlDatabase& db);
    // Indexes the program needs for speed; none is unique. Created when missing.
    static void ensureIndexes(QSqlDatabase& db);

    // The email templates shipped in the email folder, as (TemplateName, TemplateAddress).
    static QList<QPair<QString, QString>> shippedTemplates();
};

} // namespace pelmora
