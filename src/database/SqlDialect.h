#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>
#include <vector>

namespace pelmora
{

// The one translation point between the system's statements, written as they have always
// been, and SQLite: Level clauses are no-ops, "add" becomes ADD COLUMN, "RENAME x TO y"
// becomes RENAME COLUMN, "autoinc" becomes an INTEGER PRIMARY KEY AUTOINCREMENT (added to an
// existing table by rebuilding it), and Date'm/d/yyyy' and TIME'...' literals become the
// stored text forms.
class SqlDialect
{
  public:
    // Executes one statement of the system on db. Throws Error with the engine's message.
    static void execute(QSqlDatabase& db, const QString& statement);

    // The SQLite text of a statement that needs no table rebuild.
    static QString translate(const QString& statement);
    // Date'mm/dd/yyyy' -> 'yyyy-mm-dd', TIME'h:mm[:ss][ AM|PM]' -> 'HH:mm:ss'.
    static QString translateLiterals(const QString& text);

    // A text value between single quotes, quotes doubled; a null value as NULL.
    static QString quote(const QString& value);
    static QString quote(const QVariant& value);

    // Columns of a table as (name, declaration) in table order. Throws Error when missing.
    static std::vector<std::pair<QString, QString>> tableColumns(QSqlDatabase& db, const QString& table);
    static bool tableExists(QSqlDatabase& db, const QString& table);

    // Recreates table with the given columns (name, declaration), copying every row by column
    // name; columns new to the table take their defaults. The table keeps its stored name and
    // its indexes. Whole or nothing (a savepoint, so it also works inside a transaction).
    static void rebuildTable(QSqlDatabase& db, const QString& table,
                             const std::vector<std::pair<QString, QString>>& columns);
};

} // namespace pelmora
