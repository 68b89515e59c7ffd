#include "email/PasteData.h"

#include "common/Error.h"
#include "common/Root.h"
#include "database/Schema.h"
#include "email/FieldText.h"
#include "email/TemplateText.h"

namespace pelmora
{

namespace
{
// The order's value of a field named without regard to letter case.
QVariant fieldValue(const QVariantMap& order, const QString& name)
{
    const auto exact = order.constFind(name);
    if (exact != order.constEnd())
        return *exact;
    for (auto it = order.constBegin(); it != order.constEnd(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return *it;
    throw Error(QStringLiteral("TdbQueryOrders: Field '%1' not found").arg(name));
}

// The standard conversion of an Orders field: dates and times in the regional formats.
QString fieldText(const QVariant& value, const QString& name)
{
    for (const Column& column : Schema::orderColumns()) {
        if (column.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (column.type == ColumnType::Date)
            return FieldText::date(value);
        if (column.type == ColumnType::Time)
            return FieldText::time(value);
        break;
    }
    return FieldText::text(value);
}
} // namespace

QString PasteData::templatePath(const Root& root)
{
    return root.file(QStringLiteral("Data template/Data template.txt"));
}

QString PasteData::fieldListPath(const Root& root)
{
    return root.file(QStringLiteral("Data template/Fields.cfg"));
}

QString PasteData::fill(const QVariantMap& order, const Root& root)
{
    return fill(TemplateText::readLines(templatePath(root)), TemplateText::readLines(fieldListPath(root)), order);
}

QString PasteData::fill(const QStringList& templateLines, const QStringList& fieldList, const QVariantMap& order)
{
    QString text;
    for (const QString& line : templateLines)
        text += line + QStringLiteral("\r\n");
    for (const QString& field : fieldList) {
        const QString value = fieldText(fieldValue(order, field), field);
        text.replace(QStringLiteral("<#") + field + u'>', value);
    }
    return text;
}

} // namespace pelmora
