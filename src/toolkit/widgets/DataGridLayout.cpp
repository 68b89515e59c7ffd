#include "toolkit/widgets/DataGridPrivate.h"

#include <QHeaderView>
#include <QSettings>

namespace pelmora::toolkit
{

// --- layout properties ---

QVariantMap DataGrid::layoutProperties() const
{
    QVariantMap out;
    out.insert(QStringLiteral("Left"), x());
    out.insert(QStringLiteral("Top"), y());
    out.insert(QStringLiteral("Width"), width());
    out.insert(QStringLiteral("Height"), height());
    out.insert(QStringLiteral("RowHeight"), d->rowHeight);
    out.insert(QStringLiteral("AutoWidth"), d->autoWidth);
    if (!d->model)
        return out;
    for (const GridColumn& c : columns()) {
        const int at = modelColumn(c.field);
        if (at < 0)
            continue;
        const QString prefix = QStringLiteral("Column.") + c.field + u'.';
        out.insert(prefix + QStringLiteral("Visible"), c.visible);
        out.insert(prefix + QStringLiteral("Width"), c.width);
        out.insert(prefix + QStringLiteral("Index"), d->header->visualIndex(at));
    }
    return out;
}

void DataGrid::setLayoutProperties(const QVariantMap& properties)
{
    if (properties.contains(QStringLiteral("RowHeight")))
        setRowHeight(properties.value(QStringLiteral("RowHeight")).toInt());
    QList<QPair<int, QString>> order;
    for (GridColumn& c : d->columns) {
        const QString prefix = QStringLiteral("Column.") + c.field + u'.';
        if (properties.contains(prefix + QStringLiteral("Visible")))
            c.visible = properties.value(prefix + QStringLiteral("Visible")).toBool();
        if (properties.contains(prefix + QStringLiteral("Width")))
            c.width = qMax(1, properties.value(prefix + QStringLiteral("Width")).toInt());
        if (properties.contains(prefix + QStringLiteral("Index")))
            order << qMakePair(properties.value(prefix + QStringLiteral("Index")).toInt(), c.field);
    }
    // A stored order rearranges the described columns.
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<GridColumn> sorted;
    for (const auto& entry : std::as_const(order))
        if (const GridColumn* c = column(entry.second))
            sorted << *c;
    for (const GridColumn& c : std::as_const(d->columns))
        if (!std::any_of(sorted.cbegin(), sorted.cend(), [&](const GridColumn& s) { return s.field == c.field; }))
            sorted << c;
    d->columns = sorted;
    if (properties.contains(QStringLiteral("AutoWidth")))
        d->autoWidth = properties.value(QStringLiteral("AutoWidth")).toBool();
    d->table->setHorizontalScrollBarPolicy(d->autoWidth ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    if (properties.contains(QStringLiteral("Width")) && properties.contains(QStringLiteral("Height")) &&
        !parentWidget())
        setGeometry(properties.value(QStringLiteral("Left")).toInt(), properties.value(QStringLiteral("Top")).toInt(),
                    properties.value(QStringLiteral("Width")).toInt(),
                    properties.value(QStringLiteral("Height")).toInt());
    applyColumns();
}

void DataGrid::saveLayout(QSettings& settings, const QString& group) const
{
    settings.beginGroup(group);
    settings.remove(QString());
    const QVariantMap properties = layoutProperties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.endGroup();
}

void DataGrid::restoreLayout(QSettings& settings, const QString& group)
{
    settings.beginGroup(group);
    QVariantMap properties;
    const QStringList keys = settings.childKeys();
    for (const QString& key : keys)
        properties.insert(key, settings.value(key));
    settings.endGroup();
    if (!properties.isEmpty())
        setLayoutProperties(properties);
}

} // namespace pelmora::toolkit
