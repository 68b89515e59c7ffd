#pragma once

#include <QString>
#include <QVariantMap>

namespace pelmora
{

class Root;

// The text of the "Paste details" window: the data template with every "<#" field ">" marker
// of the field list replaced by the order's value.
class PasteData
{
  public:
    static QString templatePath(const Root& root);  // root + "Data template/Data template.txt"
    static QString fieldListPath(const Root& root); // root + "Data template/Fields.cfg"

    // Reads both files anew and fills the template for the order (its fields by column name).
    // Throws Error when a file cannot be read or a line of the field list names no field of
    // the order (a blank line included).
    static QString fill(const QVariantMap& order, const Root& root);
    // The replacement itself: for each field in turn, every "<#" field ">" (exactly, letter case
    // included) becomes the value; later fields are searched in values inserted before.
    static QString fill(const QStringList& templateLines, const QStringList& fieldList, const QVariantMap& order);
};

} // namespace pelmora
