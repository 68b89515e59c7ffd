#pragma once

#include "toolkit/widgets/GridColumn.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

class QAbstractItemModel;
class QHeaderView;
class QWidget;

namespace pelmora::toolkit
{

struct GridViewSet;

// The columns of a grid and their layout: the column descriptions matched to the model's
// columns by field name (a SQL model's column name, else the model's header text), without
// regard to letter case; which are shown, in which order and how wide; column auto-width;
// fitting a column to its contents; the row height; and the layout properties a grid restores
// (the grid's geometry, the row height, each column's visibility, width and place). The table
// and the grouped tree show the columns alike. The header's menu is GridColumnMenu's.
class GridColumnLayout : public QObject
{
    Q_OBJECT

  public:
    GridColumnLayout(GridViewSet& views, QWidget* grid);

    void setModel(QAbstractItemModel* model);
    // Matches the descriptions to the model's columns again and shows them (after a reset or a
    // change of the model's columns).
    void apply();

    void setColumns(const QList<GridColumn>& columns);
    // The descriptions, with the widths and visibility the merchant left.
    QList<GridColumn> list() const;
    const GridColumn* column(const QString& field) const;
    // The description of a model column (nullptr when undescribed).
    const GridColumn* describe(int modelColumn) const;
    // The description of a field, or a plain text column of that name.
    GridColumn describeField(const QString& field) const;
    // The model column of a field (-1 when the model has none), and the field of a model column.
    int modelColumn(const QString& field) const;
    QString fieldAt(int modelColumn) const;
    QStringList fieldNames() const { return m_fieldNames; }

    void setVisible(const QString& field, bool visible);
    bool isVisible(const QString& field) const;
    void hideAll();
    // Fields in their shown order (visible ones only).
    QStringList visibleFields() const;
    void setWidth(const QString& field, int width);
    int width(const QString& field) const;
    // Gives the columns back the widths the column list set.
    void restoreWidths();
    void setMovingAllowed(bool allowed);

    // Column auto-width: the visible columns share the grid's width in the proportion of their
    // own widths (no horizontal scroll bar); switched off, they show their own widths again.
    void setAutoWidth(bool on);
    bool autoWidth() const { return m_autoWidth; }
    // Fits a column to its caption and to the rows in view (never to every row).
    void autoSize(const QString& field);

    // Whether the merchant may resize the rows (all rows have one height).
    void setRowResizingAllowed(bool allowed);

    // The tree shows the columns as the table does: their order, visibility and widths, with
    // `levels` levels of groups.
    void copyToTree(int levels);

    // Applies stored layout properties: "RowHeight", "AutoWidth", the grid's "Left", "Top",
    // "Width" and "Height" (a grid of its own only), and per column "Column.<field>.Visible",
    // ".Width" and ".Index". Properties not given stay as they are.
    void setLayoutProperties(const QVariantMap& properties);

  signals:
    void autoWidthChanged(bool on);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void rebuildMap();
    QString readFieldName(int modelColumn) const;
    void fit();
    void showWidths();
    void onSectionResized(int logical, int oldSize, int newSize);
    void setRowHeight(int pixels);
    void placeTreeDecoration();
    void widthInTree(int logical, int width);
    int share(int modelColumn) const;

    GridViewSet& m_views;
    QWidget* m_grid;
    // The table's viewport, compared by address only: it is still watched while the table
    // is being destroyed, when the table can no longer be asked for it.
    const QObject* m_viewport;
    QPointer<QAbstractItemModel> m_model;
    QList<GridColumn> m_columns;
    QHash<QString, int> m_definedWidths; // lower-case field -> the width the column list gave
    QVector<int> m_descriptionOf;        // model column -> index into m_columns, -1 when undescribed
    QHash<QString, int> m_modelColumnOf; // lower-case field -> model column
    QStringList m_fieldNames;            // model column -> field name
    bool m_autoWidth = false;
    bool m_fitting = false;
    int m_treeLevels = 0;
    int m_rowHeight = 20;
};

} // namespace pelmora::toolkit
