#pragma once

#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/GridViews.h"

#include <QStackedWidget>

namespace pelmora::toolkit
{

class CellEditorDelegate;

// The views a grid shows its rows in, shared by the grid's parts: the table, or the tree of
// groups while grouped (the stack shows one of them), each with its header and its own delegate.
struct GridViewSet {
    QStackedWidget* stack = nullptr;
    EditingView<QTableView>* table = nullptr;
    EditingView<QTreeView>* tree = nullptr;
    GridHeaderView* header = nullptr;
    GridHeaderView* treeHeader = nullptr;
    RowIndicatorHeader* rowHeader = nullptr;
    CellEditorDelegate* delegate = nullptr;
    CellEditorDelegate* treeDelegate = nullptr;

    bool showsTree() const { return stack->currentWidget() == tree; }
    // The view the merchant works in now, and its header.
    QAbstractItemView* current() const
    {
        return showsTree() ? static_cast<QAbstractItemView*>(tree) : static_cast<QAbstractItemView*>(table);
    }
    GridHeaderView* currentHeader() const { return showsTree() ? treeHeader : header; }
};

} // namespace pelmora::toolkit
