#pragma once

#include <QList>
#include <QString>

namespace pelmora
{

// What a column holds, as far as an export needs to know: formats with types (spreadsheet
// cells, XML) write typed values, the others the text the user reads.
enum class ExportType { Text, Integer, Number, Money, Date, Time, Boolean };

struct ExportColumn {
    QString name;    // the field name (XML element names derive from it)
    QString caption; // the header text
    ExportType type = ExportType::Text;
};

using ExportColumns = QList<ExportColumn>;

} // namespace pelmora
