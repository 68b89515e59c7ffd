#include "toolkit/widgets/ConditionBuilderDialog.h"

#include "toolkit/widgets/DisplayFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelmora::toolkit
{

namespace
{

constexpr int kIsGroupRole = Qt::UserRole + 1;

const QStringList& operatorTexts()
{
    static const QStringList texts{
        QStringLiteral("="),   QStringLiteral("<>"), QStringLiteral("<"),        QStringLiteral("<="),
        QStringLiteral(">"),   QStringLiteral(">="), QStringLiteral("is blank"), QStringLiteral("is not blank"),
        QStringLiteral("like")};
    return texts;
}

constexpr int kBlankIndex = 6;
constexpr int kNonBlankIndex = 7;
constexpr int kLikeIndex = 8;

QVariant parseValue(const QString& text, EditorKind kind)
{
    const QString trimmed = text.trimmed();
    switch (kind) {
    case EditorKind::Date: {
        for (const QString& format :
             {QStringLiteral("MM/dd/yyyy"), QStringLiteral("M/d/yyyy"), QStringLiteral("yyyy-MM-dd")}) {
            const QDate date = QDate::fromString(trimmed, format);
            if (date.isValid())
                return date;
        }
        const QDate local = QLocale().toDate(trimmed, DisplayFormat::defaultDateFormat());
        return local.isValid() ? QVariant(local) : QVariant(trimmed);
    }
    case EditorKind::Time: {
        const QTime time = DisplayFormat::toTime(trimmed);
        return time.isValid() ? QVariant(time) : QVariant(trimmed);
    }
    case EditorKind::Currency:
    case EditorKind::Number: {
        bool ok = false;
        const double number = QLocale().toDouble(trimmed, &ok);
        return ok ? QVariant(number) : QVariant(trimmed);
    }
    default:
        return text;
    }
}

QString valueText(const QVariant& value, EditorKind kind)
{
    if (kind == EditorKind::Date && DisplayFormat::toDate(value).isValid())
        return DisplayFormat::toDate(value).toString(QStringLiteral("MM/dd/yyyy"));
    if (kind == EditorKind::Time && DisplayFormat::toTime(value).isValid())
        return DisplayFormat::toTime(value).toString(QStringLiteral("HH:mm:ss"));
    return value.toString();
}

} // namespace

ConditionBuilderDialog::ConditionBuilderDialog(const QList<GridColumn>& columns, const FilterCondition& root,
                                               QWidget* parent)
    : QDialog(parent), m_columns(columns)
{
    setObjectName(QStringLiteral("conditionBuilder"));
    setWindowTitle(tr("Filter builder"));
    resize(560, 320);
    auto* layout = new QVBoxLayout(this);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("builderTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    layout->addWidget(m_tree, 1);

    auto* buttons = new QHBoxLayout;
    auto* addConditionButton = new QPushButton(tr("Add condition"), this);
    addConditionButton->setObjectName(QStringLiteral("builderAddCondition"));
    auto* addGroupButton = new QPushButton(tr("Add group"), this);
    addGroupButton->setObjectName(QStringLiteral("builderAddGroup"));
    auto* remove = new QPushButton(tr("Remove"), this);
    remove->setObjectName(QStringLiteral("builderRemove"));
    buttons->addWidget(addConditionButton);
    buttons->addWidget(addGroupButton);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->setObjectName(QStringLiteral("builderButtons"));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(addConditionButton, &QPushButton::clicked, this, [this] {
        QTreeWidgetItem* item = addCondition(groupOf(m_tree->currentItem()));
        m_tree->setCurrentItem(item);
    });
    connect(addGroupButton, &QPushButton::clicked, this, [this] {
        QTreeWidgetItem* item = addGroup(groupOf(m_tree->currentItem()));
        m_tree->setCurrentItem(item);
    });
    connect(remove, &QPushButton::clicked, this, [this] { removeItem(m_tree->currentItem()); });

    const FilterCondition top = root.isGroup() ? root : FilterCondition::all({root});
    m_root = addGroup(nullptr, top);
    m_tree->expandAll();
    m_tree->setCurrentItem(m_root);
}

QTreeWidget* ConditionBuilderDialog::tree() const
{
    return m_tree;
}

QTreeWidgetItem* ConditionBuilderDialog::rootItem() const
{
    return m_root;
}

const GridColumn* ConditionBuilderDialog::columnOf(const QString& field) const
{
    for (const GridColumn& c : m_columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QTreeWidgetItem* ConditionBuilderDialog::groupOf(QTreeWidgetItem* item) const
{
    if (!item)
        return m_root;
    return item->data(0, kIsGroupRole).toBool() ? item : item->parent();
}

QTreeWidgetItem* ConditionBuilderDialog::addGroup(QTreeWidgetItem* group, const FilterCondition& node)
{
    auto* item = group ? new QTreeWidgetItem(group) : new QTreeWidgetItem(m_tree);
    item->setData(0, kIsGroupRole, true);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* join = new QComboBox(row);
    join->setObjectName(QStringLiteral("builderGroupJoin"));
    join->addItems({QStringLiteral("AND"), QStringLiteral("OR")});
    join->setCurrentIndex(node.kind() == FilterCondition::Kind::Any ? 1 : 0);
    auto* negate = new QCheckBox(QStringLiteral("NOT"), row);
    negate->setObjectName(QStringLiteral("builderGroupNot"));
    negate->setChecked(node.isNegated());
    layout->addWidget(join);
    layout->addWidget(negate);
    layout->addStretch(1);
    m_tree->setItemWidget(item, 0, row);
    item->setSizeHint(0, row->sizeHint());
    for (const FilterCondition& child : node.conditions()) {
        if (child.isGroup())
            addGroup(item, child);
        else
            addCondition(item, child);
    }
    item->setExpanded(true);
    return item;
}

QTreeWidgetItem* ConditionBuilderDialog::addCondition(QTreeWidgetItem* group, const FilterCondition& condition)
{
    auto* item = new QTreeWidgetItem(group ? group : m_root);
    item->setData(0, kIsGroupRole, false);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* field = new QComboBox(row);
    field->setObjectName(QStringLiteral("builderField"));
    for (const GridColumn& c : std::as_const(m_columns))
        if (c.filterable)
            field->addItem(c.title(), c.field);
    auto* op = new QComboBox(row);
    op->setObjectName(QStringLiteral("builderOperator"));
    op->addItems(operatorTexts());
    auto* value = new QLineEdit(row);
    value->setObjectName(QStringLiteral("builderValue"));
    layout->addWidget(field);
    layout->addWidget(op);
    layout->addWidget(value, 1);
    if (!condition.isGroup()) {
        const int at = field->findData(condition.field(), Qt::UserRole, Qt::MatchFixedString);
        if (at >= 0)
            field->setCurrentIndex(at);
        const GridColumn* column = columnOf(condition.field());
        switch (condition.op()) {
        case FilterCondition::Operator::IsBlank:
            op->setCurrentIndex(kBlankIndex);
            break;
        case FilterCondition::Operator::IsNotBlank:
            op->setCurrentIndex(kNonBlankIndex);
            break;
        case FilterCondition::Operator::Like:
            op->setCurrentIndex(kLikeIndex);
            break;
        default:
            op->setCurrentIndex(int(condition.op()));
            break;
        }
        value->setText(valueText(condition.value(), column ? column->editor : EditorKind::Text));
    }
    auto takesValue = [](int index) { return index != kBlankIndex && index != kNonBlankIndex; };
    connect(op, &QComboBox::currentIndexChanged, value,
            [value, takesValue](int index) { value->setEnabled(takesValue(index)); });
    value->setEnabled(takesValue(op->currentIndex()));
    m_tree->setItemWidget(item, 0, row);
    item->setSizeHint(0, row->sizeHint());
    return item;
}

void ConditionBuilderDialog::removeItem(QTreeWidgetItem* item)
{
    if (!item || item == m_root)
        return;
    delete item;
}

FilterCondition ConditionBuilderDialog::nodeOf(QTreeWidgetItem* item) const
{
    QWidget* row = m_tree->itemWidget(item, 0);
    if (item->data(0, kIsGroupRole).toBool()) {
        QList<FilterCondition> children;
        for (int i = 0; i < item->childCount(); ++i) {
            const FilterCondition child = nodeOf(item->child(i));
            if (!child.isEmpty())
                children << child;
        }
        const bool any = row->findChild<QComboBox*>(QStringLiteral("builderGroupJoin"))->currentIndex() == 1;
        FilterCondition node = any ? FilterCondition::any(children) : FilterCondition::all(children);
        node.setNegated(row->findChild<QCheckBox*>(QStringLiteral("builderGroupNot"))->isChecked());
        return node;
    }
    const auto* field = row->findChild<QComboBox*>(QStringLiteral("builderField"));
    const auto* op = row->findChild<QComboBox*>(QStringLiteral("builderOperator"));
    const auto* value = row->findChild<QLineEdit*>(QStringLiteral("builderValue"));
    const QString name = field->currentData().toString();
    if (name.isEmpty())
        return {};
    const GridColumn* column = columnOf(name);
    EditorKind kind = column ? column->editor : EditorKind::Text;
    if (kind == EditorKind::Lookup || kind == EditorKind::Memo || kind == EditorKind::Link ||
        kind == EditorKind::Password)
        kind = EditorKind::Text;
    switch (op->currentIndex()) {
    case kBlankIndex:
        return FilterCondition::blank(name);
    case kNonBlankIndex:
        return FilterCondition::notBlank(name);
    case kLikeIndex:
        return FilterCondition::compare(name, FilterCondition::Operator::Like, value->text());
    default:
        return FilterCondition::compare(name, FilterCondition::Operator(op->currentIndex()),
                                        parseValue(value->text(), kind));
    }
}

FilterCondition ConditionBuilderDialog::condition() const
{
    return nodeOf(m_root);
}

} // namespace pelmora::toolkit
