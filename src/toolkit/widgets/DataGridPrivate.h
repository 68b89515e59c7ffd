#pragma once

// The inner state of DataGrid, shared by its source files (DataGrid*.cpp); not for users.

#include "toolkit/SqlGroupModel.h"
#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridFilter.h"
#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/GridViews.h"
#include "toolkit/widgets/GroupByBox.h"

#include <QHash>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <memory>

namespace pelmora::toolkit
{

inline constexpr int kGridDefaultRowHeight = 20;

struct DataGrid::Private {
    QPointer<QAbstractItemModel> model;
    QList<QMetaObject::Connection> modelConnections;
    QList<GridColumn> columns;
    QHash<QString, int> definedWidths; // lower-case field -> the width the column list gave
    QVector<int> descriptionOf;        // model column -> index into columns, -1 when undescribed
    QHash<QString, int> modelColumnOf; // lower-case field -> model column
    QStringList fieldNames;            // model column -> field name

    QVBoxLayout* layout = nullptr;
    QStackedWidget* stack = nullptr;
    EditingView<QTableView>* table = nullptr;
    EditingView<QTreeView>* tree = nullptr;
    GridHeaderView* header = nullptr;     // the table's
    GridHeaderView* treeHeader = nullptr; // the grouped tree's, with the same captions and buttons
    RowIndicatorHeader* rowHeader = nullptr;
    CellEditorDelegate* delegate = nullptr;     // the table's
    CellEditorDelegate* treeDelegate = nullptr; // the grouped tree's: a view owns its editors
    RecordNavigator* navigator = nullptr;
    FilterBar* filterBar = nullptr;
    GroupByBox* groupBox = nullptr;

    EditingStartCallback editingStart;
    FilterInstaller filterInstaller;
    std::function<QVariantList(const QString&)> valueProvider;

    bool readOnly = false;
    bool autoWidth = false;
    bool fitting = false;
    bool customization = true;
    bool groupingEnabled = false;
    bool filtering = false;
    int rowHeight = kGridDefaultRowHeight;
    QStringList grouped;
    std::unique_ptr<SqlGroupModel> groupModel;
    GridFilter filter;
    int lastFocusedRow = -2;
    QVariant lastFocusedKey;
    QVariant currentKey; // the current record, through every change of the view
    int resetRow = -1;
    int resetColumn = -1;
};

} // namespace pelmora::toolkit
