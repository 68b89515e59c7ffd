#include "workspace/SavedViews.h"

#include <QJsonDocument>
#include <QSettings>

namespace pelmora
{

namespace
{
const QString kViews = QStringLiteral("Views");
const QString kLast = QStringLiteral("Last");
} // namespace

SavedViews::SavedViews(const QString& root) : path_(root + kFile)
{
    load();
}

void SavedViews::load()
{
    views_.clear();
    QSettings file(path_, QSettings::IniFormat);
    last_ = file.value(kLast).toString();
    const int count = file.beginReadArray(kViews);
    for (int i = 0; i < count; ++i) {
        file.setArrayIndex(i);
        SavedView view;
        view.name = file.value(QStringLiteral("Name")).toString().trimmed();
        if (view.name.isEmpty() || indexOf(view.name) >= 0)
            continue;
        view.filter = toolkit::FilterCondition::fromJson(
            QJsonDocument::fromJson(file.value(QStringLiteral("Filter")).toString().toUtf8()).object());
        view.filterActive = file.value(QStringLiteral("FilterActive"), true).toBool();
        view.search = file.value(QStringLiteral("Search")).toString();
        view.sortField = file.value(QStringLiteral("Sort")).toString();
        view.sortOrder = file.value(QStringLiteral("Descending")).toBool() ? Qt::DescendingOrder : Qt::AscendingOrder;
        view.groups = file.value(QStringLiteral("Groups")).toStringList();
        view.columns = file.value(QStringLiteral("Columns")).toStringList();
        views_ << view;
    }
    file.endArray();
}

void SavedViews::save() const
{
    QSettings file(path_, QSettings::IniFormat);
    file.clear();
    if (!last_.isEmpty())
        file.setValue(kLast, last_);
    file.beginWriteArray(kViews, int(views_.size()));
    for (int i = 0; i < views_.size(); ++i) {
        const SavedView& view = views_[i];
        file.setArrayIndex(i);
        file.setValue(QStringLiteral("Name"), view.name);
        file.setValue(QStringLiteral("Filter"),
                      QString::fromUtf8(QJsonDocument(view.filter.toJson()).toJson(QJsonDocument::Compact)));
        file.setValue(QStringLiteral("FilterActive"), view.filterActive);
        file.setValue(QStringLiteral("Search"), view.search);
        file.setValue(QStringLiteral("Sort"), view.sortField);
        file.setValue(QStringLiteral("Descending"), view.sortOrder == Qt::DescendingOrder);
        file.setValue(QStringLiteral("Groups"), view.groups);
        file.setValue(QStringLiteral("Columns"), view.columns);
    }
    file.endArray();
    file.sync();
}

QStringList SavedViews::names() const
{
    QStringList list;
    for (const SavedView& view : views_)
        list << view.name;
    return list;
}

int SavedViews::indexOf(const QString& name) const
{
    for (int i = 0; i < views_.size(); ++i)
        if (views_[i].name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const SavedView* SavedViews::find(const QString& name) const
{
    const int at = indexOf(name);
    return at < 0 ? nullptr : &views_[at];
}

void SavedViews::put(const SavedView& view)
{
    SavedView kept = view;
    kept.name = view.name.trimmed();
    if (kept.name.isEmpty())
        return;
    const int at = indexOf(kept.name);
    if (at < 0)
        views_ << kept;
    else
        views_[at] = kept;
    save();
}

bool SavedViews::rename(const QString& from, const QString& to)
{
    const int at = indexOf(from);
    const int other = indexOf(to);
    if (at < 0 || to.trimmed().isEmpty() || (other >= 0 && other != at))
        return false;
    const bool wasLast = last_.compare(views_[at].name, Qt::CaseInsensitive) == 0;
    views_[at].name = to.trimmed();
    if (wasLast)
        last_ = views_[at].name;
    save();
    return true;
}

void SavedViews::remove(const QString& name)
{
    const int at = indexOf(name);
    if (at < 0)
        return;
    if (last_.compare(views_[at].name, Qt::CaseInsensitive) == 0)
        last_.clear();
    views_.removeAt(at);
    save();
}

void SavedViews::setLast(const QString& name)
{
    last_ = name;
    save();
}

} // namespace pelmora
