#include "toolkit/widgets/CategoryInspector.h"

#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/GridViews.h"
#include "toolkit/widgets/InspectorModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QSettings>
#include <QStyle>
#include <QVBoxLayout>

namespace pelmora::toolkit
{

namespace
{

constexpr int kCaptionWidth = 118;
constexpr int kMinimumValueWidth = 100;

// The inspector's tree: grid lines between the cells, and Tab walking the value cells.
class InspectorView : public EditingView<QTreeView>
{
  public:
    using EditingView<QTreeView>::EditingView;
    QColor lineColor = QColor(159, 174, 174);

  protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QTreeView::drawRow(painter, option, index);
        painter->save();
        painter->setPen(lineColor);
        painter->drawLine(option.rect.left(), option.rect.bottom(), option.rect.right(), option.rect.bottom());
        if (!isFirstColumnSpanned(index.row(), index.parent())) {
            const int x = columnViewportPosition(1) - 1;
            painter->drawLine(x, option.rect.top(), x, option.rect.bottom());
        }
        painter->restore();
    }

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (action != MoveNext && action != MovePrevious)
            return QTreeView::moveCursor(action, modifiers);
        // Tab goes to the next value cell (through categories and children as they are shown).
        QModelIndex at = currentIndex().siblingAtColumn(0);
        while (true) {
            at = action == MoveNext ? indexBelow(at) : indexAbove(at);
            if (!at.isValid())
                return currentIndex();
            const QModelIndex value = at.siblingAtColumn(1);
            if (value.flags() & Qt::ItemIsEditable)
                return value;
        }
    }
};

} // namespace

CategoryInspector::CategoryInspector(QWidget* parent) : QWidget(parent), m_model(std::make_unique<InspectorModel>())
{
    setObjectName(QStringLiteral("categoryInspector"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto view = std::make_unique<InspectorView>(this);
    InspectorView* inspectorView = view.get();
    m_view = std::move(view);
    m_view->setObjectName(QStringLiteral("inspectorView"));
    m_view->setModel(m_model.get());
    m_view->header()->hide();
    m_view->header()->setMinimumSectionSize(20);
    // The values take whatever width the captions leave, so a right-aligned amount is never
    // past the pane's edge and nothing can scroll sideways; only a pane narrower than the
    // captions and the values' minimum gets a scroll bar.
    m_view->header()->setStretchLastSection(true);
    m_view->setColumnWidth(0, kCaptionWidth);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::DoubleClicked);
    m_view->setAllColumnsShowFocus(false);
    m_view->setTextElideMode(Qt::ElideRight);
    setMinimumValueWidth(kMinimumValueWidth);
    layout->addWidget(m_view.get());

    m_delegate = std::make_unique<CellEditorDelegate>();
    m_delegate->setObjectName(QStringLiteral("inspectorDelegate"));
    m_delegate->setColumnResolver([this](const QModelIndex& index) -> const GridColumn* {
        return index.column() == 1 ? m_model->columnAt(index) : nullptr;
    });
    inspectorView->setCellDelegate(m_delegate.get());
    connect(m_delegate.get(), &CellEditorDelegate::linkActivated, this, [this](const QModelIndex& index) {
        if (const GridColumn* column = m_model->columnAt(index))
            emit linkActivated(column->field, index.data(Qt::EditRole));
    });
    connect(m_delegate.get(), &CellEditorDelegate::valueChanged, this,
            [this](const QModelIndex& index, const QVariant& value) {
                if (const GridColumn* column = m_model->columnAt(index))
                    emit valueChanged(column->field, value);
            });
    // A click on a caption edits its value.
    connect(m_view.get(), &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() != 0 || m_model->isCategory(index))
            return;
        const QModelIndex value = index.siblingAtColumn(1);
        const GridColumn* column = m_model->columnAt(value);
        m_view->setCurrentIndex(value);
        if (column && column->editor != EditorKind::CheckBox && column->editor != EditorKind::Link)
            m_view->edit(value);
    });
}

CategoryInspector::~CategoryInspector() = default;

void CategoryInspector::setCategories(const QList<InspectorCategory>& categories)
{
    m_categories = categories;
    m_model->setCategories(categories);
    spanCategories();
    for (const InspectorCategory& category : categories)
        setCategoryExpanded(category.caption, category.expanded);
}

QList<InspectorCategory> CategoryInspector::categories() const
{
    QList<InspectorCategory> out = m_categories;
    for (InspectorCategory& category : out)
        category.expanded = isCategoryExpanded(category.caption);
    return out;
}

void CategoryInspector::spanCategories()
{
    for (int row = 0; row < m_model->rowCount(); ++row)
        m_view->setFirstColumnSpanned(row, QModelIndex(), true);
}

void CategoryInspector::setModel(QAbstractItemModel* model)
{
    m_model->setSource(model);
    if (auto* sql = qobject_cast<SqlTableModel*>(model))
        m_delegate->setLookupConnectionName(sql->connectionName());
}

QAbstractItemModel* CategoryInspector::model() const
{
    return m_model->source();
}

void CategoryInspector::setCurrentRow(int row)
{
    // An open editor belongs to the record it was opened on.
    postEditedValue(m_view.get());
    m_model->setCurrentRow(row);
    m_view->viewport()->update();
}

int CategoryInspector::currentRow() const
{
    return m_model->currentRow();
}

void CategoryInspector::setCaptionWidth(int pixels)
{
    m_view->setColumnWidth(0, pixels);
}

void CategoryInspector::setMinimumValueWidth(int pixels)
{
    // Room for the frame and a vertical scroll bar too, so the values keep their minimum.
    const int scrollBar = m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view.get());
    m_view->setMinimumWidth(m_view->columnWidth(0) + pixels + 2 * m_view->frameWidth() + scrollBar);
}

void CategoryInspector::setGridLineColor(const QColor& color)
{
    static_cast<InspectorView*>(m_view.get())->lineColor = color;
    m_view->viewport()->update();
}

void CategoryInspector::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_model->setReadOnly(readOnly);
}

bool CategoryInspector::isCategoryExpanded(const QString& caption) const
{
    return m_view->isExpanded(m_model->categoryIndex(caption));
}

void CategoryInspector::setCategoryExpanded(const QString& caption, bool expanded)
{
    const QModelIndex index = m_model->categoryIndex(caption);
    if (index.isValid())
        m_view->setExpanded(index, expanded);
}

QTreeView* CategoryInspector::view() const
{
    return m_view.get();
}

CellEditorDelegate* CategoryInspector::delegate() const
{
    return m_delegate.get();
}

QModelIndex CategoryInspector::valueIndex(const QString& field) const
{
    return m_model->fieldIndex(field, 1);
}

QVariantMap CategoryInspector::layoutProperties() const
{
    QVariantMap out;
    out.insert(QStringLiteral("Width"), width());
    for (const InspectorCategory& category : m_categories)
        out.insert(QStringLiteral("Category.") + category.caption + QStringLiteral(".Expanded"),
                   isCategoryExpanded(category.caption));
    return out;
}

void CategoryInspector::setLayoutProperties(const QVariantMap& properties)
{
    for (const InspectorCategory& category : std::as_const(m_categories)) {
        const QString key = QStringLiteral("Category.") + category.caption + QStringLiteral(".Expanded");
        if (properties.contains(key))
            setCategoryExpanded(category.caption, properties.value(key).toBool());
    }
    // The width is the owner's to apply (it usually sits in a splitter).
}

void CategoryInspector::saveLayout(QSettings& settings, const QString& group) const
{
    settings.beginGroup(group);
    settings.remove(QString());
    const QVariantMap properties = layoutProperties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.endGroup();
}

void CategoryInspector::restoreLayout(QSettings& settings, const QString& group)
{
    settings.beginGroup(group);
    QVariantMap properties;
    for (const QString& key : settings.childKeys())
        properties.insert(key, settings.value(key));
    settings.endGroup();
    setLayoutProperties(properties);
}

} // namespace pelmora::toolkit
