#pragma once

#include "database/Schema.h"

#include <QString>
#include <array>

namespace pelmora
{

// The grid writes its filter as plain text: field, blank, operator, blank, quoted value. The
// orders data set wants date and time comparisons written with the Date and TIME keywords, so
// every change of the grid's filter passes through these twelve replacements before it is
// installed as the data set's filter expression. The same expression later serves the items
// export as its WHERE clause.
class FilterTranslation
{
  public:
    struct Replacement {
        QString pattern;
        QString replacement;
    };

    // The twelve replacements, in the order they are applied.
    static const std::array<Replacement, 12>& replacements();

    // Applies every replacement, in order, to the text outside the quoted values; each replaces
    // every occurrence of its pattern without regard to letter case and works on the previous
    // one's result. Values stay as they are.
    static QString translate(const QString& gridText);

    // The SQLite WHERE clause of a filter expression over a table with these columns: Date and
    // TIME literals become the stored forms, text comparisons ignore letter case, and the
    // grid's True/False for a boolean column become 1/0, and IS NULL / IS NOT NULL on a column
    // take an empty text for NULL. Values keep their quoting, so a quote inside a value
    // (O''Brien) stays one quote of the value.
    // A qualifier (a table name) is put before every column the clause names, for a clause over
    // a join whose tables share column names.
    static QString toSqlWhere(const QString& expression, const std::vector<Column>& columns = Schema::orderColumns(),
                              const QString& qualifier = QString());
};

} // namespace pelmora
