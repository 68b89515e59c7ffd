#include "workspace/OrdersWorkspace.h"

#include "common/Counted.h"
#include "common/Error.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "toolkit/SqlSortIndexes.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"
#include "workspace/FilterTranslation.h"
#include "workspace/OrderDeletion.h"
#include "workspace/OrderSearch.h"
#include "workspace/OrderStyle.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace pelmora
{

namespace
{

const QString kShopperID = QStringLiteral("ShopperID");
const QString kNew = QStringLiteral("New");

// Every Orders column but the row identity, which the models keep as their key.
QStringList orderModelColumns()
{
    QStringList names;
    for (const Column& c : Schema::orderColumns())
        if (c.type != ColumnType::AutoInc)
            names << c.name;
    return names;
}

// Rows the models keep at most: a few screens around each place the merchant looked at.
constexpr int kPageSize = 128;
constexpr int kCachedPages = 12;

// Keys per UPDATE of several orders.
constexpr qsizetype kKeysPerUpdate = 4096;

QList<qint64> integerKeys(const QVariantList& keys)
{
    QList<qint64> out;
    out.reserve(keys.size());
    for (const QVariant& key : keys)
        out << key.toLongLong();
    return out;
}

QString orderNumber(const QVariant& shopperId)
{
    return shopperId.isNull() ? QStringLiteral("(no number)") : shopperId.toString();
}

} // namespace

const QStringList& OrdersWorkspace::itemGridColumns()
{
    static const QStringList columns{QStringLiteral("Qty"),   QStringLiteral("ProductCode"), QStringLiteral("Product"),
                                     QStringLiteral("Units"), QStringLiteral("Price"),       QStringLiteral("Amount")};
    return columns;
}

OrdersWorkspace::OrdersWorkspace(DataModule& data, QObject* parent)
    : QObject(parent), data_(data), liveOrders_(std::make_unique<toolkit::SqlTableModel>()),
      archiveOrders_(std::make_unique<toolkit::SqlTableModel>()), liveItems_(std::make_unique<OrderItemsModel>()),
      archiveItems_(std::make_unique<OrderItemsModel>()), history_(std::make_unique<OrderHistory>(data)), upkeep_(data)
{
    liveOrders_->setObjectName(QStringLiteral("TdbQueryOrders"));
    archiveOrders_->setObjectName(QStringLiteral("TdbTableOrdersArchive"));
    liveItems_->setObjectName(QStringLiteral("TdbTableItems"));
    archiveItems_->setObjectName(QStringLiteral("TdbTableItemsArchive"));
    configure();
    connect(&data_, &DataModule::aboutToDisconnect, this, &OrdersWorkspace::close);
    connect(&upkeep_, &SearchIndexUpkeep::failed, this,
            [this](OrdersSource source, const QString&) { searchIndexFailed(source); });
    connect(&data_, &DataModule::reset, this, [this] {
        ensureIndexesWhenLarge();
        checkSearchIndexes();
        reopen();
    });
}

OrdersWorkspace::~OrdersWorkspace() = default;

void OrdersWorkspace::configure()
{
    const QStringList columns = orderModelColumns();
    for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive}) {
        const OrdersDataSet& set = OrdersDataSet::of(source);
        toolkit::SqlTableModel* model = orders(source);
        model->setConnectionName(data_.connectionName());
        model->setTable(set.ordersTable);
        model->setKeyColumn(set.ordersKey);
        model->setColumns(columns);
        // The grid's one sort: the highest order number first.
        model->setSort(kShopperID, Qt::DescendingOrder);
        model->setColumnReadOnly(kShopperID, true);
        model->setPageSize(kPageSize);
        model->setMaxCachedPages(kCachedPages);
        connect(model, &toolkit::SqlTableModel::error, this, &OrdersWorkspace::forwardError);

        OrderItemsModel* itemModel = items(source);
        itemModel->setConnectionName(data_.connectionName());
        itemModel->setTable(set.itemsTable);
        itemModel->setKeyColumn(QStringLiteral("rowid"));
        itemModel->setColumns(itemGridColumns());
        connect(itemModel, &toolkit::SqlTableModel::error, this, &OrdersWorkspace::forwardError);
    }
    connect(liveOrders_.get(), &toolkit::SqlTableModel::posted, this, [this](int row, int) { ordersPosted(row); });

    // Only the live items copy the order's number and date; the archive's items stay as they are.
    liveItems_->setCopyFromOrder(true);
    liveItems_->setMaster([this] {
        if (!liveOrders_->isOpen() || source_ != OrdersSource::Live || currentRow_ < 0)
            throw Error(QStringLiteral("TdbQueryOrders: Cannot perform this operation on a closed dataset"));
        const QVariantMap order = liveOrders_->record(currentRow_);
        return QVariantMap{{kShopperID, order.value(kShopperID)},
                           {QStringLiteral("Invoice_date"), order.value(QStringLiteral("Invoice_date"))}};
    });

    // Deleting through a model (rather than the navigator) still cascades.
    for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive}) {
        orders(source)->setDeleteHandler([this, source](const QVariantList& keys) {
            const bool all = deleteOrders(source, keys);
            QMetaObject::invokeMethod(
                this, [this] { ResetDB(); }, Qt::QueuedConnection);
            return all;
        });
        watchChanges(orders(source), true);
        watchChanges(items(source), false);
    }
}

void OrdersWorkspace::watchChanges(toolkit::SqlTableModel* model, bool orders)
{
    model->setChangeHook([this, model, orders](toolkit::SqlTableModel::ChangeKind kind,
                                               toolkit::SqlTableModel::ChangeStage stage, const QVariantList& keys) {
        // Keeping the rows for undo never stands in the way of the change itself.
        try {
            changeHeard(model, orders, kind, stage, keys);
        } catch (const std::exception&) {
            pendingBefore_.clear();
        }
    });
}

void OrdersWorkspace::changeHeard(toolkit::SqlTableModel* model, bool orders, toolkit::SqlTableModel::ChangeKind kind,
                                  toolkit::SqlTableModel::ChangeStage stage, const QVariantList& keys)
{
    using Kind = toolkit::SqlTableModel::ChangeKind;
    using Stage = toolkit::SqlTableModel::ChangeStage;
    // Deleted orders are kept by deleteOrders, with their items.
    if (orders && kind != Kind::Update)
        return;
    const OrderHistory::Target target{model->table(), model->keyColumn(), integerKeys(keys), {}};
    if (stage == Stage::Failed) {
        pendingBefore_.clear();
        return;
    }
    if (stage == Stage::Before) {
        pendingBefore_.clear();
        if (kind == Kind::Insert)
            return;
        pendingBefore_ = history_->images({target});
        const int row = keys.isEmpty() ? -1 : model->rowOfKey(keys.first());
        if (orders)
            pendingLabel_ = QStringLiteral("Edit of order ") + orderNumber(model->value(row, kShopperID));
        else
            pendingLabel_ = kind == Kind::Delete ? QStringLiteral("Item deleted") : QStringLiteral("Edit of an item");
        return;
    }
    if (kind == Kind::Insert) {
        // The new row had no image before: undoing deletes it.
        QList<toolkit::SqlRowImage> before = history_->images({{target.table, target.keyColumn, {}, {}}});
        before.first().addAbsentKeys(target.keys);
        history_->record(QStringLiteral("Item added"), before);
        return;
    }
    if (pendingBefore_.isEmpty())
        return;
    const QList<toolkit::SqlRowImage> before = std::move(pendingBefore_);
    pendingBefore_.clear();
    history_->record(pendingLabel_, before, joinNext_);
}

bool OrdersWorkspace::deleteOrders(OrdersSource source, const QVariantList& keys)
{
    const OrdersDataSet& set = OrdersDataSet::of(source);
    OrderDeletion deletion(data_);
    bool all = true;
    for (const QVariant& key : keys) {
        // The order and its items as they were, for undo.
        QList<toolkit::SqlRowImage> before;
        QVariant shopperId;
        try {
            QSqlQuery number = data_.select(
                QStringLiteral("SELECT ShopperID FROM %1 WHERE %2 = ?").arg(set.ordersTable, set.ordersKey), {key});
            if (number.next())
                shopperId = number.value(0);
            QList<qint64> itemKeys;
            bool isNumber = false;
            const qlonglong n = shopperId.toLongLong(&isNumber);
            if (isNumber) {
                QSqlQuery items =
                    data_.select(QStringLiteral("SELECT rowid FROM %1 WHERE ShopperID = ?").arg(set.itemsTable), {n});
                while (items.next())
                    itemKeys << items.value(0).toLongLong();
            }
            before = history_->images({{set.ordersTable, set.ordersKey, {key.toLongLong()}, {}},
                                       {set.itemsTable, QStringLiteral("rowid"), itemKeys, {}}});
        } catch (const std::exception&) {
            before.clear();
        }
        if (!deletion.deleteOrder(source, key)) {
            all = false;
            continue;
        }
        if (before.size() != 2)
            continue;
        const int itemCount = before[1].rowCount();
        const QString message =
            QStringLiteral("Order %1 and its %2 deleted")
                .arg(orderNumber(shopperId), Counted(itemCount, QStringLiteral("item"), QStringLiteral("items")));
        try {
            history_->record(message, before);
        } catch (const std::exception&) {
            continue;
        }
        emit orderDeleted(message);
    }
    return all;
}

toolkit::SqlTableModel* OrdersWorkspace::orders(OrdersSource source) const
{
    return source == OrdersSource::Live ? liveOrders_.get() : archiveOrders_.get();
}

OrderItemsModel* OrdersWorkspace::items(OrdersSource source) const
{
    return source == OrdersSource::Live ? liveItems_.get() : archiveItems_.get();
}

toolkit::SqlTableModel* OrdersWorkspace::DataSourceOrders() const
{
    return orders(source_);
}

OrderItemsModel* OrdersWorkspace::DataSourceItems() const
{
    return items(source_);
}

void OrdersWorkspace::setSource(OrdersSource source)
{
    if (source == source_)
        return;
    source_ = source;
    // The data set no longer shown gives its rows back; it keeps its expression.
    const OrdersSource other = source == OrdersSource::Live ? OrdersSource::Archive : OrdersSource::Live;
    orders(other)->close();
    items(other)->close();
    emit sourceChanged(source);
    reopen();
}

void OrdersWorkspace::close()
{
    upkeep_.stop();
    for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive}) {
        items(source)->close();
        orders(source)->close();
    }
    itemsMasterSet_ = false;
    currentRow_ = -1;
    currentKey_ = QVariant();
}

void OrdersWorkspace::openOrders(OrdersSource source)
{
    toolkit::SqlTableModel* model = orders(source);
    const OrdersDataSet& set = OrdersDataSet::of(source);
    const bool available = source == OrdersSource::Live ? data_.ordersQueryOpen() : data_.isOpen(set.ordersObject);
    if (!available || !data_.isConnected()) {
        model->close();
        return;
    }
    totalCount_ = -1;
    const bool indexed = indexReady_[int(source)] && !OrderSearch::words(searchText_).isEmpty();
    if (indexed)
        upkeep_.catchUpIfFew(source);
    setModelFilter(source, filterExpression(source));
    quiet_ = indexed;
    const bool ok = model->open();
    quiet_ = false;
    if (ok || !indexed)
        return;
    // The search index failed: a scan answers until it is built anew.
    indexReady_[int(source)] = false;
    setModelFilter(source, filterExpression(source));
    emit searchIndexNeeded(source);
}

void OrdersWorkspace::reopen()
{
    items(OrdersSource::Live)->close();
    items(OrdersSource::Archive)->close();
    itemsMasterSet_ = false;
    openOrders(source_);
    settleCurrent();
    emit reopened();
}

void OrdersWorkspace::ResetDB()
{
    data_.ResetDB();
}

bool OrdersWorkspace::ordersTableHasRows()
{
    return data_.isConnected() && data_.scalar(QStringLiteral("SELECT EXISTS(SELECT 1 FROM Orders)")).toBool();
}

QString OrdersWorkspace::filterExpression(OrdersSource source) const
{
    return source == OrdersSource::Live ? liveExpression_ : archiveExpression_;
}

void OrdersWorkspace::filterChanged(const QString& gridText)
{
    const QString expression = FilterTranslation::translate(gridText);
    QString& kept = source_ == OrdersSource::Live ? liveExpression_ : archiveExpression_;
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (!installModelFilter(source_, expression)) {
        // A refused expression is not kept: it would fail again at every reset. The data set
        // goes on with the filter it had.
        const QString message = model->lastError();
        installModelFilter(source_, kept);
        throw Error(message);
    }
    kept = expression;
    rowsReplaced();
}

void OrdersWorkspace::setSearchText(const QString& text)
{
    if (text == searchText_)
        return;
    const QString before = searchText_;
    searchText_ = text;
    // A few rows edited since they were indexed are indexed first: the search then reads the
    // index alone.
    if (indexReady_[int(source_)] && !OrderSearch::words(text).isEmpty())
        upkeep_.catchUpIfFew(source_);
    if (!installModelFilter(source_, filterExpression(source_))) {
        const QString message = DataSourceOrders()->lastError();
        searchText_ = before;
        installModelFilter(source_, filterExpression(source_));
        emit error(message);
        return;
    }
    rowsReplaced();
}

void OrdersWorkspace::searchIndexBuilt(OrdersSource source)
{
    indexReady_[int(source)] = OrderSearch(source).isReady(data_.database());
    if (indexReady_[int(source)])
        upkeep_.start(source);
    if (source != source_ || OrderSearch::words(searchText_).isEmpty() || !DataSourceOrders()->isOpen())
        return;
    installModelFilter(source_, filterExpression(source_));
    rowsReplaced();
}

// The filter expression and the search as the data set's filter, with the same filter written
// to read the first rows in order for when the search finds many orders.
bool OrdersWorkspace::setModelFilter(OrdersSource source, const QString& expression)
{
    const QString filter = FilterTranslation::toSqlWhere(expression);
    const OrderSearch search(source);
    const bool indexed = indexReady_[int(source)];
    const auto read = [&](OrderSearch::Reading reading) {
        const QString found = search.whereText(data_.database(), searchText_, indexed, reading);
        if (found.isEmpty())
            return filter;
        if (filter.isEmpty())
            return found;
        return QStringLiteral("(%1) AND (%2)").arg(filter, found);
    };
    QList<toolkit::SqlModel::FilterInOrder> inOrder;
    if (indexed && !OrderSearch::words(searchText_).isEmpty()) {
        const qint64 all = ordersIn(source);
        const qint64 gathered = search.gathered(data_.database(), searchText_);
        for (OrderSearch::Reading reading : {OrderSearch::Reading::LookedUp, OrderSearch::Reading::RowByRow})
            inOrder << toolkit::SqlModel::FilterInOrder{OrderSearch::readingFrom(reading, all, gathered),
                                                        read(reading)};
    }
    return orders(source)->setFilter(read(OrderSearch::Reading::Gathered), inOrder);
}

// Installs the filter expression and the search on a data set; false (nothing reported) when
// the engine refuses the expression. A search that fails on its index is answered by a scan,
// and the index is asked for anew.
bool OrdersWorkspace::installModelFilter(OrdersSource source, const QString& expression)
{
    quiet_ = true;
    bool ok = setModelFilter(source, expression);
    if (!ok && indexReady_[int(source)] && !OrderSearch::words(searchText_).isEmpty()) {
        indexReady_[int(source)] = false;
        ok = setModelFilter(source, expression);
        if (ok)
            emit searchIndexNeeded(source);
    }
    quiet_ = false;
    return ok;
}

// The data set shown read its rows anew under another filter or search.
void OrdersWorkspace::rowsReplaced()
{
    if (!DataSourceOrders()->isOpen())
        return;
    items(source_)->close();
    itemsMasterSet_ = false;
    settleCurrent();
    emit reopened();
}

int OrdersWorkspace::shownCount() const
{
    toolkit::SqlTableModel* model = DataSourceOrders();
    return model->isOpen() ? model->rowCount() : 0;
}

int OrdersWorkspace::totalCount()
{
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (!model->isOpen())
        return 0;
    if (model->filter().isEmpty())
        return model->rowCount();
    return int(ordersIn(source_));
}

// Counted once for the data set shown until it is opened again, not at every word typed.
qint64 OrdersWorkspace::ordersIn(OrdersSource source)
{
    if (source == source_ && totalCount_ >= 0)
        return totalCount_;
    const QString table = toolkit::sql::quoted(OrdersDataSet::of(source).ordersTable);
    const qint64 n = data_.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
    if (source == source_)
        totalCount_ = n;
    return n;
}

void OrdersWorkspace::columnUsed(const QString& column, bool filtered)
{
    if (column.isEmpty() || !data_.isConnected())
        return;
    const OrdersDataSet& set = dataSet();
    const QString use =
        set.ordersTable + (filtered ? QStringLiteral(" filter ") : QStringLiteral(" sort ")) + column.toLower();
    if (++uses_[use] != kUsesBeforeIndex)
        return;
    // An index that leads with the column serves it already (the workspace's own, or one made
    // in an earlier run).
    QSqlQuery existing(data_.database());
    existing.prepare(QStringLiteral("SELECT count(*) FROM pragma_index_list(?) AS l, pragma_index_info(l.name) AS i "
                                    "WHERE i.seqno = 0 AND i.name = ? COLLATE NOCASE"));
    existing.addBindValue(set.ordersTable);
    existing.addBindValue(column);
    if (existing.exec() && existing.next() && existing.value(0).toInt() > 0)
        return;
    // A filter's index goes on with the default sort, a sort's with the key alone.
    QStringList columns{column};
    if (filtered && column.compare(kShopperID, Qt::CaseInsensitive) != 0)
        columns << kShopperID;
    QString message;
    if (!toolkit::SqlSortIndexes::ensureComposite(data_.connectionName(), set.ordersTable, columns, set.ordersKey,
                                                  &message))
        emit error(message);
}

void OrdersWorkspace::checkSearchIndexes()
{
    if (!data_.isConnected())
        return;
    for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive}) {
        const bool ready = OrderSearch(source).isReady(data_.database());
        indexReady_[int(source)] = ready;
        if (ready)
            upkeep_.start(source);
        else
            emit searchIndexNeeded(source);
    }
}

// The index could not take the rows written since it was indexed: searches scan until it is
// built anew.
void OrdersWorkspace::searchIndexFailed(OrdersSource source)
{
    indexReady_[int(source)] = false;
    if (source == source_ && !OrderSearch::words(searchText_).isEmpty() && DataSourceOrders()->isOpen()) {
        installModelFilter(source_, filterExpression(source_));
        rowsReplaced();
    }
    emit searchIndexNeeded(source);
}

void OrdersWorkspace::settleCurrent()
{
    // The rows were read anew: the same order if it is still shown, else the first row.
    toolkit::SqlTableModel* model = DataSourceOrders();
    int row = -1;
    if (model->isOpen() && model->rowCount() > 0) {
        const QVariant& wanted = wantedKey_[int(source_)];
        row = wanted.isValid() ? model->rowOfKey(wanted) : -1;
        if (row < 0)
            row = 0;
    }
    setCurrentRow(row);
    itemsFollow();
}

void OrdersWorkspace::setCurrentRow(int row)
{
    toolkit::SqlTableModel* model = DataSourceOrders();
    const QVariant key = row >= 0 && model->isOpen() ? model->keyAt(row) : QVariant();
    if (row == currentRow_ && key == currentKey_)
        return;
    currentRow_ = row;
    currentKey_ = key;
    if (key.isValid())
        wantedKey_[int(source_)] = key;
    itemsFollow();
    emit currentRowChanged(row);
    if (focusedRow_)
        focusedRow_(row);
}

QVariantMap OrdersWorkspace::currentOrder() const
{
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (!model->isOpen() || currentRow_ < 0)
        return {};
    return model->record(currentRow_);
}

void OrdersWorkspace::itemsFollow()
{
    OrderItemsModel* itemModel = DataSourceItems();
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (!model->isOpen() || currentRow_ < 0 || currentRow_ >= model->rowCount()) {
        itemModel->close();
        itemsMasterSet_ = false;
        return;
    }
    const QVariant shopperId = model->value(currentRow_, kShopperID);
    if (itemModel->isOpen() && itemsMasterSet_ && itemsMaster_ == shopperId)
        return;
    itemsMaster_ = shopperId;
    itemsMasterSet_ = true;
    // An order without a number has no items.
    itemModel->setFilter(shopperId.isNull() ? QStringLiteral("0")
                                            : QStringLiteral("ShopperID = ") + SqlDialect::quote(shopperId));
    if (!itemModel->isOpen())
        itemModel->open();
}

void OrdersWorkspace::editingStarts(int row)
{
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (!model->isOpen() || row < 0 || row >= model->rowCount())
        return;
    const int column = model->columnIndex(kNew);
    if (column < 0 || OrderStyle::flag(model->value(row, column)) == false)
        return;
    // Failures are ignored: editing goes on and the flag stays as it was. The edit that follows
    // is undone together with this.
    quiet_ = true;
    joinNext_ = true;
    model->setData(model->index(row, column), false);
    joinNext_ = false;
    quiet_ = false;
}

void OrdersWorkspace::statusEditorChanged()
{
    flags_->StatusChanged = true;
}

void OrdersWorkspace::ordersPosted(int row)
{
    if (source_ == OrdersSource::Live && afterOrdersPost_)
        afterOrdersPost_(row);
}

void OrdersWorkspace::otherModelPosts(const QVariant& key)
{
    try {
        changeHeard(DataSourceOrders(), true, toolkit::SqlTableModel::ChangeKind::Update,
                    toolkit::SqlTableModel::ChangeStage::Before, {key});
    } catch (const std::exception&) {
        pendingBefore_.clear();
    }
}

void OrdersWorkspace::otherModelPosted(const QVariant& key)
{
    try {
        changeHeard(DataSourceOrders(), true, toolkit::SqlTableModel::ChangeKind::Update,
                    toolkit::SqlTableModel::ChangeStage::Done, {key});
    } catch (const std::exception&) {
        pendingBefore_.clear();
    }
}

bool OrdersWorkspace::deleteOrder(int row)
{
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (!model->isOpen() || row < 0 || row >= model->rowCount())
        return false;
    const QVariant key = model->keyAt(row);
    if (!key.isValid())
        return false;
    if (!deleteOrders(source_, {key}))
        return false;
    ResetDB();
    return true;
}

int OrdersWorkspace::setOrdersValue(const QList<qint64>& keys, const QString& column, const QVariant& value)
{
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (keys.isEmpty())
        return 0;
    if (!model->isOpen() || !data_.isConnected())
        throw Error(model->objectName() + QStringLiteral(": Cannot perform this operation on a closed dataset"));
    const OrdersDataSet& set = dataSet();
    const QString label = column.compare(QLatin1String("Status"), Qt::CaseInsensitive) == 0
                              ? QStringLiteral("Status set to \"%1\" for %2 order%3")
                                    .arg(value.toString())
                                    .arg(keys.size())
                                    .arg(keys.size() == 1 ? QString() : QStringLiteral("s"))
                              : QStringLiteral("%1 set for %2 order%3")
                                    .arg(column)
                                    .arg(keys.size())
                                    .arg(keys.size() == 1 ? QString() : QStringLiteral("s"));
    pendingBefore_.clear();
    OrderHistory::Change change;
    try {
        toolkit::SqlTransaction transaction(data_.database());
        // Only the column changes: only it is kept, however many orders there are.
        const QList<toolkit::SqlRowImage> before =
            history_->images({{set.ordersTable, set.ordersKey, keys, {model->columnName(model->columnIndex(column))}}});
        QSqlQuery update(data_.database());
        const QString head =
            QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 IN (")
                .arg(toolkit::sql::quoted(set.ordersTable), toolkit::sql::quoted(column), set.ordersKey);
        const QVariant stored = toolkit::SqlTableModel::toStorage(value);
        for (qsizetype from = 0; from < keys.size(); from += kKeysPerUpdate) {
            QStringList numbers;
            for (qsizetype i = from; i < std::min(keys.size(), from + kKeysPerUpdate); ++i)
                numbers << QString::number(keys[i]);
            if (!update.prepare(head + numbers.join(QLatin1Char(',')) + QLatin1Char(')')))
                throw Error(update.lastError().text());
            update.addBindValue(stored);
            if (!update.exec())
                throw Error(update.lastError().text());
        }
        change = history_->made(label, before);
        transaction.commit();
    } catch (const Error&) {
        throw;
    } catch (const std::exception& e) {
        throw Error(QString::fromStdString(e.what()));
    }
    history_->push(std::move(change));
    reread();
    if (source_ == OrdersSource::Live && column.compare(QLatin1String("Status"), Qt::CaseInsensitive) == 0)
        emit statusSet(keys, value.toString());
    return int(keys.size());
}

QString OrdersWorkspace::undo()
{
    return restore(&OrderHistory::undo);
}

QString OrdersWorkspace::redo()
{
    return restore(&OrderHistory::redo);
}

QString OrdersWorkspace::restore(QString (OrderHistory::*step)())
{
    QString label;
    try {
        label = (history_.get()->*step)();
    } catch (const Error&) {
        throw;
    } catch (const std::exception& e) {
        throw Error(QString::fromStdString(e.what()));
    }
    if (!label.isEmpty())
        reread();
    return label;
}

void OrdersWorkspace::reread()
{
    // An emptied Orders table closed the live query; rows put back open it again.
    if (source_ == OrdersSource::Live && !data_.ordersQueryOpen()) {
        ResetDB();
        return;
    }
    toolkit::SqlTableModel* model = DataSourceOrders();
    if (!model->isOpen())
        return;
    // Rows put back or taken away change the number of orders under no filter too.
    totalCount_ = -1;
    model->refresh();
    rowsReplaced();
    emit rowsRewritten();
}

void OrdersWorkspace::forwardError(const QString& message)
{
    if (!quiet_)
        emit error(message);
}

void OrdersWorkspace::ensureIndexesWhenLarge()
{
    if (!data_.isConnected())
        return;
    // A small file is read fast without them, and opening it leaves it as it was.
    QSqlQuery size(data_.database());
    if (!size.exec(QStringLiteral("SELECT max(rowid) FROM Orders")) || !size.next() ||
        size.value(0).toLongLong() < kIndexedFrom)
        return;
    size.finish();
    QSqlDatabase db = data_.database();
    ensureIndexes(db);
}

void OrdersWorkspace::ensureIndexes(QSqlDatabase& db)
{
    // Each ends with the grid's sort (ShopperID, then the row identity), so that a filtered or
    // grouped grid reads its first rows in order from the index, and counts from it alone.
    // Text filters compare without regard to letter case, hence the NOCASE one on Status.
    static const QStringList statements{
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_Status_NoCase_ShopperID ON %1(Status COLLATE NOCASE,ShopperID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_Status_ShopperID ON %1(Status,ShopperID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_Invoice_date_ShopperID ON %1(Invoice_date,ShopperID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_Payment_method_ShopperID ON %1(Payment_method,ShopperID)"),
    };
    for (const QString& table : {QStringLiteral("Orders"), QStringLiteral("OrdersArchve")}) {
        for (const QString& statement : statements) {
            QSqlQuery query(db);
            // A file of an older layout may lack a column until its upgrade is done.
            query.exec(statement.arg(table));
        }
    }
}

} // namespace pelmora
