#include "workspace/SearchIndexUpkeep.h"

#include "common/Error.h"
#include "database/DataModule.h"
#include "toolkit/SqlTransaction.h"
#include "workspace/OrderSearch.h"

#include <sqlite3.h>

namespace pelmora
{

SearchIndexUpkeep::SearchIndexUpkeep(DataModule& data, QObject* parent) : QObject(parent), data_(data)
{
    timer_.setSingleShot(true);
    timer_.setInterval(kPauseMs);
    connect(&timer_, &QTimer::timeout, this, &SearchIndexUpkeep::step);
}

void SearchIndexUpkeep::start(OrdersSource source)
{
    if (!queue_.contains(source))
        queue_ << source;
    if (!timer_.isActive())
        timer_.start();
}

void SearchIndexUpkeep::stop()
{
    queue_.clear();
    timer_.stop();
}

void SearchIndexUpkeep::stop(OrdersSource source)
{
    queue_.removeAll(source);
    if (queue_.isEmpty())
        timer_.stop();
}

// Not while a transaction of another operation is open on the connection: a chunk would
// become part of it.
bool SearchIndexUpkeep::idle() const
{
    sqlite3* handle = data_.handle();
    return handle && sqlite3_get_autocommit(handle);
}

bool SearchIndexUpkeep::chunk(OrdersSource source, qint64 rows, qint64* done)
{
    QSqlDatabase db = data_.database();
    try {
        *done = OrderSearch(source).catchUp(db, rows);
        return true;
    } catch (const std::exception& e) {
        stop(source);
        emit failed(source, QString::fromUtf8(e.what()));
        return false;
    }
}

void SearchIndexUpkeep::step()
{
    if (queue_.isEmpty())
        return;
    if (!data_.isConnected()) {
        stop();
        return;
    }
    if (idle()) {
        const OrdersSource source = queue_.first();
        QElapsedTimer clock;
        clock.start();
        qint64 done = 0;
        if (!chunk(source, rows_, &done))
            return;
        if (done < rows_) {
            queue_.removeAll(source);
        } else {
            // The next chunk takes about kChunkMs, whatever the machine and the rows.
            const qint64 ms = std::max<qint64>(1, clock.elapsed());
            rows_ = std::clamp<qint64>(rows_ * kChunkMs / ms, 100, 100000);
        }
    }
    if (!queue_.isEmpty())
        timer_.start();
}

bool SearchIndexUpkeep::catchUpIfFew(OrdersSource source)
{
    if (!data_.isConnected() || !idle())
        return true;
    const OrderSearch search(source);
    try {
        if (search.pendingCount(data_.database(), kFewRows + 1) > kFewRows)
            return true;
    } catch (const std::exception& e) {
        stop(source);
        emit failed(source, QString::fromUtf8(e.what()));
        return false;
    }
    qint64 done = 0;
    return chunk(source, 2 * kFewRows, &done);
}

void SearchIndexUpkeep::finish()
{
    while (!queue_.isEmpty()) {
        const OrdersSource source = queue_.takeFirst();
        qint64 done = 0;
        while (data_.isConnected() && chunk(source, 50000, &done) && done == 50000) {
        }
    }
    timer_.stop();
}

} // namespace pelmora
