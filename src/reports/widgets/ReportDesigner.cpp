#include "reports/widgets/ReportDesigner.h"

#include "common/Error.h"
#include "reports/Expression.h"
#include "reports/ReportDocument.h"
#include "reports/widgets/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>

namespace pelmora::reports
{

namespace
{
// One change of the layout: the layout before and after.
class LayoutCommand : public QUndoCommand
{
  public:
    LayoutCommand(ReportDesigner& designer, ReportLayout before, ReportLayout after, const QString& what)
        : QUndoCommand(what), designer_(designer), before_(std::move(before)), after_(std::move(after))
    {
    }
    void undo() override { designer_.setCurrent(before_); }
    void redo() override { designer_.setCurrent(after_); }

  private:
    ReportDesigner& designer_;
    ReportLayout before_;
    ReportLayout after_;
};

// The field list drags "Pipeline.Field" for a detail pipeline's field and the bare name for
// the main one.
class FieldTree : public QTreeWidget
{
  public:
    using QTreeWidget::QTreeWidget;

  protected:
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override
    {
        if (items.isEmpty() || !items.first()->parent())
            return nullptr;
        auto* data = new QMimeData;
        const QString field = items.first()->data(0, Qt::UserRole).toString();
        data->setData(DesignCanvas::kFieldMime, field.toUtf8());
        data->setText(field);
        return data;
    }
};

const QList<std::pair<QString, Qt::Alignment>> kAlignments{
    {QStringLiteral("Left"), Qt::AlignLeft | Qt::AlignVCenter},
    {QStringLiteral("Centre"), Qt::AlignHCenter | Qt::AlignVCenter},
    {QStringLiteral("Right"), Qt::AlignRight | Qt::AlignVCenter},
    {QStringLiteral("Left, top"), Qt::AlignLeft | Qt::AlignTop},
    {QStringLiteral("Centre, top"), Qt::AlignHCenter | Qt::AlignTop},
    {QStringLiteral("Right, top"), Qt::AlignRight | Qt::AlignTop},
};
const QStringList kFormats{QString(),
                           QStringLiteral("money"),
                           QStringLiteral("number"),
                           QStringLiteral("integer"),
                           QStringLiteral("date"),
                           QStringLiteral("time"),
                           QStringLiteral("datetime"),
                           QStringLiteral("dd MMM yyyy")};

QDoubleSpinBox* millimetres(QWidget* parent, const char* name, double max)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, max);
    box->setDecimals(2);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" mm"));
    box->setKeyboardTracking(false);
    return box;
}
} // namespace

ReportDesigner::ReportDesigner(ReportRepository& repository, int reportId,
                               std::function<std::unique_ptr<DataPipelines>()> pipelines, QWidget* parent)
    : QDialog(parent), repository_(repository), reportId_(reportId), pipelines_(std::move(pipelines))
{
    setObjectName(QStringLiteral("reportDesigner"));
    setWindowTitle(kCaption);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    undo_ = new QUndoStack(this);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("designerToolbar"));
    canvas_ = new DesignCanvas(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(canvas_);
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll->setBackgroundRole(QPalette::Dark);
    fields_ = new FieldTree(this);
    fields_->setObjectName(QStringLiteral("designerFields"));
    fields_->setHeaderLabel(QStringLiteral("Fields"));
    fields_->setDragEnabled(true);
    fields_->setDragDropMode(QAbstractItemView::DragOnly);
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("designerProperties"));
    buildToolbar(bar);
    buildProperties(panel);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(fields_);
    splitter->addWidget(scroll);
    auto* panelScroll = new QScrollArea(this);
    panelScroll->setWidget(panel);
    panelScroll->setWidgetResizable(true);
    splitter->addWidget(panelScroll);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({140, 320, 200});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);

    // The canvas has already made its change; the undo list records it.
    connect(canvas_, &DesignCanvas::changed, this,
            [this](const ReportLayout& after, const QString& what) { change(after, what); });
    connect(canvas_, &DesignCanvas::selectionChanged, this, [this] { showProperties(); });
    connect(undo_, &QUndoStack::cleanChanged, this,
            [this](bool clean) { setWindowTitle(clean ? kCaption : kCaption + QStringLiteral(" *")); });

    resize(600, 400);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    try {
        const ReportLayout stored = repository_.load(reportId_);
        canvas_->setLayout(stored);
        committed_ = stored;
        loaded_ = true;
    } catch (const std::exception& e) {
        QMessageBox::warning(parent, kCaption, QString::fromUtf8(e.what()));
    }
    buildFieldList();
    showProperties();
}

ReportDesigner::~ReportDesigner()
{
    // The focus leaves the text while the dialog's widgets are destroyed, after this object.
    disconnect(qApp, nullptr, this, nullptr);
}

bool ReportDesigner::isModified() const
{
    return !undo_->isClean();
}

void ReportDesigner::change(const ReportLayout& layout, const QString& what)
{
    undo_->push(new LayoutCommand(*this, committed_, layout, what));
}

void ReportDesigner::setCurrent(const ReportLayout& layout)
{
    committed_ = layout;
    if (!(canvas_->layout() == layout))
        canvas_->setLayout(layout);
    else
        showProperties();
}

void ReportDesigner::buildToolbar(QToolBar* bar)
{
    auto add = [this, bar](const char* name, const QString& caption, const QKeySequence& key, auto slot) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        bar->addAction(a);
        return a;
    };
    add("actionDesignerSave", QStringLiteral("&Save"), QKeySequence::Save, [this] { save(); });
    QAction* undo = undo_->createUndoAction(this, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("actionDesignerUndo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = undo_->createRedoAction(this, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("actionDesignerRedo"));
    redo->setShortcut(QKeySequence::Redo);
    bar->addAction(undo);
    bar->addAction(redo);
    add("actionDesignerPreview", QStringLiteral("Pre&view"), Qt::Key_F9, [this] { preview(); });
    bar->addSeparator();

    auto* insert = new QToolButton(this);
    insert->setText(QStringLiteral("&Insert"));
    insert->setObjectName(QStringLiteral("designerInsert"));
    insert->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(insert);
    const QList<std::pair<QString, ElementKind>> kinds{{QStringLiteral("Text"), ElementKind::Text},
                                                       {QStringLiteral("Field"), ElementKind::Field},
                                                       {QStringLiteral("Expression"), ElementKind::Expression},
                                                       {QStringLiteral("Line"), ElementKind::Line},
                                                       {QStringLiteral("Rectangle"), ElementKind::Rectangle}};
    for (const auto& [caption, kind] : kinds)
        menu->addAction(caption, this, [this, kind = kind] { canvas_->addElement(kind); });
    menu->addAction(QStringLiteral("Image..."), this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Image"), QString(),
                                                          QStringLiteral("Images (*.png *.jpg *.jpeg)"));
        if (file.isEmpty())
            return;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly) || QImage::fromData(f.peek(f.size())).isNull()) {
            QMessageBox::warning(this, kCaption, QStringLiteral("\"%1\" is not an image that can be read.").arg(file));
            return;
        }
        canvas_->addElement(ElementKind::Image, f.readAll());
    });
    menu->addSeparator();
    auto* bands = menu->addMenu(QStringLiteral("Band"));
    for (BandKind kind : {BandKind::Title, BandKind::PageHeader, BandKind::GroupHeader, BandKind::Detail,
                          BandKind::SubDetailHeader, BandKind::SubDetail, BandKind::SubDetailFooter,
                          BandKind::GroupFooter, BandKind::Summary, BandKind::PageFooter})
        bands->addAction(ReportLayout::kindCaption(kind), this, [this, kind] { addBand(kind); });
    insert->setMenu(menu);
    bar->addWidget(insert);
    add("actionDesignerDelete", QStringLiteral("&Delete"), {}, [this] {
        if (canvas_->selection().element >= 0)
            canvas_->deleteSelection();
        else
            removeSelectedBand();
    });
    auto* zoom = new QComboBox(this);
    zoom->setObjectName(QStringLiteral("designerZoom"));
    for (int z : {50, 75, 100, 125, 150, 200})
        zoom->addItem(QStringLiteral("%1 %").arg(z), z);
    zoom->setCurrentIndex(2);
    connect(zoom, &QComboBox::activated, this,
            [this, zoom](int i) { canvas_->setZoom(zoom->itemData(i).toInt() / 100.0 * logicalDpiX() / 25.4); });
    bar->addWidget(zoom);
}

void ReportDesigner::buildFieldList()
{
    fields_->clear();
    std::unique_ptr<DataPipelines> data;
    try {
        data = pipelines_();
    } catch (const std::exception&) {
        return; // the designer works without a field list
    }
    if (!data)
        return;
    const ReportLayout& l = canvas_->layout();
    for (const QString& pipeline : data->pipelineNames()) {
        auto* top = new QTreeWidgetItem({pipeline});
        for (const QString& field : data->fieldNames(pipeline)) {
            auto* item = new QTreeWidgetItem({field});
            const bool detail = pipeline.compare(l.detailPipeline, Qt::CaseInsensitive) == 0;
            item->setData(0, Qt::UserRole, detail ? pipeline + QLatin1Char('.') + field : field);
            top->addChild(item);
        }
        fields_->addTopLevelItem(top);
    }
    if (fields_->topLevelItemCount() > 0)
        fields_->topLevelItem(0)->setExpanded(true);
}

void ReportDesigner::buildProperties(QWidget* panel)
{
    form_ = new QFormLayout(panel);
    form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    name_ = new QLineEdit(panel);
    name_->setObjectName(QStringLiteral("propertyReportName"));
    text_ = new QPlainTextEdit(panel);
    text_->setObjectName(QStringLiteral("propertyText"));
    text_->setMaximumHeight(60);
    text_->setTabChangesFocus(true);
    x_ = millimetres(panel, "propertyX", 2000);
    y_ = millimetres(panel, "propertyY", 2000);
    width_ = millimetres(panel, "propertyWidth", 2000);
    height_ = millimetres(panel, "propertyHeight", 2000);
    font_ = new QFontComboBox(panel);
    font_->setObjectName(QStringLiteral("propertyFont"));
    size_ = new QDoubleSpinBox(panel);
    size_->setObjectName(QStringLiteral("propertyFontSize"));
    size_->setRange(4, 96);
    size_->setSuffix(QStringLiteral(" pt"));
    size_->setKeyboardTracking(false);
    bold_ = new QCheckBox(QStringLiteral("Bold"), panel);
    bold_->setObjectName(QStringLiteral("propertyBold"));
    italic_ = new QCheckBox(QStringLiteral("Italic"), panel);
    italic_->setObjectName(QStringLiteral("propertyItalic"));
    align_ = new QComboBox(panel);
    align_->setObjectName(QStringLiteral("propertyAlignment"));
    for (const auto& [caption, a] : kAlignments)
        align_->addItem(caption, int(a));
    frame_ = new QCheckBox(QStringLiteral("Frame"), panel);
    frame_->setObjectName(QStringLiteral("propertyFrame"));
    wrap_ = new QCheckBox(QStringLiteral("Wrap words"), panel);
    wrap_->setObjectName(QStringLiteral("propertyWrap"));
    format_ = new QComboBox(panel);
    format_->setObjectName(QStringLiteral("propertyFormat"));
    format_->setEditable(true);
    format_->addItems(kFormats);
    color_ = new QLineEdit(panel);
    color_->setObjectName(QStringLiteral("propertyColor"));
    color_->setPlaceholderText(QStringLiteral("#000000"));
    background_ = new QLineEdit(panel);
    background_->setObjectName(QStringLiteral("propertyBackground"));
    background_->setPlaceholderText(QStringLiteral("none"));
    bandHeight_ = millimetres(panel, "propertyBandHeight", 500);
    groupField_ = new QLineEdit(panel);
    groupField_->setObjectName(QStringLiteral("propertyGroupField"));
    newPage_ = new QCheckBox(QStringLiteral("Each row on a new page"), panel);
    newPage_->setObjectName(QStringLiteral("propertyNewPage"));

    form_->addRow(QStringLiteral("Report"), name_);
    form_->addRow(QStringLiteral("Text"), text_);
    form_->addRow(QStringLiteral("Left"), x_);
    form_->addRow(QStringLiteral("Top"), y_);
    form_->addRow(QStringLiteral("Width"), width_);
    form_->addRow(QStringLiteral("Height"), height_);
    form_->addRow(QStringLiteral("Font"), font_);
    form_->addRow(QStringLiteral("Size"), size_);
    form_->addRow(QString(), bold_);
    form_->addRow(QString(), italic_);
    form_->addRow(QStringLiteral("Alignment"), align_);
    form_->addRow(QString(), frame_);
    form_->addRow(QString(), wrap_);
    form_->addRow(QStringLiteral("Format"), format_);
    form_->addRow(QStringLiteral("Colour"), color_);
    form_->addRow(QStringLiteral("Background"), background_);
    form_->addRow(QStringLiteral("Band height"), bandHeight_);
    form_->addRow(QStringLiteral("Group field"), groupField_);
    form_->addRow(QString(), newPage_);

    auto apply = [this] { applyProperties(); };
    connect(name_, &QLineEdit::editingFinished, this, apply);
    for (QDoubleSpinBox* box : {x_, y_, width_, height_, size_, bandHeight_})
        connect(box, &QDoubleSpinBox::valueChanged, this, apply);
    for (QCheckBox* box : {bold_, italic_, frame_, wrap_, newPage_})
        connect(box, &QCheckBox::toggled, this, apply);
    connect(font_, &QFontComboBox::currentFontChanged, this, apply);
    connect(align_, &QComboBox::activated, this, apply);
    connect(format_, &QComboBox::currentTextChanged, this, apply);
    for (QLineEdit* edit : {color_, background_, groupField_})
        connect(edit, &QLineEdit::editingFinished, this, apply);
    connect(text_, &QPlainTextEdit::textChanged, this, [this] {
        if (!updating_ && !text_->hasFocus())
            applyProperties();
    });
    // The text applies when the merchant leaves it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget*) {
        if (old == text_)
            applyProperties();
    });
}

void ReportDesigner::showProperties()
{
    updating_ = true;
    const ReportLayout& l = canvas_->layout();
    const DesignSelection s = canvas_->selection();
    const bool band = s.band >= 0;
    const bool element = band && s.element >= 0;
    name_->setText(l.name);
    const Element e = element ? l.bands.at(s.band).elements.at(s.element) : Element();
    const bool textual =
        element && (e.kind == ElementKind::Text || e.kind == ElementKind::Field || e.kind == ElementKind::Expression);
    text_->setPlainText(element ? e.text : QString());
    x_->setValue(e.rect.x());
    y_->setValue(e.rect.y());
    width_->setValue(e.rect.width());
    height_->setValue(e.rect.height());
    font_->setCurrentFont(QFont(e.fontFamily));
    size_->setValue(e.fontSize);
    bold_->setChecked(e.bold);
    italic_->setChecked(e.italic);
    int a = 0;
    for (int i = 0; i < kAlignments.size(); ++i)
        if (kAlignments.at(i).second == e.alignment)
            a = i;
    align_->setCurrentIndex(a);
    frame_->setChecked(e.frame);
    wrap_->setChecked(e.wordWrap);
    format_->setCurrentText(e.format);
    color_->setText(element ? e.color.name() : QString());
    background_->setText(e.background.isValid() ? e.background.name() : QString());
    const Band b = band ? l.bands.at(s.band) : Band();
    bandHeight_->setValue(b.height);
    groupField_->setText(b.groupField);
    newPage_->setChecked(b.newPageBefore);
    for (QWidget* w : std::initializer_list<QWidget*>{text_, x_, y_, width_, height_, frame_, color_})
        w->setEnabled(element);
    for (QWidget* w : std::initializer_list<QWidget*>{font_, size_, bold_, italic_, align_, wrap_, format_})
        w->setEnabled(textual);
    background_->setEnabled(element && e.kind != ElementKind::Line && e.kind != ElementKind::Image);
    bandHeight_->setEnabled(band);
    const bool grouping = band && (b.kind == BandKind::GroupHeader || b.kind == BandKind::GroupFooter);
    groupField_->setEnabled(grouping);
    newPage_->setEnabled(band && b.kind == BandKind::Detail);
    updating_ = false;
}

void ReportDesigner::applyProperties()
{
    if (updating_ || !loaded_)
        return;
    ReportLayout l = canvas_->layout();
    const DesignSelection s = canvas_->selection();
    if (!name_->text().trimmed().isEmpty())
        l.name = name_->text().trimmed();
    if (s.band >= 0) {
        Band& b = l.bands[s.band];
        double lowest = 0;
        for (const Element& e : b.elements)
            lowest = std::max(lowest, e.rect.bottom());
        b.height = std::clamp(bandHeight_->value(), s.element >= 0 ? 0.0 : lowest, l.bodyHeight());
        if (groupField_->isEnabled())
            b.groupField = groupField_->text().trimmed();
        if (newPage_->isEnabled())
            b.newPageBefore = newPage_->isChecked();
        if (s.element >= 0) {
            Element& e = b.elements[s.element];
            e.text = text_->toPlainText();
            e.rect = QRectF(x_->value(), y_->value(), width_->value(), height_->value());
            e.fontFamily = font_->currentFont().family();
            e.fontSize = size_->value();
            e.bold = bold_->isChecked();
            e.italic = italic_->isChecked();
            e.alignment = Qt::Alignment(align_->currentData().toInt());
            e.frame = frame_->isChecked();
            e.wordWrap = wrap_->isChecked();
            e.format = format_->currentText().trimmed();
            const QColor color(color_->text().trimmed());
            if (color.isValid())
                e.color = color;
            const QString background = background_->text().trimmed();
            e.background = background.isEmpty() ? QColor() : QColor(background);
            if (e.kind == ElementKind::Expression) {
                try {
                    Expression check(e.text);
                } catch (const std::exception& error) {
                    QMessageBox::warning(this, kCaption, QString::fromUtf8(error.what()));
                    return;
                }
            }
        }
    }
    if (l == canvas_->layout())
        return;
    change(l, QStringLiteral("Properties"));
}

void ReportDesigner::addBand(BandKind kind)
{
    ReportLayout l = canvas_->layout();
    Band& band = l.addBand(kind);
    band.height = kind == BandKind::Title ? 14 : 8;
    change(l, QStringLiteral("Add %1").arg(ReportLayout::kindCaption(kind)));
}

void ReportDesigner::removeSelectedBand()
{
    const DesignSelection s = canvas_->selection();
    if (s.band < 0)
        return;
    ReportLayout l = canvas_->layout();
    l.bands.removeAt(s.band);
    change(l, QStringLiteral("Remove band"));
}

bool ReportDesigner::save()
{
    if (!loaded_)
        return false;
    try {
        repository_.save(reportId_, canvas_->layout());
        undo_->setClean();
        return true;
    } catch (const std::exception& e) {
        QMessageBox::warning(this, kCaption, QString::fromUtf8(e.what()));
        return false;
    }
}

void ReportDesigner::preview()
{
    const ReportLayout base = canvas_->layout();
    auto factory = [this, base](const QPageLayout& page) -> std::unique_ptr<PageSource> {
        ReportLayout l = base;
        l.setPageLayout(page);
        return std::make_unique<ReportDocument>(l, pipelines_());
    };
    ReportPreview preview(factory, base.pageLayout(), base.zoom, this);
    preview.exec();
}

bool ReportDesigner::askToSave()
{
    if (!isModified())
        return true;
    const auto answer =
        QMessageBox::question(this, kCaption, QStringLiteral("Save the changes to \"%1\"?").arg(layout().name),
                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    return answer == QMessageBox::Discard || save();
}

void ReportDesigner::closeEvent(QCloseEvent* event)
{
    if (askToSave())
        event->accept();
    else
        event->ignore();
}

void ReportDesigner::reject()
{
    if (askToSave())
        QDialog::reject();
}

} // namespace pelmora::reports
