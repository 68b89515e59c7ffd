#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

#include <functional>

namespace pelmora::toolkit
{

// How a cell is shown and edited.
enum class EditorKind {
    Text,     // one line of text
    Memo,     // multi-line text
    Date,     // date with a calendar drop-down
    Time,     // time of day
    Currency, // amount shown with a display format such as ",0.00;(,0.00)"
    Number,   // plain number
    Lookup,   // drop-down list filled from a lookup source
    CheckBox, // boolean, painted and toggled as a check box
    Password, // text shown masked
    Link,     // text shown as a link; a click reports it instead of editing
};

// Where a drop-down list takes its values from: a fixed list, a provider, or a column of a
// table read through a named database connection (the model's connection when left empty).
struct LookupSource {
    QStringList values;
    std::function<QStringList()> provider;
    QString connectionName;
    QString table;
    QString field;

    bool isEmpty() const { return values.isEmpty() && !provider && table.isEmpty(); }
};

// The description of one grid column (or one inspector row).
struct GridColumn {
    QString field;   // the model column, by its header name
    QString caption; // empty: the field name
    EditorKind editor = EditorKind::Text;
    int width = 100; // pixels, or a proportion when the grid fits columns to its width
    bool visible = true;
    bool readOnly = false;
    LookupSource lookup;
    QString displayFormat;          // numbers: ",0.00;(,0.00)"; dates and times: a Qt format text
    Qt::Alignment alignment = {};   // empty: numbers right, the rest left
    int maxLength = 0;              // text editors; 0: no limit
    bool lookupAcceptsText = false; // the drop-down also takes typed text
    bool postOnChange = false;      // post while the editor changes (time editor), not when it closes
    bool singleValueFilter = false; // the header filter picks one value at a time
    bool filterable = true;
    int rowHeight = 0; // inspector rows; 0: the default height

    QString title() const { return caption.isEmpty() ? field : caption; }
};

} // namespace pelmora::toolkit
