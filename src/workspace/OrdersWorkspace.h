#pragma once

#include "common/RunFlags.h"
#include "workspace/OrderHistory.h"
#include "workspace/OrderItemsModel.h"
#include "workspace/OrdersSource.h"
#include "workspace/SearchIndexUpkeep.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

class QSqlDatabase;

namespace pelmora
{

class DataModule;

namespace toolkit
{
class SqlTableModel;
}

// The orders workspace without its windows: the orders and items data sets, the switch
// between live orders and the archive, the current order, the filter expression of each data
// set, the editing rules (New cleared when editing starts, StatusChanged from the grid's status
// editor), the cascading delete, and the hooks that later features fill.
//
// The models follow the data module: they are closed when it is about to disconnect and
// reopened after every ResetDB (the live orders only while Orders holds rows).
class OrdersWorkspace : public QObject
{
    Q_OBJECT
  public:
    // Statement texts of TdbQueryOrders.
    static inline const QString kInitialStatement = QStringLiteral("SELECT * FROM Orders");
    static inline const QString kResetStatement = QStringLiteral("SELECT * FROM  ORDERS ");
    static inline const QString kResetStatementText = QStringLiteral("Select * From ORDERS");

    // The item columns the items grid shows, in order.
    static const QStringList& itemGridColumns();

    explicit OrdersWorkspace(DataModule& data, QObject* parent = nullptr);
    ~OrdersWorkspace() override;

    DataModule& data() { return data_; }

    // --- DataSourceOrders / DataSourceItems ---
    OrdersSource source() const { return source_; }
    // The tables shown now (what exports and reports read): live or archive.
    const OrdersDataSet& dataSet() const { return OrdersDataSet::of(source_); }
    toolkit::SqlTableModel* DataSourceOrders() const;
    OrderItemsModel* DataSourceItems() const;
    toolkit::SqlTableModel* orders(OrdersSource source) const;
    OrderItemsModel* items(OrdersSource source) const;
    // The one switch between the live orders and the archive: grid, inspector, chart and items
    // follow. Each data set keeps the filter expression it last received.
    void setSource(OrdersSource source);

    // Opens the data sets as the data module stands (called after every ResetDB).
    void reopen();
    // Forgets every row (called before the connection closes).
    void close();
    // ResetDB: reconnects, opens every object, and through reset() reopens the data sets.
    void ResetDB();
    // Whether the Orders table holds at least one row.
    bool ordersTableHasRows();

    // --- TdbQueryOrders ---
    QString statement() const { return statement_; }
    void setStatement(const QString& text) { statement_ = text; }

    // --- filtering ---
    QString filterExpression(OrdersSource source) const;
    // Filter changed: runs the twelve replacements over the grid's text and installs the result
    // as the filter expression of the data set shown, which re-reads its rows at once and moves
    // to its first row. Throws Error when the engine refuses the expression.
    void filterChanged(const QString& gridText);

    // --- search ---
    // The words typed in the search box narrow the data set shown, on top of its filter, and
    // follow it to the other data set; "" shows every row the filter lets through. Without its
    // index (missing, being built, or found damaged) a data set is searched by a scan.
    QString searchText() const { return searchText_; }
    void setSearchText(const QString& text);
    bool searchIndexReady(OrdersSource source) const { return indexReady_[int(source)]; }
    // After the index of a data set was built anew: searches use it again.
    void searchIndexBuilt(OrdersSource source);
    // Indexes the rows written since they were indexed, a chunk at a time while idle.
    SearchIndexUpkeep& searchIndexUpkeep() { return upkeep_; }
    // The rows the data set shown holds under its filter and search, and under neither.
    int shownCount() const;
    int totalCount();

    // --- the current order ---
    int currentRow() const { return currentRow_; }
    // Moves to a row of DataSourceOrders (-1: none); the items follow and the focused-row hook
    // runs when the row changed. The order stays current through every reopen and filter
    // while it is still shown; otherwise the first row becomes current.
    void setCurrentRow(int row);
    QVariantMap currentOrder() const;

    // --- editing ---
    // Editing starts on a row: New := false and the row is posted. Errors are ignored.
    void editingStarts(int row);
    // The grid's Status editor changed its value.
    void statusEditorChanged();
    // Where StatusChanged lives (the session's flags); flags of its own until bound.
    void bindFlags(RunFlags& flags) { flags_ = &flags; }
    bool statusChanged() const { return flags_->StatusChanged; }

    // --- hooks for later features ---
    // After every successful post of TdbQueryOrders (not of the archive): the trigger check.
    void setAfterOrdersPostHook(std::function<void(int row)> hook) { afterOrdersPost_ = std::move(hook); }
    // After every change of the focused row: the paste-data refresh.
    void setFocusedRowHook(std::function<void(int row)> hook) { focusedRow_ = std::move(hook); }
    // A post of the live orders made through another model over the same rows (the grouped
    // grid): runs the after-post hook for it.
    void ordersPosted(int row);
    // A cell of the orders about to be posted through such a model, and its post done: the row
    // is kept for undo as for the grid's own posts.
    void otherModelPosts(const QVariant& key);
    void otherModelPosted(const QVariant& key);

    // --- several orders at once ---
    // Sets a column of every order of keys (row identities of the data set shown) to value, in
    // one transaction kept as one change for undo; the rows are read again. Returns how many
    // orders there were. Throws Error; nothing changes then. A status set on live orders is
    // announced by statusSet.
    int setOrdersValue(const QList<qint64>& keys, const QString& column, const QVariant& value);

    // --- undo ---
    // Every change of orders and items made through the workspace since the start.
    OrderHistory& history() { return *history_; }
    // The last change undone or made again; the data sets read their rows again. The change's
    // label, empty when there was none. Throws Error; nothing changes then.
    QString undo();
    QString redo();

    // --- deletes ---
    // Deletes the order in the row and its items in one transaction, then ResetDB. False when
    // nothing was deleted (the error is in the log).
    bool deleteOrder(int row);
    // A column the merchant sorted by (or, `filtered`, filtered on): once it has been used
    // kUsesBeforeIndex times in a run, the data set shown gets an index for it, so that its
    // later sorts and filters answer at once.
    void columnUsed(const QString& column, bool filtered = false);
    static constexpr int kUsesBeforeIndex = 3;

    // Indexes the workspace's filters and groupings need; none is unique. Created when missing.
    static void ensureIndexes(QSqlDatabase& db);
    // Orders of a file from which on ResetDB creates those indexes when missing.
    static constexpr qlonglong kIndexedFrom = 10000;

  signals:
    void sourceChanged(pelmora::OrdersSource source);
    // The data sets were reopened (after ResetDB, a filter or a switch of the source).
    void reopened();
    void currentRowChanged(int row);
    // A data set has no search index, or its index failed: it is to be built (anew).
    void searchIndexNeeded(pelmora::OrdersSource source);
    // A failure of a data set that nothing handled (a refused post, a failed read).
    void error(const QString& message);
    // The status of these live orders was set at once (not through the grid's editor).
    void statusSet(const QList<qint64>& keys, const QString& status);
    // An order was deleted with its items, the last change now: the text that says so (the
    // change's label, "Order N and its K items deleted").
    void orderDeleted(const QString& message);
    // Rows were written behind the data set's back (several orders at once, undo, redo) and
    // read again: views over other models of the same rows read them again too.
    void rowsRewritten();

  private:
    void configure();
    void openOrders(OrdersSource source);
    void itemsFollow();
    void settleCurrent();
    void forwardError(const QString& message);
    void ensureIndexesWhenLarge();
    void checkSearchIndexes();
    void searchIndexFailed(OrdersSource source);
    qint64 ordersIn(OrdersSource source);
    bool setModelFilter(OrdersSource source, const QString& expression);
    bool installModelFilter(OrdersSource source, const QString& expression);
    void rowsReplaced();
    void watchChanges(toolkit::SqlTableModel* model, bool orders);
    void changeHeard(toolkit::SqlTableModel* model, bool orders, toolkit::SqlTableModel::ChangeKind kind,
                     toolkit::SqlTableModel::ChangeStage stage, const QVariantList& keys);
    bool deleteOrders(OrdersSource source, const QVariantList& keys);
    void reread();
    QString restore(QString (OrderHistory::*step)());

    DataModule& data_;
    OrdersSource source_ = OrdersSource::Live;
    std::unique_ptr<toolkit::SqlTableModel> liveOrders_;
    std::unique_ptr<toolkit::SqlTableModel> archiveOrders_;
    std::unique_ptr<OrderItemsModel> liveItems_;
    std::unique_ptr<OrderItemsModel> archiveItems_;
    QString statement_ = kInitialStatement;
    QString liveExpression_;
    QString archiveExpression_;
    QString searchText_;
    bool indexReady_[2] = {false, false};
    qint64 totalCount_ = -1;
    QHash<QString, int> uses_;
    int currentRow_ = -1;
    QVariant currentKey_;
    QVariant wantedKey_[2]; // the order to stand on again, by source
    QVariant itemsMaster_;
    bool itemsMasterSet_ = false;
    RunFlags ownFlags_;
    RunFlags* flags_ = &ownFlags_;
    bool quiet_ = false;
    std::function<void(int)> afterOrdersPost_;
    std::function<void(int)> focusedRow_;
    std::unique_ptr<OrderHistory> history_;
    SearchIndexUpkeep upkeep_;
    QList<toolkit::SqlRowImage> pendingBefore_; // of the write under way
    QString pendingLabel_;
    bool joinNext_ = false;
};

} // namespace pelmora
