#include "workspace/OrderHistory.h"

#include "common/Error.h"
#include "database/DataModule.h"
#include "toolkit/SqlTransaction.h"

namespace pelmora
{

OrderHistory::OrderHistory(DataModule& data, QObject* parent) : QObject(parent), data_(data)
{
    connect(&data_, &DataModule::reset, this, &OrderHistory::followDatabase);
}

void OrderHistory::followDatabase()
{
    // Changes of another file cannot be undone in this one.
    if (data_.location() == location_)
        return;
    location_ = data_.location();
    clear();
}

QList<toolkit::SqlRowImage> OrderHistory::images(const QList<Target>& targets) const
{
    sqlite3* db = data_.handle();
    if (!db)
        throw Error(QStringLiteral("Database is not connected"));
    QList<toolkit::SqlRowImage> out;
    for (const Target& target : targets)
        out << toolkit::SqlRowImage::take(db, target.table, target.keyColumn, target.keys, target.columns);
    return out;
}

OrderHistory::Change OrderHistory::made(const QString& label, const QList<toolkit::SqlRowImage>& before) const
{
    Change change{label, before, {}, false};
    QList<Target> targets;
    for (const toolkit::SqlRowImage& image : before)
        targets << Target{image.table(), image.keyColumn(), image.keys(), image.partialColumns()};
    change.after = images(targets);
    return change;
}

void OrderHistory::push(Change change)
{
    location_ = data_.location();
    redo_.clear();
    if (!undo_.isEmpty() && undo_.last().joinsNext) {
        Change& last = undo_.last();
        bool same = last.before.size() == change.before.size();
        for (qsizetype i = 0; same && i < change.before.size(); ++i)
            same =
                last.before[i].table() == change.before[i].table() && last.before[i].keys() == change.before[i].keys();
        last.joinsNext = false;
        if (same) {
            last.label = change.label;
            last.after = change.after;
            last.joinsNext = change.joinsNext;
            last.serial = ++lastSerial_;
            emit changed();
            return;
        }
    }
    change.serial = ++lastSerial_;
    undo_.append(std::move(change));
    while (undo_.size() > kDepth)
        undo_.removeFirst();
    emit changed();
}

void OrderHistory::record(const QString& label, const QList<toolkit::SqlRowImage>& before, bool joinsNext)
{
    Change change = made(label, before);
    change.joinsNext = joinsNext;
    push(std::move(change));
}

void OrderHistory::restore(const QList<toolkit::SqlRowImage>& images)
{
    sqlite3* db = data_.handle();
    if (!db)
        throw Error(QStringLiteral("Database is not connected"));
    toolkit::SqlTransaction transaction(db);
    for (const toolkit::SqlRowImage& image : images)
        image.restore(db);
    transaction.commit();
}

QString OrderHistory::undo()
{
    return step(undo_, redo_, true);
}

QString OrderHistory::redo()
{
    return step(redo_, undo_, false);
}

QString OrderHistory::step(QList<Change>& from, QList<Change>& to, bool back)
{
    if (from.isEmpty())
        return {};
    restore(back ? from.last().before : from.last().after);
    Change change = from.takeLast();
    change.joinsNext = false;
    const QString label = change.label;
    to.append(std::move(change));
    emit changed();
    emit restored();
    return label;
}

void OrderHistory::clear()
{
    if (undo_.isEmpty() && redo_.isEmpty())
        return;
    undo_.clear();
    redo_.clear();
    emit changed();
}

} // namespace pelmora
