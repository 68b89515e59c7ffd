#include "reports/ReportRepository.h"

#include "common/Error.h"
#include "reports/LayoutFormat.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace pelmora::reports
{

namespace
{
QSqlQuery run(const QSqlDatabase& db, const QString& statement, const QVariantList& bindings = {})
{
    QSqlQuery q(db);
    if (!q.prepare(statement))
        throw Error(q.lastError().text());
    for (const QVariant& v : bindings)
        q.addBindValue(v);
    if (!q.exec())
        throw Error(q.lastError().text());
    return q;
}

QDateTime stamp(const QVariant& v)
{
    if (v.isNull())
        return {};
    QDateTime dt = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
    if (!dt.isValid())
        dt = QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return dt;
}

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

const QString kItemColumns = QStringLiteral("RecordId,FolderId,Name,Size,Modified,Deleted");

RepositoryItem itemOf(const QSqlQuery& q)
{
    return {q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString(),
            q.value(3).toInt(), stamp(q.value(4)),  stamp(q.value(5))};
}

QString checkedName(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        throw Error(QStringLiteral("A name cannot be empty."));
    return trimmed;
}
} // namespace

QList<RepositoryFolder> ReportRepository::folders() const
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT RecordId,Name,ParentId FROM RepFolders ORDER BY Name,RecordId"));
    QList<RepositoryFolder> list;
    while (q.next())
        list.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt()});
    return list;
}

int ReportRepository::addFolder(const QString& name, int parentId)
{
    const QSqlQuery q =
        run(db_, QStringLiteral("INSERT INTO RepFolders(Name,ParentId) VALUES(?,?)"), {checkedName(name), parentId});
    return q.lastInsertId().toInt();
}

void ReportRepository::renameFolder(int id, const QString& name)
{
    run(db_, QStringLiteral("UPDATE RepFolders SET Name=? WHERE RecordId=?"), {checkedName(name), id});
}

void ReportRepository::removeFolder(int id)
{
    QSqlQuery q = run(db_,
                      QStringLiteral("SELECT (SELECT count(*) FROM RepFolders WHERE ParentId=?)+"
                                     "(SELECT count(*) FROM RepReports WHERE FolderId=? AND Deleted IS NULL)"),
                      {id, id});
    if (q.next() && q.value(0).toInt() > 0)
        throw Error(QStringLiteral("The folder is not empty."));
    run(db_, QStringLiteral("DELETE FROM RepFolders WHERE RecordId=?"), {id});
}

QList<RepositoryItem> ReportRepository::items(int folderId) const
{
    QSqlQuery q = run(db_,
                      QStringLiteral("SELECT %1 FROM RepReports WHERE FolderId=? AND Deleted IS NULL ORDER BY Name")
                          .arg(kItemColumns),
                      {folderId});
    QList<RepositoryItem> list;
    while (q.next())
        list.append(itemOf(q));
    return list;
}

QList<RepositoryItem> ReportRepository::deletedItems() const
{
    QSqlQuery q = run(
        db_,
        QStringLiteral("SELECT %1 FROM RepReports WHERE Deleted IS NOT NULL ORDER BY Deleted DESC").arg(kItemColumns));
    QList<RepositoryItem> list;
    while (q.next())
        list.append(itemOf(q));
    return list;
}

bool ReportRepository::hasReports() const
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT count(*) FROM RepReports"));
    return q.next() && q.value(0).toInt() > 0;
}

int ReportRepository::findByName(const QString& name) const
{
    QSqlQuery q = run(db_,
                      QStringLiteral("SELECT RecordId FROM RepReports WHERE Name=? COLLATE NOCASE AND Deleted IS NULL "
                                     "ORDER BY RecordId LIMIT 1"),
                      {name});
    return q.next() ? q.value(0).toInt() : 0;
}

RepositoryItem ReportRepository::item(int id) const
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT %1 FROM RepReports WHERE RecordId=?").arg(kItemColumns), {id});
    if (!q.next())
        throw Error(QStringLiteral("The report no longer exists."));
    return itemOf(q);
}

QByteArray ReportRepository::templateText(int id) const
{
    QSqlQuery q = run(db_, QStringLiteral("SELECT Template FROM RepReports WHERE RecordId=?"), {id});
    if (!q.next())
        throw Error(QStringLiteral("The report no longer exists."));
    return q.value(0).toByteArray();
}

ReportLayout ReportRepository::load(int id) const
{
    ReportLayout layout = LayoutFormat::read(templateText(id));
    layout.name = item(id).name;
    return layout;
}

int ReportRepository::add(int folderId, const ReportLayout& layout)
{
    const QByteArray text = LayoutFormat::write(layout);
    const QSqlQuery q = run(db_,
                            QStringLiteral("INSERT INTO RepReports(FolderId,Name,Size,Template,ItemType,Modified,"
                                           "Deleted) VALUES(?,?,?,?,?,?,NULL)"),
                            {folderId, checkedName(layout.name), int(text.size()), text, kReportItemType, now()});
    return q.lastInsertId().toInt();
}

void ReportRepository::save(int id, const ReportLayout& layout)
{
    const QByteArray text = LayoutFormat::write(layout);
    const QSqlQuery q = run(db_,
                            QStringLiteral("UPDATE RepReports SET Name=?,Size=?,Template=?,ItemType=?,Modified=? "
                                           "WHERE RecordId=?"),
                            {checkedName(layout.name), int(text.size()), text, kReportItemType, now(), id});
    if (q.numRowsAffected() != 1)
        throw Error(QStringLiteral("The report no longer exists."));
}

void ReportRepository::rename(int id, const QString& name)
{
    // The stored layout carries its name too; both change together.
    QByteArray text = templateText(id);
    try {
        ReportLayout layout = LayoutFormat::read(text);
        layout.name = checkedName(name);
        text = LayoutFormat::write(layout);
    } catch (const Error&) {
        // A layout that cannot be read is never rewritten: only its row's name changes.
    }
    run(db_, QStringLiteral("UPDATE RepReports SET Name=?,Size=?,Template=?,Modified=? WHERE RecordId=?"),
        {checkedName(name), int(text.size()), text, now(), id});
}

void ReportRepository::moveToFolder(int id, int folderId)
{
    run(db_, QStringLiteral("UPDATE RepReports SET FolderId=? WHERE RecordId=?"), {folderId, id});
}

void ReportRepository::markDeleted(int id)
{
    run(db_, QStringLiteral("UPDATE RepReports SET Deleted=? WHERE RecordId=?"), {now(), id});
}

void ReportRepository::restore(int id)
{
    run(db_, QStringLiteral("UPDATE RepReports SET Deleted=NULL WHERE RecordId=?"), {id});
}

void ReportRepository::purge(int id)
{
    run(db_, QStringLiteral("DELETE FROM RepReports WHERE RecordId=?"), {id});
}

} // namespace pelmora::reports
