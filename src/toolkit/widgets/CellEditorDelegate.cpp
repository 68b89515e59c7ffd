#include "toolkit/widgets/CellEditorDelegate.h"

#include "toolkit/LookupList.h"
#include "toolkit/SqlGroupModel.h"
#include "toolkit/widgets/DisplayFormat.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleValidator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSqlDatabase>
#include <QTimeEdit>
#include <QTreeView>

namespace pelmora::toolkit
{

namespace
{

// The value an editor was filled with, so that an unchanged cell is not posted again.
constexpr char kOriginal[] = "pelmoraOriginal";
constexpr int kMemoMinimumHeight = 80;
constexpr int kDropDownButtonWidth = 16;
// Behind the words a search found.
const QColor kHighlightColor(255, 226, 110);
// The frame of the focused cell: dark enough to find at a glance on any row colour.
const QColor kFocusFrame(24, 48, 160);

bool isNumeric(EditorKind kind)
{
    return kind == EditorKind::Currency || kind == EditorKind::Number;
}

// A list the merchant keeps is short; this only bounds a table that is not.
constexpr int kMaxLookupValues = 10000;

QVariant numberFromText(const QString& input, const QLocale& locale)
{
    QString text = input.trimmed();
    if (text.isEmpty())
        return {};
    // An amount typed the way it is shown, "(1,234.50)", is negative.
    bool negative = false;
    if (text.startsWith(u'(') && text.endsWith(u')')) {
        negative = true;
        text = text.mid(1, text.size() - 2);
    }
    bool ok = false;
    double value = locale.toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok)
        return {};
    return negative ? -value : value;
}

} // namespace

CellEditorDelegate::CellEditorDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
}

void CellEditorDelegate::setColumnResolver(ColumnResolver resolver)
{
    m_resolver = std::move(resolver);
}

const GridColumn* CellEditorDelegate::columnFor(const QModelIndex& index) const
{
    return m_resolver ? m_resolver(index) : nullptr;
}

void CellEditorDelegate::setEditGuard(EditGuard guard)
{
    m_guard = std::move(guard);
}

void CellEditorDelegate::setStyleCallback(CellStyleCallback callback)
{
    m_style = std::move(callback);
}

void CellEditorDelegate::setRowHeight(int pixels)
{
    m_rowHeight = pixels;
}

void CellEditorDelegate::setLookupConnectionName(const QString& name)
{
    m_lookupConnection = name;
}

QString CellEditorDelegate::formatValue(const GridColumn* column, const QVariant& value, const QLocale& locale)
{
    if (value.isNull() || !column)
        return value.toString();
    switch (column->editor) {
    case EditorKind::Currency:
    case EditorKind::Number: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok)
            return value.toString();
        if (column->displayFormat.isEmpty())
            return column->editor == EditorKind::Currency
                       ? DisplayFormat::formatNumber(number, QStringLiteral(",0.00"), locale)
                       : locale.toString(number, 'g', 15);
        return DisplayFormat::formatNumber(number, column->displayFormat, locale);
    }
    case EditorKind::Date: {
        const QDate date = DisplayFormat::toDate(value);
        if (!date.isValid())
            return value.toString();
        return locale.toString(date, column->displayFormat.isEmpty() ? DisplayFormat::defaultDateFormat(locale)
                                                                     : column->displayFormat);
    }
    case EditorKind::Time: {
        const QTime time = DisplayFormat::toTime(value);
        if (!time.isValid())
            return value.toString();
        return locale.toString(time, column->displayFormat.isEmpty() ? DisplayFormat::defaultTimeFormat(locale)
                                                                     : column->displayFormat);
    }
    case EditorKind::CheckBox:
        return {};
    case EditorKind::Password:
        return QString(value.toString().size(), QChar(0x25CF));
    default:
        return value.toString();
    }
}

QStringList CellEditorDelegate::lookupValues(const LookupSource& source, const QString& defaultConnection,
                                             QString* error)
{
    QStringList values = source.values;
    if (source.provider)
        values += source.provider();
    if (!source.table.isEmpty() && !source.field.isEmpty()) {
        const QString connection = !source.connectionName.isEmpty() ? source.connectionName
                                   : !defaultConnection.isEmpty()
                                       ? defaultConnection
                                       : QString::fromLatin1(QSqlDatabase::defaultConnection);
        // In the order the merchant entered the list in.
        const LookupList list = LookupList::load(connection, source.table, source.field, kMaxLookupValues, {},
                                                 LookupList::Order::AsEntered);
        values += list.texts();
        if (!list.ok() && error)
            *error = list.error;
    }
    values.removeDuplicates();
    return values;
}

bool CellEditorDelegate::opensEditor(const QModelIndex& index) const
{
    const GridColumn* column = columnFor(index);
    if (column && (column->readOnly || column->editor == EditorKind::CheckBox))
        return false;
    return index.flags() & Qt::ItemIsEditable;
}

bool CellEditorDelegate::approveEdit(QAbstractItemView* view, QModelIndex& index) const
{
    if (!m_guard || !index.isValid())
        return true;
    const int row = index.row();
    const int column = index.column();
    const QModelIndex parent = index.parent();
    const QAbstractItemModel* model = index.model();
    if (!m_guard(index))
        return false;
    // The guard may have posted a value; a model that re-reads invalidates the old index.
    if (!index.isValid() && view->model() == model && !parent.isValid())
        index = model->index(row, column);
    return index.isValid();
}

void CellEditorDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // A group row of a grouped grid: its value and count, in bold.
    const QVariant label = index.data(SqlGroupModel::GroupLabelRole);
    if (label.isValid()) {
        option->text = label.toString();
        option->font.setBold(true);
        option->fontMetrics = QFontMetrics(option->font);
        option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        return;
    }
    const GridColumn* column = columnFor(index);
    if (column) {
        option->text = formatValue(column, index.data(Qt::EditRole), option->locale);
        if (column->alignment)
            option->displayAlignment = column->alignment | Qt::AlignVCenter;
        else if (isNumeric(column->editor))
            option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
        else
            option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        if (column->editor == EditorKind::Memo)
            option->text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\n', u' ');
        if (column->editor == EditorKind::Link) {
            option->font.setUnderline(true);
            option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Link));
        }
    }
    // The owner's style wins over what the model says.
    if (!m_style)
        return;
    CellStyle style;
    m_style(index, style);
    if (style.background)
        option->backgroundBrush = *style.background;
    if (style.foreground) {
        option->palette.setColor(QPalette::Text, *style.foreground);
        option->palette.setColor(QPalette::HighlightedText, *style.foreground);
    }
    if (style.font) {
        const bool underline = option->font.underline();
        option->font = *style.font;
        option->font.setUnderline(underline);
        option->fontMetrics = QFontMetrics(option->font);
    }
}

void CellEditorDelegate::paintGroupCell(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    cell.icon = QIcon();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    // The label runs from the first column shown across the whole row; each cell paints its
    // own part of it, so the row needs no spanning (which would fail on a hidden first column).
    int start = option.rect.left();
    if (const auto* tree = qobject_cast<const QTreeView*>(widget)) {
        const QHeaderView* header = tree->header();
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (!header->isSectionHidden(logical)) {
                start = tree->visualRect(index.siblingAtColumn(logical)).left();
                break;
            }
        }
    }
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(cell.font);
    painter->setPen(
        cell.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect textRect(start + 4, option.rect.top(), qMax(option.rect.right(), start + 4000) - start,
                         option.rect.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

void CellEditorDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    paintCell(painter, option, index);
    // The focused cell has a frame that shows from afar where typing and Enter will act.
    if ((option.state & QStyle::State_HasFocus) && !index.data(SqlGroupModel::IsGroupRole).toBool()) {
        painter->save();
        painter->setPen(QPen(kFocusFrame, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }
}

void CellEditorDelegate::paintCell(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    if (index.data(SqlGroupModel::IsGroupRole).toBool()) {
        paintGroupCell(painter, option, index);
        return;
    }
    const GridColumn* column = columnFor(index);
    if (column && column->editor == EditorKind::CheckBox) {
        paintCheckBox(painter, option, index);
        return;
    }
    const bool dropDown = column && column->editor == EditorKind::Lookup && !column->readOnly;
    if (!dropDown && m_highlight.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // A drop-down cell looks like its editor: its text and a drop-down button.
    paintText(painter, cell, option, dropDown ? kDropDownButtonWidth : 0);
    if (dropDown)
        paintDropDownButton(painter, option);
}

// The cell's background, selection and focus first, then the highlights, then the text over
// them (in the selection's text colour on a selected row).
void CellEditorDelegate::paintText(QPainter* painter, QStyleOptionViewItem cell, const QStyleOptionViewItem& option,
                                   int rightInset) const
{
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QString text = cell.text;
    cell.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    cell.text = text;
    cell.rect.setRight(option.rect.right() - rightInset);
    cell.backgroundBrush = Qt::NoBrush;
    cell.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
    if (option.state & QStyle::State_Selected)
        cell.palette.setColor(QPalette::Text, cell.palette.color(QPalette::HighlightedText));
    paintHighlights(painter, cell);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
}

void CellEditorDelegate::paintHighlights(QPainter* painter, const QStyleOptionViewItem& cell) const
{
    if (m_highlight.isEmpty() || cell.text.isEmpty())
        return;
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).adjusted(margin, 0, -margin, 0);
    const QFontMetrics metrics(cell.font);
    const QString shown = metrics.elidedText(cell.text, cell.textElideMode, textRect.width());
    const int width = metrics.horizontalAdvance(shown);
    int start = textRect.left();
    if (cell.displayAlignment & Qt::AlignRight)
        start = textRect.right() + 1 - width;
    else if (cell.displayAlignment & Qt::AlignHCenter)
        start = textRect.left() + (textRect.width() - width) / 2;
    painter->save();
    painter->setClipRect(textRect);
    for (const QString& word : m_highlight) {
        for (qsizetype at = shown.indexOf(word, 0, Qt::CaseInsensitive); at >= 0 && !word.isEmpty();
             at = shown.indexOf(word, at + word.size(), Qt::CaseInsensitive)) {
            const int left = start + metrics.horizontalAdvance(shown.left(at));
            const QRect mark(left, textRect.top() + 1, metrics.horizontalAdvance(shown.mid(at, word.size())),
                             textRect.height() - 2);
            painter->fillRect(mark, kHighlightColor);
        }
    }
    painter->restore();
}

void CellEditorDelegate::setHighlightedWords(const QStringList& words)
{
    m_highlight = words;
}

void CellEditorDelegate::paintDropDownButton(QPainter* painter, const QStyleOptionViewItem& option) const
{
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QStyleOption arrow;
    arrow.rect = QRect(option.rect.right() - kDropDownButtonWidth + 1, option.rect.top(), kDropDownButtonWidth,
                       option.rect.height());
    arrow.palette = option.palette;
    arrow.state = QStyle::State_Enabled;
    style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, widget);
}

QRect CellEditorDelegate::checkRect(const QStyleOptionViewItem& option) const
{
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QStyleOptionButton button;
    const QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &button, widget);
    return QStyle::alignedRect(option.direction, Qt::AlignCenter, indicator.size(), option.rect);
}

void CellEditorDelegate::paintCheckBox(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    QStyleOptionButton box;
    box.rect = checkRect(option);
    box.palette = option.palette;
    box.state = QStyle::State_Enabled;
    const QVariant on = DisplayFormat::toBool(index.data(Qt::EditRole));
    if (on.isNull())
        box.state |= QStyle::State_NoChange; // an empty value: neither checked nor unchecked
    else
        box.state |= on.toBool() ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
}

QSize CellEditorDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const GridColumn* column = columnFor(index);
    if (column && column->rowHeight > 0)
        size.setHeight(column->rowHeight);
    else if (m_rowHeight > 0)
        size.setHeight(m_rowHeight);
    if (column && column->editor == EditorKind::Lookup)
        size.rwidth() += kDropDownButtonWidth;
    return size;
}

void CellEditorDelegate::toggleCheck(QAbstractItemModel* model, const QModelIndex& index)
{
    const QVariant original = index.data(Qt::EditRole);
    const bool on = !DisplayFormat::toBool(original).toBool();
    const QVariant value = DisplayFormat::boolForModel(on, original);
    emit valueChanged(index, value);
    post(model, index, value);
}

bool CellEditorDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    const GridColumn* column = columnFor(index);
    if (!column || column->readOnly || !(index.flags() & Qt::ItemIsEnabled))
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    if (column->editor == EditorKind::Link && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && option.rect.contains(mouse->position().toPoint())) {
            emit linkActivated(index);
            return true;
        }
        return false;
    }
    if (column->editor != EditorKind::CheckBox)
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    bool toggle = false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // On the box itself: a click beside it only makes the cell current.
        toggle = mouse->button() == Qt::LeftButton &&
                 checkRect(option).adjusted(-3, -3, 3, 3).contains(mouse->position().toPoint());
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        toggle = key == Qt::Key_Space || key == Qt::Key_Select;
        break;
    }
    default:
        return false;
    }
    if (!toggle || !(index.flags() & Qt::ItemIsEditable))
        return false;
    QModelIndex target = index;
    if (m_guard) {
        const int row = index.row();
        const int col = index.column();
        const QModelIndex parent = index.parent();
        if (!m_guard(index))
            return true;
        if (!target.isValid() && !parent.isValid())
            target = model->index(row, col);
        if (!target.isValid())
            return true;
    }
    toggleCheck(model, target);
    return true;
}

QWidget* CellEditorDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const
{
    const GridColumn* column = columnFor(index);
    if (!column)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* self = const_cast<CellEditorDelegate*>(this);
    const QPersistentModelIndex cell(index);
    switch (column->editor) {
    case EditorKind::CheckBox:
        return nullptr;
    case EditorKind::Memo: {
        auto* edit = new QPlainTextEdit(parent);
        edit->setObjectName(QStringLiteral("cellEditorMemo"));
        edit->setTabChangesFocus(true);
        connect(edit, &QPlainTextEdit::textChanged, self, [self, edit, cell] {
            if (edit->property(kOriginal).isValid())
                emit self->valueChanged(cell, edit->toPlainText());
        });
        return edit;
    }
    case EditorKind::Date: {
        auto* edit = new QDateEdit(parent);
        edit->setObjectName(QStringLiteral("cellEditorDate"));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(column->displayFormat.isEmpty() ? DisplayFormat::defaultDateFormat(option.locale)
                                                               : column->displayFormat);
        connect(edit, &QDateEdit::dateChanged, self, [self, edit, cell](QDate date) {
            if (edit->property(kOriginal).isValid())
                emit self->valueChanged(cell, date);
        });
        return edit;
    }
    case EditorKind::Time: {
        auto* edit = new QTimeEdit(parent);
        edit->setObjectName(QStringLiteral("cellEditorTime"));
        edit->setDisplayFormat(column->displayFormat.isEmpty() ? QStringLiteral("HH:mm:ss") : column->displayFormat);
        const bool post = column->postOnChange;
        connect(edit, &QTimeEdit::timeChanged, self, [self, edit, cell, post](QTime time) {
            if (!edit->property(kOriginal).isValid())
                return;
            emit self->valueChanged(cell, time);
            if (post)
                emit self->commitData(edit);
        });
        return edit;
    }
    case EditorKind::Lookup: {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("cellEditorLookup"));
        combo->setEditable(column->lookupAcceptsText);
        combo->setInsertPolicy(QComboBox::NoInsert);
        QString failure;
        combo->addItems(lookupValues(column->lookup, m_lookupConnection, &failure));
        if (!failure.isEmpty())
            emit self->lookupFailed(failure);
        if (combo->lineEdit()) {
            combo->lineEdit()->setMaxLength(column->maxLength > 0 ? column->maxLength : 32767);
            connect(combo, &QComboBox::editTextChanged, self, [self, combo, cell](const QString& text) {
                if (combo->property(kOriginal).isValid())
                    emit self->valueChanged(cell, text);
            });
        } else {
            connect(combo, &QComboBox::currentIndexChanged, self, [self, combo, cell](int) {
                if (combo->property(kOriginal).isValid())
                    emit self->valueChanged(cell, combo->currentText());
            });
        }
        // Picking from the list posts at once.
        connect(combo, &QComboBox::activated, self, [self, combo](int) { emit self->commitData(combo); });
        return combo;
    }
    default:
        break;
    }
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(isNumeric(column->editor)                ? QStringLiteral("cellEditorNumber")
                        : column->editor == EditorKind::Password ? QStringLiteral("cellEditorPassword")
                                                                 : QStringLiteral("cellEditorText"));
    edit->setFrame(false);
    if (column->maxLength > 0)
        edit->setMaxLength(column->maxLength);
    if (column->editor == EditorKind::Password)
        edit->setEchoMode(QLineEdit::Password);
    if (isNumeric(column->editor)) {
        edit->setAlignment(Qt::AlignRight);
        edit->setObjectName(column->editor == EditorKind::Currency ? QStringLiteral("cellEditorCurrency")
                                                                   : QStringLiteral("cellEditorNumber"));
    }
    connect(edit, &QLineEdit::textEdited, self,
            [self, cell](const QString& text) { emit self->valueChanged(cell, text); });
    return edit;
}

void CellEditorDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const GridColumn* column = columnFor(index);
    if (!column) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QVariant value = index.data(Qt::EditRole);
    // Filled by the program, not by the merchant: no change notification yet.
    editor->setProperty(kOriginal, QVariant());
    if (auto* memo = qobject_cast<QPlainTextEdit*>(editor)) {
        if (memo->toPlainText() != value.toString())
            memo->setPlainText(value.toString());
    } else if (auto* date = qobject_cast<QDateEdit*>(editor)) {
        const QDate d = DisplayFormat::toDate(value);
        date->setDate(d.isValid() ? d : QDate::currentDate());
    } else if (auto* time = qobject_cast<QTimeEdit*>(editor)) {
        const QTime t = DisplayFormat::toTime(value);
        time->setTime(t.isValid() ? t : QTime(0, 0));
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int at = combo->findText(value.toString());
        if (combo->isEditable()) {
            combo->setCurrentIndex(at);
            combo->setEditText(value.toString());
            combo->lineEdit()->selectAll();
        } else {
            combo->setCurrentIndex(at);
        }
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (isNumeric(column->editor)) {
            bool ok = false;
            const double number = value.toDouble(&ok);
            QLocale locale;
            locale.setNumberOptions(QLocale::OmitGroupSeparator);
            line->setText(value.isNull() || !ok                    ? value.toString()
                          : column->editor == EditorKind::Currency ? locale.toString(number, 'f', 2)
                                                                   : locale.toString(number, 'g', 15));
        } else {
            line->setText(value.toString());
        }
    }
    editor->setProperty(kOriginal, QVariant::fromValue(editorValue(editor, column)));
}

QVariant CellEditorDelegate::editorValue(QWidget* editor, const GridColumn* column) const
{
    if (auto* memo = qobject_cast<QPlainTextEdit*>(editor))
        return memo->toPlainText();
    if (auto* date = qobject_cast<QDateEdit*>(editor))
        return date->date();
    if (auto* time = qobject_cast<QTimeEdit*>(editor))
        return time->time();
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        return combo->currentText();
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (column && isNumeric(column->editor))
            return numberFromText(line->text(), QLocale());
        return line->text();
    }
    return {};
}

void CellEditorDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    const GridColumn* column = columnFor(index);
    if (!column) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    const QVariant value = editorValue(editor, column);
    const QVariant original = editor->property(kOriginal);
    // Leaving a cell without changing it posts nothing.
    if (original.isValid() && original.value<QVariant>() == value &&
        value.isNull() == original.value<QVariant>().isNull())
        return;
    const QVariant stored = index.data(Qt::EditRole);
    QVariant out = value;
    switch (column->editor) {
    case EditorKind::Date:
        out = DisplayFormat::dateForModel(value.toDate(), stored);
        break;
    case EditorKind::Time:
        out = DisplayFormat::timeForModel(value.toTime(), stored);
        break;
    case EditorKind::Number:
        if (!value.isNull() && value.toDouble() == double(qint64(value.toDouble())) &&
            stored.typeId() != QMetaType::Double)
            out = qint64(value.toDouble());
        break;
    default:
        break;
    }
    editor->setProperty(kOriginal, QVariant::fromValue(value));
    post(model, index, out);
}

void CellEditorDelegate::post(QAbstractItemModel* model, const QModelIndex& index, const QVariant& value) const
{
    // The SQL models post every change at once.
    model->setData(index, value, Qt::EditRole);
}

void CellEditorDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const
{
    const GridColumn* column = columnFor(index);
    if (column && column->editor == EditorKind::Memo) {
        // A memo opens below the cell's top edge, taller than one line.
        QRect rect = option.rect;
        rect.setHeight(qMax(rect.height(), kMemoMinimumHeight));
        editor->setGeometry(rect);
        editor->raise();
        return;
    }
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
}

bool CellEditorDelegate::eventFilter(QObject* object, QEvent* event)
{
    // Ctrl+Enter ends a memo; plain Enter is a new line.
    if (event->type() == QEvent::KeyPress) {
        auto* memo = qobject_cast<QPlainTextEdit*>(object);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (memo && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ControlModifier)) {
            emit commitData(memo);
            emit closeEditor(memo, QAbstractItemDelegate::NoHint);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace pelmora::toolkit
