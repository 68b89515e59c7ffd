#pragma once

#include "reports/DataPipeline.h"
#include "reports/ReportLayout.h"
#include "reports/ReportRepository.h"

#include <QDialog>
#include <QSqlDatabase>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelmora::reports
{

// "Report Explorer": the folders of the report repository, the layouts of the chosen folder and
// a recycle bin, with the commands to make folders and layouts, rename, delete and restore,
// design, preview, print and save as PDF.
class ReportExplorer : public QDialog
{
    Q_OBJECT
  public:
    static inline const QString kCaption = QStringLiteral("Report Explorer");
    static inline const QString kRecycleBin = QStringLiteral("Recycle bin");

    struct Services {
        QSqlDatabase db;
        // The pipelines a report reads now. Throws Error.
        std::function<std::unique_ptr<DataPipelines>()> pipelines;
        // The layouts the program ships, offered to a repository that has none.
        std::function<QList<ReportLayout>()> shippedLayouts;
        QString shippedFolder;
        // Opens the designer on a stored layout (modal); empty when there is no designer.
        std::function<void(QWidget* parent, int reportId)> design;
    };

    // Why the explorer cannot work on the database (tables missing, closed), or empty.
    static QString cannotStart(const QSqlDatabase& db);

    explicit ReportExplorer(Services services, QWidget* parent = nullptr);

    ReportRepository& repository() { return repository_; }
    QTreeWidget* folderTree() const { return folders_; }
    QTreeWidget* reportList() const { return reports_; }

    // The folder shown (0: none, -1: the recycle bin) and the layout chosen (0: none).
    int currentFolder() const;
    int currentReport() const;
    void selectFolder(int id);
    void selectReport(int id);

    // The commands, also reached from the buttons and keys.
    int newFolder(const QString& name);
    int newReport(const QString& name);
    bool renameCurrent(const QString& name);
    void deleteCurrent();
    void restoreCurrent();
    void addShippedReports();
    // The chosen layout, or nothing after telling the merchant why it cannot be read.
    std::optional<ReportLayout> loadCurrent();
    void previewCurrent();
    void printCurrent();
    bool savePdf(const QString& path);

  private:
    void refreshFolders();
    void refreshReports();
    void updateCommands();
    bool guarded(const std::function<void()>& work);
    QAction* addCommand(const char* name, const QString& caption, const QKeySequence& key,
                        const std::function<void()>& slot);
    void askNewFolder();
    void askNewReport();
    void askRename();
    void askSavePdf();

    Services services_;
    ReportRepository repository_;
    QTreeWidget* folders_ = nullptr;
    QTreeWidget* reports_ = nullptr;
    QLabel* emptyNote_ = nullptr;
    QPushButton* addShipped_ = nullptr;
    QHash<QString, QAction*> commands_;
};

} // namespace pelmora::reports
