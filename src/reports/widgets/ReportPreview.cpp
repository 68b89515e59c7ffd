#include "reports/widgets/ReportPreview.h"

#include "common/Error.h"
#include "reports/ReportOutput.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace pelmora::reports
{

namespace
{
// The wait cursor for as long as an object lives.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

const QList<int> kZooms{25, 50, 75, 100, 125, 150, 200, 300};
} // namespace

ReportPreview::ReportPreview(SourceFactory factory, const QPageLayout& page, int zoom, QWidget* parent)
    : QDialog(parent), factory_(std::move(factory)), pageLayout_(page), zoom_(zoom > 0 ? zoom : 100)
{
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(QStringLiteral("Preview"));
    setModal(true);
    setSizeGripEnabled(true);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("previewToolbar"));
    auto add = [this, bar](const char* name, const QString& caption, const QKeySequence& key, auto slot) {
        QAction* a = bar->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("actionPreviewPrint", QStringLiteral("&Print..."), QKeySequence::Print, [this] { print(); });
    add("actionPreviewPageSetup", QStringLiteral("Page &setup..."), {}, [this] { pageSetup(); });
    add("actionPreviewSave", QStringLiteral("&Save as..."), QKeySequence::Save, [this] { saveAs(); });
    bar->addSeparator();
    first_ = add("actionPreviewFirst", QStringLiteral("|<"), {}, [this] { firstPage(); });
    previous_ = add("actionPreviewPrevious", QStringLiteral("<"), {}, [this] { previousPage(); });
    pageBox_ = new QSpinBox(this);
    pageBox_->setObjectName(QStringLiteral("previewPage"));
    pageBox_->setMinimum(1);
    pageBox_->setKeyboardTracking(false);
    bar->addWidget(pageBox_);
    pageCount_ = new QLabel(this);
    pageCount_->setObjectName(QStringLiteral("previewPageCount"));
    bar->addWidget(pageCount_);
    next_ = add("actionPreviewNext", QStringLiteral(">"), {}, [this] { nextPage(); });
    last_ = add("actionPreviewLast", QStringLiteral(">|"), {}, [this] { lastPage(); });
    bar->addSeparator();
    zoomBox_ = new QComboBox(this);
    zoomBox_->setObjectName(QStringLiteral("previewZoom"));
    for (int z : kZooms)
        zoomBox_->addItem(QStringLiteral("%1 %").arg(z), z);
    bar->addWidget(zoomBox_);
    add("actionPreviewClose", QStringLiteral("&Close"), {}, [this] { accept(); });
    connect(pageBox_, &QSpinBox::valueChanged, this, [this](int value) {
        if (value - 1 != page_)
            showPage(value - 1);
    });
    connect(zoomBox_, &QComboBox::activated, this, [this](int index) { setZoom(zoomBox_->itemData(index).toInt()); });

    canvas_ = new QLabel(this);
    canvas_->setObjectName(QStringLiteral("previewCanvas"));
    canvas_->setAlignment(Qt::AlignCenter);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(true);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(scroll_, 1);

    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect();
    resize(std::min(1000, screen.width() > 0 ? screen.width() - 80 : 1000),
           std::min(900, screen.height() > 0 ? screen.height() - 80 : 900));
    rebuild();
}

ReportPreview::~ReportPreview() = default;

bool ReportPreview::guarded(const std::function<void()>& work)
{
    try {
        BusyCursor busy;
        work();
        return true;
    } catch (const std::exception& e) {
        QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
        return false;
    }
}

void ReportPreview::rebuild()
{
    guarded([this] {
        source_ = factory_(pageLayout_);
        setWindowTitle(QStringLiteral("Preview - %1").arg(source_->title()));
        page_ = 0;
        source_->ensurePage(0);
    });
    render();
    updateControls();
}

void ReportPreview::showPage(int index)
{
    if (!source_ || index < 0)
        return;
    bool exists = false;
    guarded([this, index, &exists] { exists = source_->ensurePage(index); });
    if (!exists)
        return;
    page_ = index;
    render();
    updateControls();
}

void ReportPreview::lastPage()
{
    if (!source_)
        return;
    guarded([this] { source_->pageCount(); });
    showPage(std::max(0, source_->pagesBuilt() - 1));
}

void ReportPreview::setZoom(int percent)
{
    zoom_ = std::clamp(percent, 10, 400);
    render();
    updateControls();
}

void ReportPreview::render()
{
    if (!source_ || page_ >= source_->pagesBuilt()) {
        image_ = QImage();
        canvas_->setPixmap(QPixmap());
        canvas_->setText(source_ ? QStringLiteral("There is nothing to show.") : QString());
        return;
    }
    const double dpi = logicalDpiX() * zoom_ / 100.0;
    const double k = dpi / 25.4;
    const QSizeF mm = source_->pageSize();
    image_ = QImage(QSize(qRound(mm.width() * k), qRound(mm.height() * k)), QImage::Format_RGB32);
    image_.setDotsPerMeterX(qRound(k * 1000));
    image_.setDotsPerMeterY(qRound(k * 1000));
    image_.fill(Qt::white);
    guarded([this, k] {
        QPainter painter(&image_);
        source_->paintPage(page_, painter, k);
    });
    canvas_->setPixmap(QPixmap::fromImage(image_));
}

void ReportPreview::updateControls()
{
    const int built = source_ ? source_->pagesBuilt() : 0;
    const bool complete = source_ && source_->isComplete();
    {
        const QSignalBlocker block(pageBox_);
        pageBox_->setMaximum(std::max(1, complete ? built : 999999999));
        pageBox_->setValue(page_ + 1);
    }
    pageCount_->setText(complete ? QStringLiteral(" of %1 ").arg(built) : QStringLiteral(" of %1+ ").arg(built));
    first_->setEnabled(page_ > 0);
    previous_->setEnabled(page_ > 0);
    const bool more = !complete || page_ + 1 < built;
    next_->setEnabled(more);
    last_->setEnabled(more);
    const int z = kZooms.indexOf(zoom_);
    if (z >= 0)
        zoomBox_->setCurrentIndex(z);
    else
        zoomBox_->setEditText(QStringLiteral("%1 %").arg(zoom_));
}

void ReportPreview::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        nextPage();
        return;
    case Qt::Key_PageUp:
        previousPage();
        return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            firstPage();
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            lastPage();
            return;
        }
        break;
    case Qt::Key_Plus:
        setZoom(zoom_ + 25);
        return;
    case Qt::Key_Minus:
        setZoom(zoom_ - 25);
        return;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

void ReportPreview::applyPageLayout(const QPageLayout& page)
{
    pageLayout_ = page;
    rebuild();
}

void ReportPreview::pageSetup()
{
    QPrinter printer;
    printer.setPageLayout(pageLayout_);
    QPageSetupDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        applyPageLayout(printer.pageLayout());
}

void ReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(source_ ? source_->title() : QString());
    printer.setPageLayout(pageLayout_);
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The pages carry their margins: the printer paints the whole sheet.
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    int first = 0, last = -1;
    if (printer.printRange() == QPrinter::PageRange) {
        first = std::max(0, printer.fromPage() - 1);
        last = printer.toPage() > 0 ? printer.toPage() - 1 : -1;
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = page_;
    }
    guarded([this, &printer, first, last] {
        std::unique_ptr<PageSource> pages = factory_(pageLayout_);
        ReportOutput::paint(*pages, printer, first, last);
    });
}

bool ReportPreview::saveTo(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return guarded([this, &path, &suffix] {
        std::unique_ptr<PageSource> pages = factory_(pageLayout_);
        if (suffix == QLatin1String("png"))
            ReportOutput::writeImages(*pages, path);
        else if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
            ReportOutput::writeHtml(*pages, path);
        else if (suffix == QLatin1String("txt"))
            ReportOutput::writeText(*pages, path);
        else
            ReportOutput::writePdf(*pages, path);
    });
}

void ReportPreview::saveAs()
{
    QString filter = QStringLiteral("PDF document (*.pdf)");
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save as"), source_ ? source_->title() + QStringLiteral(".pdf") : QString(),
        QStringLiteral(
            "PDF document (*.pdf);;PNG images, one per page (*.png);;HTML page (*.html);;Plain text (*.txt)"),
        &filter);
    if (!path.isEmpty())
        saveTo(path);
}

} // namespace pelmora::reports
