#pragma once

#include "reports/ReportLayout.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace pelmora::reports
{

struct RepositoryFolder {
    int id = 0;
    QString name;
    int parentId = 0; // 0: at the top
};

struct RepositoryItem {
    int id = 0;
    int folderId = 0;
    QString name;
    int size = 0;
    QDateTime modified;
    QDateTime deleted; // null: not in the recycle bin
};

// The report layouts kept in the database: folders in RepFolders, layouts in RepReports. A
// deleted layout keeps its row with Deleted set until it is restored or purged. Every method
// throws Error when the engine fails.
class ReportRepository
{
  public:
    static constexpr int kReportItemType = 1;
    static inline const QString kShippedFolder = QStringLiteral("Shipped reports");

    explicit ReportRepository(QSqlDatabase db) : db_(std::move(db)) {}

    QList<RepositoryFolder> folders() const;
    int addFolder(const QString& name, int parentId);
    void renameFolder(int id, const QString& name);
    // Removes a folder whose layouts and subfolders are gone; otherwise throws Error.
    void removeFolder(int id);

    // Layouts of a folder (not deleted), or every deleted layout.
    QList<RepositoryItem> items(int folderId) const;
    QList<RepositoryItem> deletedItems() const;
    bool hasReports() const; // any layout, deleted or not
    // The layout stored under a name (not deleted); 0 when there is none.
    int findByName(const QString& name) const;
    RepositoryItem item(int id) const;

    // The stored text of a layout.
    QByteArray templateText(int id) const;
    // The layout; throws Error with the reason when the stored text cannot be read.
    ReportLayout load(int id) const;
    // Stores a layout under a new row; returns its id.
    int add(int folderId, const ReportLayout& layout);
    // Replaces the stored layout (the name follows the layout's name).
    void save(int id, const ReportLayout& layout);
    void rename(int id, const QString& name);
    void moveToFolder(int id, int folderId);
    void markDeleted(int id);
    void restore(int id);
    void purge(int id);

  private:
    QSqlDatabase db_;
};

} // namespace pelmora::reports
