#include "export/widgets/ExportDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelmora
{

namespace
{

enum Page { SpreadsheetPage, DocumentPage, TextPage, PlainPage };

Page pageOf(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Xlsx:
        return SpreadsheetPage;
    case ExportFormat::Docx:
    case ExportFormat::Rtf:
    case ExportFormat::Pdf:
        return DocumentPage;
    case ExportFormat::Txt:
    case ExportFormat::Csv:
        return TextPage;
    case ExportFormat::Html:
    case ExportFormat::Xml:
        break;
    }
    return PlainPage;
}

QDoubleSpinBox* marginBox(const char* name)
{
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(0.0, 5.0);
    box->setDecimals(2);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" in"));
    return box;
}

// The known extension of a file name, or empty.
bool hasExportExtension(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix();
    return !suffix.isEmpty() &&
           (ExportFormats::find(suffix).has_value() || suffix.compare(u"htm", Qt::CaseInsensitive) == 0);
}

} // namespace

ExportDialog::ExportDialog(const QString& caption, const ExportColumns& columns, const QString& optionsFile,
                           SourceOpener openSource, QWidget* parent)
    : QDialog(parent), optionsFile_(optionsFile), columns_(columns), openSource_(std::move(openSource))
{
    setWindowTitle(caption);
    setObjectName(QStringLiteral("exportDialog"));
    build();
    loadOptions();
}

ExportDialog::~ExportDialog() = default;

void ExportDialog::build()
{
    auto* layout = new QVBoxLayout(this);

    auto* top = new QFormLayout;
    format_ = new QComboBox;
    format_->setObjectName(QStringLiteral("formatBox"));
    for (ExportFormat f : ExportFormats::all())
        format_->addItem(ExportFormats::caption(f), int(f));
    top->addRow(QStringLiteral("&Format:"), format_);
    auto* fileRow = new QHBoxLayout;
    file_ = new QLineEdit;
    file_->setObjectName(QStringLiteral("fileEdit"));
    file_->setMinimumWidth(320);
    auto* browse = new QToolButton;
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(QStringLiteral("Choose the file"));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    auto* fileLabel = new QLabel(QStringLiteral("F&ile:"));
    fileLabel->setBuddy(file_);
    top->addRow(fileLabel, fileRow);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    auto* fieldsBox = new QGroupBox(QStringLiteral("Fi&elds"));
    auto* fieldsLayout = new QVBoxLayout(fieldsBox);
    fields_ = new QListWidget;
    fields_->setObjectName(QStringLiteral("fieldList"));
    for (const ExportColumn& c : std::as_const(columns_)) {
        auto* item = new QListWidgetItem(c.caption, fields_);
        item->setData(Qt::UserRole, c.name);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    fieldsLayout->addWidget(fields_);
    auto* fieldButtons = new QHBoxLayout;
    auto* all = new QPushButton(QStringLiteral("&All"));
    all->setObjectName(QStringLiteral("allFieldsButton"));
    auto* none = new QPushButton(QStringLiteral("&None"));
    none->setObjectName(QStringLiteral("noFieldsButton"));
    fieldButtons->addWidget(all);
    fieldButtons->addWidget(none);
    fieldButtons->addStretch();
    fieldsLayout->addLayout(fieldButtons);
    middle->addWidget(fieldsBox, 1);

    auto* optionsBox = new QGroupBox(QStringLiteral("Options"));
    auto* optionsLayout = new QVBoxLayout(optionsBox);
    stack_ = new QStackedWidget;
    stack_->setObjectName(QStringLiteral("optionsStack"));

    auto* sheetPage = new QWidget;
    auto* sheetForm = new QFormLayout(sheetPage);
    sheetTitle_ = new QLineEdit;
    sheetTitle_->setObjectName(QStringLiteral("sheetTitleEdit"));
    footer_ = new QLineEdit;
    footer_->setObjectName(QStringLiteral("footerEdit"));
    footer_->setToolTip(QStringLiteral("&P: page number, &N: number of pages"));
    sheetForm->addRow(QStringLiteral("Sheet &title:"), sheetTitle_);
    sheetForm->addRow(QStringLiteral("Page f&ooter:"), footer_);
    stack_->addWidget(sheetPage);

    auto* documentPage = new QWidget;
    auto* documentForm = new QFormLayout(documentPage);
    pageSize_ = new QComboBox;
    pageSize_->setObjectName(QStringLiteral("pageSizeBox"));
    pageSize_->addItem(QStringLiteral("Letter"), QStringLiteral("Letter"));
    pageSize_->addItem(QStringLiteral("A4"), QStringLiteral("A4"));
    orientation_ = new QComboBox;
    orientation_->setObjectName(QStringLiteral("orientationBox"));
    orientation_->addItem(QStringLiteral("Automatic"), int(ExportOptions::Orientation::Automatic));
    orientation_->addItem(QStringLiteral("Portrait"), int(ExportOptions::Orientation::Portrait));
    orientation_->addItem(QStringLiteral("Landscape"), int(ExportOptions::Orientation::Landscape));
    marginLeft_ = marginBox("marginLeftBox");
    marginRight_ = marginBox("marginRightBox");
    marginTop_ = marginBox("marginTopBox");
    marginBottom_ = marginBox("marginBottomBox");
    auto* margins = new QGridLayout;
    margins->addWidget(new QLabel(QStringLiteral("Left")), 0, 0);
    margins->addWidget(marginLeft_, 0, 1);
    margins->addWidget(new QLabel(QStringLiteral("Right")), 0, 2);
    margins->addWidget(marginRight_, 0, 3);
    margins->addWidget(new QLabel(QStringLiteral("Top")), 1, 0);
    margins->addWidget(marginTop_, 1, 1);
    margins->addWidget(new QLabel(QStringLiteral("Bottom")), 1, 2);
    margins->addWidget(marginBottom_, 1, 3);
    captionFont_ = new QFontComboBox;
    captionFont_->setObjectName(QStringLiteral("captionFontBox"));
    captionBold_ = new QCheckBox(QStringLiteral("&Bold"));
    captionBold_->setObjectName(QStringLiteral("captionBoldCheck"));
    captionCentred_ = new QCheckBox(QStringLiteral("&Centred"));
    captionCentred_->setObjectName(QStringLiteral("captionCentredCheck"));
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(captionFont_, 1);
    captionRow->addWidget(captionBold_);
    captionRow->addWidget(captionCentred_);
    dataFont_ = new QFontComboBox;
    dataFont_->setObjectName(QStringLiteral("dataFontBox"));
    // A font the merchant picks replaces one this computer lacks (see options()).
    for (QFontComboBox* box : {captionFont_, dataFont_})
        connect(box, &QFontComboBox::activated, box, [box] { box->setProperty("touched", true); });
    documentForm->addRow(QStringLiteral("&Paper:"), pageSize_);
    documentForm->addRow(QStringLiteral("O&rientation:"), orientation_);
    documentForm->addRow(QStringLiteral("Margins:"), margins);
    documentForm->addRow(QStringLiteral("Caption font:"), captionRow);
    documentForm->addRow(QStringLiteral("&Data font:"), dataFont_);
    stack_->addWidget(documentPage);

    auto* textPage = new QWidget;
    auto* textForm = new QFormLayout(textPage);
    separator_ = new QLineEdit;
    separator_->setObjectName(QStringLiteral("separatorEdit"));
    separator_->setMaxLength(1);
    separator_->setMaximumWidth(40);
    headerRow_ = new QCheckBox(QStringLiteral("Field names in the first &row"));
    headerRow_->setObjectName(QStringLiteral("headerRowCheck"));
    byteOrderMark_ = new QCheckBox(QStringLiteral("UTF-8 with &byte-order mark"));
    byteOrderMark_->setObjectName(QStringLiteral("byteOrderMarkCheck"));
    textForm->addRow(QStringLiteral("Field &separator:"), separator_);
    textForm->addRow(headerRow_);
    textForm->addRow(byteOrderMark_);
    markFormulas_ = new QCheckBox(QStringLiteral("&Keep text starting with =, +, - or @ from being read as a formula"));
    markFormulas_->setObjectName(QStringLiteral("markFormulasCheck"));
    markFormulas_->setToolTip(QStringLiteral("Such text is written with a leading apostrophe, which spreadsheet "
                                             "programs take as a mark for text. Leave it off for files that other "
                                             "programs read."));
    textForm->addRow(markFormulas_);
    stack_->addWidget(textPage);

    auto* plainPage = new QLabel(QStringLiteral("This format has no further options."));
    plainPage->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    stack_->addWidget(plainPage);

    optionsLayout->addWidget(stack_);
    middle->addWidget(optionsBox, 2);
    layout->addLayout(middle, 1);

    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("messageLabel"));
    layout->addWidget(message_);

    auto* buttons = new QDialogButtonBox;
    auto* save = buttons->addButton(QStringLiteral("&Save options"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("saveOptionsButton"));
    auto* load = buttons->addButton(QStringLiteral("&Load options"), QDialogButtonBox::ActionRole);
    load->setObjectName(QStringLiteral("loadOptionsButton"));
    auto* exportButton = buttons->addButton(QStringLiteral("E&xport"), QDialogButtonBox::AcceptRole);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setDefault(true);
    auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    layout->addWidget(buttons);

    connect(format_, &QComboBox::currentIndexChanged, this, &ExportDialog::formatChanged);
    connect(browse, &QToolButton::clicked, this, &ExportDialog::browse);
    connect(all, &QPushButton::clicked, this, [this] { setAllFields(true); });
    connect(none, &QPushButton::clicked, this, [this] { setAllFields(false); });
    connect(save, &QPushButton::clicked, this, &ExportDialog::saveOptions);
    connect(load, &QPushButton::clicked, this, &ExportDialog::loadOptions);
    connect(exportButton, &QPushButton::clicked, this, [this] {
        if (exportNow())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    const QList<QWidget*> order{format_, file_, browse, fields_, all, none, stack_, save, load, exportButton, cancel};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    format_->setFocus();
}

void ExportDialog::formatChanged()
{
    const auto format = ExportFormat(format_->currentData().toInt());
    stack_->setCurrentIndex(pageOf(format));
    const bool csv = format == ExportFormat::Csv;
    separator_->setEnabled(csv);
    byteOrderMark_->setEnabled(csv);
    // The file follows the format: its extension changes with it.
    const QString file = file_->text().trimmed();
    if (!file.isEmpty() && hasExportExtension(file)) {
        const QFileInfo info(file);
        const QString base = file.left(file.size() - info.suffix().size());
        file_->setText(base + ExportFormats::key(format));
    }
}

void ExportDialog::browse()
{
    const auto format = ExportFormat(format_->currentData().toInt());
    const QString chosen =
        QFileDialog::getSaveFileName(this, windowTitle(), completedFileName(), ExportFormats::fileFilter(format));
    if (chosen.isEmpty())
        return;
    file_->setText(QDir::toNativeSeparators(chosen));
    confirmedFile_ = completedFileName(); // the file dialog asked about replacing it
}

void ExportDialog::setAllFields(bool on)
{
    for (int i = 0; i < fields_->count(); ++i)
        fields_->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void ExportDialog::report(const QString& text)
{
    message_->setText(text);
}

QString ExportDialog::completedFileName() const
{
    const auto format = ExportFormat(format_->currentData().toInt());
    QString file = QDir::fromNativeSeparators(file_->text().trimmed());
    if (file.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString base = title_.isEmpty() ? QStringLiteral("Export") : title_;
        return QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(base + u'.' + ExportFormats::key(format));
    }
    if (QFileInfo(file).suffix().isEmpty())
        file += u'.' + ExportFormats::key(format);
    return QFileInfo(file).absoluteFilePath();
}

QString ExportDialog::fileName() const
{
    return completedFileName();
}

ExportOptions ExportDialog::options() const
{
    ExportOptions o = hidden_;
    o.format = ExportFormat(format_->currentData().toInt());
    o.fileName = QDir::fromNativeSeparators(file_->text().trimmed());
    o.omittedFields.clear();
    for (int i = 0; i < fields_->count(); ++i)
        if (fields_->item(i)->checkState() != Qt::Checked)
            o.omittedFields << fields_->item(i)->data(Qt::UserRole).toString();
    o.sheetTitle = sheetTitle_->text();
    o.footer = footer_->text();
    o.pageSize = pageSize_->currentData().toString();
    o.orientation = ExportOptions::Orientation(orientation_->currentData().toInt());
    o.marginLeft = marginLeft_->value();
    o.marginRight = marginRight_->value();
    o.marginTop = marginTop_->value();
    o.marginBottom = marginBottom_->value();
    o.captionFont = captionFont_->currentFont().family();
    o.dataFont = dataFont_->currentFont().family();
    // A font this computer lacks stays as the options name it.
    if (captionFont_->currentText() != hidden_.captionFont && !captionFont_->property("touched").toBool())
        o.captionFont = hidden_.captionFont;
    if (dataFont_->currentText() != hidden_.dataFont && !dataFont_->property("touched").toBool())
        o.dataFont = hidden_.dataFont;
    o.captionBold = captionBold_->isChecked();
    o.captionCentred = captionCentred_->isChecked();
    o.csvSeparator = separator_->text().isEmpty() ? hidden_.csvSeparator : separator_->text();
    o.headerRow = headerRow_->isChecked();
    o.byteOrderMark = byteOrderMark_->isChecked();
    o.markFormulas = markFormulas_->isChecked();
    o.title = title_;
    return o;
}

void ExportDialog::setOptions(const ExportOptions& o)
{
    hidden_ = o;
    format_->setCurrentIndex(std::max(0, format_->findData(int(o.format))));
    formatChanged();
    file_->setText(QDir::toNativeSeparators(o.fileName));
    for (int i = 0; i < fields_->count(); ++i) {
        QListWidgetItem* item = fields_->item(i);
        const bool omitted = o.omittedFields.contains(item->data(Qt::UserRole).toString(), Qt::CaseInsensitive);
        item->setCheckState(omitted ? Qt::Unchecked : Qt::Checked);
    }
    sheetTitle_->setText(o.sheetTitle);
    footer_->setText(o.footer);
    pageSize_->setCurrentIndex(std::max(0, pageSize_->findData(o.effectivePageSize())));
    orientation_->setCurrentIndex(std::max(0, orientation_->findData(int(o.orientation))));
    marginLeft_->setValue(o.marginLeft);
    marginRight_->setValue(o.marginRight);
    marginTop_->setValue(o.marginTop);
    marginBottom_->setValue(o.marginBottom);
    for (auto [box, family] : {std::pair{captionFont_, o.captionFont}, std::pair{dataFont_, o.dataFont}}) {
        box->setProperty("touched", false);
        box->setCurrentFont(QFont(family));
    }
    captionBold_->setChecked(o.captionBold);
    captionCentred_->setChecked(o.captionCentred);
    separator_->setText(o.csvSeparator);
    headerRow_->setChecked(o.headerRow);
    byteOrderMark_->setChecked(o.byteOrderMark);
    markFormulas_->setChecked(o.markFormulas);
}

void ExportDialog::loadOptions()
{
    ExportOptions o;
    try {
        o.load(optionsFile_);
        report(QFileInfo::exists(optionsFile_) ? QStringLiteral("Options loaded.") : QString());
    } catch (const std::exception& e) {
        report(QString::fromStdString(e.what()));
    }
    setOptions(o);
}

void ExportDialog::saveOptions()
{
    try {
        options().save(optionsFile_);
        report(QStringLiteral("Options saved."));
    } catch (const std::exception& e) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
    }
}

bool ExportDialog::exportNow()
{
    result_ = ExportResult();
    ExportOptions o = options();
    const QString path = completedFileName();
    if (o.fileName.isEmpty()) {
        file_->setText(QDir::toNativeSeparators(path));
        o.fileName = path;
    }
    if (Exporter::selectedFields(columns_, o).isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Choose at least one field to export."));
        return false;
    }
    if (QFileInfo::exists(path) && path != confirmedFile_) {
        const auto answer = QMessageBox::question(
            this, windowTitle(),
            QStringLiteral("\"%1\" already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
    }

    std::unique_ptr<RowSource> source;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        source = openSource_();
    } catch (const std::exception& e) {
        result_.error = QString::fromStdString(e.what());
    }
    if (source) {
        QProgressDialog progress(QStringLiteral("Exporting to \"%1\"...").arg(QFileInfo(path).fileName()),
                                 QStringLiteral("Cancel"), 0, 0, this);
        progress.setObjectName(QStringLiteral("exportProgress"));
        progress.setWindowTitle(windowTitle());
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        result_ = Exporter::run(*source, o, path, [&progress](qint64 done, qint64 total) {
            if (total > 0 && progress.maximum() != int(std::min<qint64>(total, INT_MAX)))
                progress.setMaximum(int(std::min<qint64>(total, INT_MAX)));
            progress.setValue(int(std::min<qint64>(done, INT_MAX)));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    }
    QApplication::restoreOverrideCursor();

    if (result_.cancelled) {
        report(QStringLiteral("The export was cancelled; no file was written."));
        return false;
    }
    if (!result_.ok) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("The export failed.\n%1").arg(result_.error));
        return false;
    }
    // The file as written is what the options remember next time.
    hidden_.fileName = o.fileName;
    return true;
}

} // namespace pelmora
