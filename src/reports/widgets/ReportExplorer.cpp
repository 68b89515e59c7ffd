#include "reports/widgets/ReportExplorer.h"

#include "common/Error.h"
#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/widgets/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelmora::reports
{

namespace
{
constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kRecycleId = -1;

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

ReportLayout blankLayout(const QString& name)
{
    ReportLayout layout;
    layout.name = name;
    Band& header = layout.addBand(BandKind::PageHeader);
    header.height = 12;
    Element title;
    title.text = name;
    title.rect = QRectF(0, 0, 120, 10);
    title.fontSize = 16;
    title.bold = true;
    header.elements << title;
    layout.addBand(BandKind::Detail).height = 6;
    layout.addBand(BandKind::PageFooter).height = 8;
    return layout;
}
} // namespace

QString ReportExplorer::cannotStart(const QSqlDatabase& db)
{
    if (!db.isOpen())
        return QStringLiteral("Report Explorer: the database is not open");
    const QStringList folderColumns{QStringLiteral("RecordId"), QStringLiteral("Name"), QStringLiteral("ParentId")};
    const QStringList reportColumns{QStringLiteral("RecordId"), QStringLiteral("FolderId"), QStringLiteral("Name"),
                                    QStringLiteral("Size"),     QStringLiteral("Template"), QStringLiteral("Modified"),
                                    QStringLiteral("Deleted"),  QStringLiteral("ItemType")};
    for (const auto& [table, columns] : {std::pair{QStringLiteral("RepFolders"), folderColumns},
                                         std::pair{QStringLiteral("RepReports"), reportColumns}}) {
        const QSqlRecord record = db.record(table);
        if (record.isEmpty())
            return QStringLiteral("Report Explorer: the table %1 is missing").arg(table);
        for (const QString& c : columns)
            if (record.indexOf(c) < 0)
                return QStringLiteral("Report Explorer: the table %1 has no column %2").arg(table, c);
    }
    return {};
}

ReportExplorer::ReportExplorer(Services services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)), repository_(services_.db)
{
    setObjectName(QStringLiteral("reportExplorer"));
    setWindowTitle(kCaption);
    setSizeGripEnabled(true);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("explorerToolbar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto place = [bar](QAction* a) { bar->addAction(a); };
    place(addCommand("actionNewFolder", QStringLiteral("New &folder"), {}, [this] { askNewFolder(); }));
    if (services_.design)
        place(addCommand("actionNewReport", QStringLiteral("&New report"), QKeySequence::New,
                         [this] { askNewReport(); }));
    place(addCommand("actionRename", QStringLiteral("&Rename"), Qt::Key_F2, [this] { askRename(); }));
    place(addCommand("actionDelete", QStringLiteral("&Delete"), QKeySequence::Delete, [this] { deleteCurrent(); }));
    place(addCommand("actionRestore", QStringLiteral("Res&tore"), {}, [this] { restoreCurrent(); }));
    bar->addSeparator();
    if (services_.design)
        place(addCommand("actionDesign", QStringLiteral("D&esign..."), {}, [this] {
            const int id = currentReport();
            if (id > 0 && loadCurrent()) {
                services_.design(this, id);
                refreshReports();
                selectReport(id);
            }
        }));
    place(addCommand("actionPreview", QStringLiteral("Pre&view"), {}, [this] { previewCurrent(); }));
    place(addCommand("actionPrint", QStringLiteral("&Print..."), QKeySequence::Print, [this] { printCurrent(); }));
    place(addCommand("actionSavePdf", QStringLiteral("Save as P&DF..."), {}, [this] { askSavePdf(); }));

    folders_ = new QTreeWidget(this);
    folders_->setObjectName(QStringLiteral("explorerFolders"));
    folders_->setHeaderHidden(true);
    reports_ = new QTreeWidget(this);
    reports_->setObjectName(QStringLiteral("explorerReports"));
    reports_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Modified")});
    reports_->setRootIsDecorated(false);
    reports_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    reports_->header()->setStretchLastSection(false);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(folders_);
    splitter->addWidget(reports_);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({180, 400});

    emptyNote_ = new QLabel(QStringLiteral("This database holds no reports yet."), this);
    addShipped_ = new QPushButton(QStringLiteral("&Add the standard reports"), this);
    addShipped_->setObjectName(QStringLiteral("addStandardReports"));
    connect(addShipped_, &QPushButton::clicked, this, [this] { addShippedReports(); });
    auto* note = new QHBoxLayout;
    note->addWidget(emptyNote_);
    note->addWidget(addShipped_);
    note->addStretch();
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("explorerClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    note->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);
    layout->addLayout(note);
    setTabOrder(folders_, reports_);

    connect(folders_, &QTreeWidget::currentItemChanged, this, [this] { refreshReports(); });
    connect(reports_, &QTreeWidget::currentItemChanged, this, [this] { updateCommands(); });
    connect(reports_, &QTreeWidget::itemActivated, this, [this] {
        if (currentFolder() != kRecycleId)
            previewCurrent();
    });

    resize(600, 400);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    guarded([this] { refreshFolders(); });
}

QAction* ReportExplorer::addCommand(const char* name, const QString& caption, const QKeySequence& key,
                                    const std::function<void()>& slot)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    connect(action, &QAction::triggered, this, [slot] { slot(); });
    addAction(action);
    commands_.insert(QString::fromLatin1(name), action);
    return action;
}

bool ReportExplorer::guarded(const std::function<void()>& work)
{
    try {
        BusyCursor busy;
        work();
        return true;
    } catch (const std::exception& e) {
        QMessageBox::warning(this, kCaption, QString::fromUtf8(e.what()));
        return false;
    }
}

int ReportExplorer::currentFolder() const
{
    const QTreeWidgetItem* item = folders_->currentItem();
    return item ? item->data(0, kIdRole).toInt() : 0;
}

int ReportExplorer::currentReport() const
{
    const QTreeWidgetItem* item = reports_->currentItem();
    return item ? item->data(0, kIdRole).toInt() : 0;
}

void ReportExplorer::selectFolder(int id)
{
    for (QTreeWidgetItemIterator it(folders_); *it; ++it)
        if ((*it)->data(0, kIdRole).toInt() == id) {
            folders_->setCurrentItem(*it);
            return;
        }
}

void ReportExplorer::selectReport(int id)
{
    for (int i = 0; i < reports_->topLevelItemCount(); ++i)
        if (reports_->topLevelItem(i)->data(0, kIdRole).toInt() == id) {
            reports_->setCurrentItem(reports_->topLevelItem(i));
            return;
        }
}

void ReportExplorer::refreshFolders()
{
    const int keep = currentFolder();
    const QSignalBlocker block(folders_);
    folders_->clear();
    QHash<int, QTreeWidgetItem*> items;
    const QList<RepositoryFolder> all = repository_.folders();
    for (const RepositoryFolder& f : all) {
        auto* item = new QTreeWidgetItem({f.name});
        item->setData(0, kIdRole, f.id);
        item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        items.insert(f.id, item);
    }
    for (const RepositoryFolder& f : all) {
        QTreeWidgetItem* parent = items.value(f.parentId);
        if (parent && parent != items.value(f.id))
            parent->addChild(items.value(f.id));
        else
            folders_->addTopLevelItem(items.value(f.id));
    }
    // Layouts of a folder that no longer exists are shown at the top, so none is ever lost.
    auto* top = new QTreeWidgetItem({QStringLiteral("(no folder)")});
    top->setData(0, kIdRole, 0);
    folders_->insertTopLevelItem(0, top);
    auto* bin = new QTreeWidgetItem({kRecycleBin});
    bin->setData(0, kIdRole, kRecycleId);
    bin->setIcon(0, style()->standardIcon(QStyle::SP_TrashIcon));
    folders_->addTopLevelItem(bin);
    folders_->expandAll();
    selectFolder(keep);
    if (!folders_->currentItem() || (keep == 0 && all.size() > 0))
        folders_->setCurrentItem(folders_->topLevelItemCount() > 2 ? folders_->topLevelItem(1) : top);
    const bool empty = !repository_.hasReports();
    emptyNote_->setVisible(empty && services_.shippedLayouts);
    addShipped_->setVisible(empty && services_.shippedLayouts);
    refreshReports();
}

void ReportExplorer::refreshReports()
{
    const int keep = currentReport();
    const int folder = currentFolder();
    reports_->clear();
    QList<RepositoryItem> items;
    if (!guarded([&] { items = folder == kRecycleId ? repository_.deletedItems() : repository_.items(folder); }))
        return;
    if (folder == 0) {
        // Layouts whose folder is gone stand here too.
        QSet<int> known;
        for (const RepositoryFolder& f : repository_.folders())
            known.insert(f.id);
        QSqlQuery q(services_.db);
        q.exec(QStringLiteral("SELECT DISTINCT FolderId FROM RepReports WHERE Deleted IS NULL"));
        while (q.next())
            if (q.value(0).toInt() != 0 && !known.contains(q.value(0).toInt()))
                items += repository_.items(q.value(0).toInt());
    }
    for (const RepositoryItem& r : items) {
        auto* item = new QTreeWidgetItem(
            {r.name, QLocale().formattedDataSize(r.size, 0),
             QLocale().toString(folder == kRecycleId ? r.deleted : r.modified, QLocale::ShortFormat)});
        item->setData(0, kIdRole, r.id);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        reports_->addTopLevelItem(item);
    }
    reports_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"),
                               folder == kRecycleId ? QStringLiteral("Deleted") : QStringLiteral("Modified")});
    selectReport(keep);
    if (!reports_->currentItem() && reports_->topLevelItemCount() > 0)
        reports_->setCurrentItem(reports_->topLevelItem(0));
    updateCommands();
}

void ReportExplorer::updateCommands()
{
    const bool inBin = currentFolder() == kRecycleId;
    const bool report = currentReport() > 0;
    const bool folder = currentFolder() > 0;
    auto enable = [this](const char* name, bool on) {
        if (QAction* a = commands_.value(QString::fromLatin1(name)))
            a->setEnabled(on);
    };
    enable("actionNewFolder", !inBin);
    enable("actionNewReport", !inBin);
    enable("actionRename", !inBin && (report || folder));
    enable("actionDelete", inBin ? report : (report || folder));
    enable("actionRestore", inBin && report);
    enable("actionDesign", !inBin && report);
    enable("actionPreview", !inBin && report);
    enable("actionPrint", !inBin && report);
    enable("actionSavePdf", !inBin && report);
}

int ReportExplorer::newFolder(const QString& name)
{
    int id = 0;
    const int parent = std::max(0, currentFolder());
    if (guarded([&] { id = repository_.addFolder(name, parent); })) {
        refreshFolders();
        selectFolder(id);
    }
    return id;
}

int ReportExplorer::newReport(const QString& name)
{
    int id = 0;
    const int folder = std::max(0, currentFolder());
    if (guarded([&] { id = repository_.add(folder, blankLayout(name.trimmed())); })) {
        refreshFolders();
        refreshReports();
        selectReport(id);
    }
    return id;
}

bool ReportExplorer::renameCurrent(const QString& name)
{
    const int report = currentReport();
    const int folder = currentFolder();
    const bool ok = guarded([&] {
        if (report > 0)
            repository_.rename(report, name);
        else if (folder > 0)
            repository_.renameFolder(folder, name);
    });
    if (ok) {
        if (report > 0)
            refreshReports();
        else
            refreshFolders();
    }
    return ok;
}

void ReportExplorer::deleteCurrent()
{
    const int report = currentReport();
    const int folder = currentFolder();
    if (folder == kRecycleId && report > 0) {
        const QString name = reports_->currentItem()->text(0);
        if (QMessageBox::question(this, kCaption, QStringLiteral("Delete \"%1\" for good?").arg(name)) ==
            QMessageBox::Yes)
            guarded([&] { repository_.purge(report); });
        refreshReports();
        return;
    }
    if (report > 0) {
        guarded([&] { repository_.markDeleted(report); });
        refreshReports();
        return;
    }
    if (folder > 0 && guarded([&] { repository_.removeFolder(folder); }))
        refreshFolders();
}

void ReportExplorer::restoreCurrent()
{
    const int report = currentReport();
    if (currentFolder() != kRecycleId || report <= 0)
        return;
    guarded([&] { repository_.restore(report); });
    refreshReports();
}

void ReportExplorer::addShippedReports()
{
    if (!services_.shippedLayouts)
        return;
    int folder = 0;
    guarded([&] {
        folder = repository_.addFolder(services_.shippedFolder, 0);
        for (const ReportLayout& layout : services_.shippedLayouts())
            repository_.add(folder, layout);
    });
    refreshFolders();
    selectFolder(folder);
}

std::optional<ReportLayout> ReportExplorer::loadCurrent()
{
    const int id = currentReport();
    if (id <= 0)
        return std::nullopt;
    std::optional<ReportLayout> layout;
    guarded([&] { layout = repository_.load(id); });
    return layout;
}

void ReportExplorer::previewCurrent()
{
    std::optional<ReportLayout> layout = loadCurrent();
    if (!layout)
        return;
    auto factory = [this, base = *layout](const QPageLayout& page) -> std::unique_ptr<PageSource> {
        ReportLayout l = base;
        l.setPageLayout(page);
        return std::make_unique<ReportDocument>(l, services_.pipelines());
    };
    ReportPreview preview(factory, layout->pageLayout(), layout->zoom, this);
    preview.exec();
}

void ReportExplorer::printCurrent()
{
    std::optional<ReportLayout> layout = loadCurrent();
    if (!layout)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(layout->name);
    printer.setPageLayout(layout->pageLayout());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printer.setFullPage(true);
    guarded([&] {
        ReportDocument document(*layout, services_.pipelines());
        const bool range = printer.printRange() == QPrinter::PageRange;
        ReportOutput::paint(document, printer, range ? std::max(0, printer.fromPage() - 1) : 0,
                            range && printer.toPage() > 0 ? printer.toPage() - 1 : -1);
    });
}

bool ReportExplorer::savePdf(const QString& path)
{
    std::optional<ReportLayout> layout = loadCurrent();
    if (!layout)
        return false;
    return guarded([&] {
        ReportDocument document(*layout, services_.pipelines());
        ReportOutput::writePdf(document, path);
    });
}

void ReportExplorer::askNewFolder()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, kCaption, QStringLiteral("Name of the new folder:"),
                                               QLineEdit::Normal, QStringLiteral("New folder"), &ok);
    if (ok)
        newFolder(name);
}

void ReportExplorer::askNewReport()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, kCaption, QStringLiteral("Name of the new report:"),
                                               QLineEdit::Normal, QStringLiteral("New report"), &ok);
    if (!ok)
        return;
    const int id = newReport(name);
    if (id > 0 && services_.design) {
        services_.design(this, id);
        refreshReports();
        selectReport(id);
    }
}

void ReportExplorer::askRename()
{
    const bool report = currentReport() > 0;
    const QString current = report ? reports_->currentItem()->text(0)
                                   : (folders_->currentItem() ? folders_->currentItem()->text(0) : QString());
    if (!report && currentFolder() <= 0)
        return;
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, kCaption, QStringLiteral("New name:"), QLineEdit::Normal, current, &ok);
    if (ok)
        renameCurrent(name);
}

void ReportExplorer::askSavePdf()
{
    const QString name = reports_->currentItem() ? reports_->currentItem()->text(0) : QString();
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save as PDF"), name + QStringLiteral(".pdf"), QStringLiteral("PDF document (*.pdf)"));
    if (!path.isEmpty())
        savePdf(path);
}

} // namespace pelmora::reports
