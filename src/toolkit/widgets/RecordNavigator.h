#pragma once

#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>

#include <functional>

class QAbstractItemView;
class QAbstractItemModel;
class QHBoxLayout;
class QLabel;
class QToolButton;

namespace pelmora::toolkit
{

// A row of tool buttons that moves through and edits the rows of an item view. The caller
// chooses which buttons are shown; each button acts on the view's model by default, and a
// handler set for a button replaces that default (a cascading delete, a refresh that reopens
// the database, ...).
class RecordNavigator : public QWidget
{
    Q_OBJECT

  public:
    enum Button {
        First,
        PriorPage,
        Prior,
        Next,
        NextPage,
        Last,
        Insert,
        Delete,
        Edit,
        Post,
        Cancel,
        Refresh,
        SaveBookmark,
        GotoBookmark,
        Filter,
    };
    Q_ENUM(Button)

    explicit RecordNavigator(QWidget* parent = nullptr);

    // The view whose current row the buttons move; its model is the one edited.
    void setView(QAbstractItemView* view);
    QAbstractItemView* view() const;

    // Shows exactly these buttons, in the fixed navigator order.
    void setButtons(const QList<Button>& buttons);
    QList<Button> buttons() const;
    QToolButton* button(Button which) const;
    static QString buttonObjectName(Button which);

    // Ask "Delete record?" before a delete (off by default).
    void setConfirmDelete(bool confirm);
    bool confirmDelete() const;

    // A grid that refuses deletion: the delete button stays visible but does nothing.
    void setDeleteRefused(bool refused);
    bool deleteRefused() const;

    // Tool tips on the buttons.
    void setShowHints(bool show);

    // Replaces the default action of a button (an empty function restores it).
    void setActionHandler(Button which, std::function<void()> handler);

    // A text at the bar's right end (how many rows the grid holds).
    void setCountText(const QString& text);
    QString countText() const;

    // Rows moved by the page buttons; 0 means the rows the view shows at once.
    void setPageSize(int rows);

  public slots:
    // Does what a click on the button does, whether the button is shown or not.
    void trigger(pelmora::toolkit::RecordNavigator::Button which);
    void updateButtons();

  signals:
    void buttonClicked(pelmora::toolkit::RecordNavigator::Button which);
    // After the default action of a button has run (not after a replacing handler).
    void actionDone(pelmora::toolkit::RecordNavigator::Button which);
    // The filter button: the owner decides what it opens.
    void filterRequested();
    // Insert appended a row (its number in the view's model).
    void rowInserted(int row);
    // Delete removed the row.
    void rowDeleted(int row);
    // Refresh without a handler, on a model that is not a SQL table.
    void refreshRequested();

  private:
    void runDefault(Button which);
    void moveTo(int row);
    void moveBy(int delta);
    int currentRow() const;
    int rowCount() const;
    int pageRows() const;
    int targetColumn() const;
    void insertRow();
    void deleteRow();
    void post();
    void cancel();
    void refresh();
    void editCurrent();
    void watchModel(QAbstractItemModel* model);

    QPointer<QAbstractItemView> m_view;
    QPointer<QAbstractItemModel> m_model;
    QList<QMetaObject::Connection> m_modelConnections;
    QMetaObject::Connection m_selectionConnection;
    QHBoxLayout* m_layout = nullptr;
    QLabel* m_count = nullptr;
    QHash<int, QToolButton*> m_buttons;
    QHash<int, std::function<void()>> m_handlers;
    QList<Button> m_shown;
    QPersistentModelIndex m_bookmark;
    bool m_confirmDelete = false;
    bool m_deleteRefused = false;
    int m_pageSize = 0;
};

} // namespace pelmora::toolkit
