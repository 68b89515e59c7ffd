#pragma once

#include "toolkit/FilterCondition.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pelmora
{

// What the orders grid shows, under a name the merchant gave it ("Unpaid this week", "To
// ship"): the grid's filter, the search text, the sort, the grouping and the visible columns.
struct SavedView {
    QString name;
    toolkit::FilterCondition filter;
    bool filterActive = true;
    QString search;
    QString sortField; // "" for the default sort
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    QStringList groups;
    QStringList columns; // the visible ones, in the grid's order

    bool operator==(const SavedView& other) const = default;
};

// The merchant's saved views, kept in the program folder's settings ("cnfg/saved_views.ini"),
// with the name of the view used last. Every change is written at once.
class SavedViews
{
  public:
    static inline const QString kFile = QStringLiteral("cnfg/saved_views.ini");

    // The file of the program folder `root` (with its trailing separator).
    explicit SavedViews(const QString& root);

    // Reads the file again (no file: no views).
    void load();
    const QList<SavedView>& views() const { return views_; }
    QStringList names() const;
    const SavedView* find(const QString& name) const;

    // Adds the view, or replaces the one of the same name (ignoring letter case).
    void put(const SavedView& view);
    // False when no view has that name or another view has the new one.
    bool rename(const QString& from, const QString& to);
    void remove(const QString& name);

    QString last() const { return last_; }
    void setLast(const QString& name);

  private:
    void save() const;
    int indexOf(const QString& name) const;

    QString path_;
    QList<SavedView> views_;
    QString last_;
};

} // namespace pelmora
