#pragma once

#include "toolkit/widgets/CellStyle.h"
#include "toolkit/widgets/GridColumn.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

#include <functional>

namespace pelmora::toolkit
{

// Shows and edits the cells of a grid or inspector by the editor kind of their column: text,
// memo, date, time, currency, number, drop-down list, check box, password and link. Check
// boxes and links have no editor widget: a click or the space bar toggles a check box at once,
// a click on a link reports it. Every finished edit is written to the model at once; a
// drop-down posts as soon as a value is picked, a column with postOnChange on every change.
class CellEditorDelegate : public QStyledItemDelegate
{
    Q_OBJECT

  public:
    // The column description for a cell (nullptr: a plain text cell).
    using ColumnResolver = std::function<const GridColumn*(const QModelIndex& index)>;
    // Asked before a cell goes into editing (an editor opens or a check box toggles); false
    // cancels. The guard may change the model; the cell is then looked up again by position.
    using EditGuard = std::function<bool(const QModelIndex& index)>;

    explicit CellEditorDelegate(QObject* parent = nullptr);

    void setColumnResolver(ColumnResolver resolver);
    const GridColumn* columnFor(const QModelIndex& index) const;
    void setEditGuard(EditGuard guard);
    void setStyleCallback(CellStyleCallback callback);
    // The height of a row whose column sets none (0: the style's own).
    void setRowHeight(int pixels);
    // Text cells mark where these words occur (ignoring letter case) with a highlight.
    void setHighlightedWords(const QStringList& words);
    QStringList highlightedWords() const { return m_highlight; }
    // The connection used for lookup tables whose source names none.
    void setLookupConnectionName(const QString& name);

    // The text a cell shows for a value.
    static QString formatValue(const GridColumn* column, const QVariant& value, const QLocale& locale = QLocale());
    // The entries of a drop-down list (table values in the order entered, without repeats); a
    // failed read of the table leaves its reason in `error`.
    static QStringList lookupValues(const LookupSource& source, const QString& defaultConnection,
                                    QString* error = nullptr);

    // Runs the edit guard for a view that is about to open an editor on index; updates index
    // when the guard changed the model. Views call it from their edit() override.
    bool approveEdit(QAbstractItemView* view, QModelIndex& index) const;
    bool opensEditor(const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

  signals:
    // The editor's value changed by the merchant's hand, before it is posted.
    void valueChanged(const QModelIndex& index, const QVariant& value);
    // A link cell was clicked.
    void linkActivated(const QModelIndex& index);
    // A drop-down list's values could not be read (the list offers what it could read).
    void lookupFailed(const QString& message);

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool eventFilter(QObject* object, QEvent* event) override;

  private:
    QVariant editorValue(QWidget* editor, const GridColumn* column) const;
    void post(QAbstractItemModel* model, const QModelIndex& index, const QVariant& value) const;
    void toggleCheck(QAbstractItemModel* model, const QModelIndex& index);
    void paintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintCheckBox(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintGroupCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintDropDownButton(QPainter* painter, const QStyleOptionViewItem& option) const;
    void paintText(QPainter* painter, QStyleOptionViewItem cell, const QStyleOptionViewItem& option,
                   int rightInset) const;
    void paintHighlights(QPainter* painter, const QStyleOptionViewItem& cell) const;
    QRect checkRect(const QStyleOptionViewItem& option) const;

    ColumnResolver m_resolver;
    EditGuard m_guard;
    CellStyleCallback m_style;
    QString m_lookupConnection;
    QStringList m_highlight;
    int m_rowHeight = 0;
};

} // namespace pelmora::toolkit
