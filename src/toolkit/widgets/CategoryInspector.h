#pragma once

#include "toolkit/widgets/GridColumn.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>

#include <memory>

class QAbstractItemModel;
class QSettings;
class QTreeView;

namespace pelmora::toolkit
{

class CellEditorDelegate;
class InspectorModel;

// One row of the inspector: a field of the current record (caption, editor, height from its
// GridColumn; a row whose column is not visible is left out), with child rows under it.
struct InspectorRow {
    GridColumn column;
    QList<InspectorRow> children;
};

// A collapsible category of rows.
struct InspectorCategory {
    QString caption;
    QList<InspectorRow> rows;
    bool expanded = false;
};

// A two-column record inspector (caption | value) bound to one row of a model: categories of
// rows and child rows, each value shown and edited by the grid's cell editors; every edit is
// posted at once through the model's setData. A link row reports a click instead of editing.
class CategoryInspector : public QWidget
{
    Q_OBJECT

  public:
    explicit CategoryInspector(QWidget* parent = nullptr);
    ~CategoryInspector() override;

    void setCategories(const QList<InspectorCategory>& categories);
    QList<InspectorCategory> categories() const;

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const;
    // The record shown (-1: none; the values are empty and cannot be edited).
    void setCurrentRow(int row);
    int currentRow() const;

    void setCaptionWidth(int pixels);
    // The values fill the width the captions leave; the inspector is at least this much wider
    // than its captions.
    void setMinimumValueWidth(int pixels);
    void setGridLineColor(const QColor& color);
    void setReadOnly(bool readOnly);

    bool isCategoryExpanded(const QString& caption) const;
    void setCategoryExpanded(const QString& caption, bool expanded);

    QTreeView* view() const;
    CellEditorDelegate* delegate() const;
    // The inspector's row of a field (column 1 holds the value), for tests and key handling.
    QModelIndex valueIndex(const QString& field) const;

    // "Width" and each category's "Expanded".
    QVariantMap layoutProperties() const;
    void setLayoutProperties(const QVariantMap& properties);
    void saveLayout(QSettings& settings, const QString& group) const;
    void restoreLayout(QSettings& settings, const QString& group);

  signals:
    void linkActivated(const QString& field, const QVariant& value);
    // An editor's value changed by the merchant's hand, before it is posted.
    void valueChanged(const QString& field, const QVariant& value);

  private:
    void spanCategories();

    // Destroyed in reverse order: the view (which shows the model through the delegate) first,
    // then the delegate (which asks the model for its columns), then the model.
    std::unique_ptr<InspectorModel> m_model;
    std::unique_ptr<CellEditorDelegate> m_delegate;
    std::unique_ptr<QTreeView> m_view;
    QList<InspectorCategory> m_categories;
    bool m_readOnly = false;
};

} // namespace pelmora::toolkit
