#pragma once

#include "workspace/OrdersSource.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace pelmora
{

class DataModule;

// Indexes for the search the rows that imports and edits left pending: in short chunks, each
// its own transaction, on the connection's thread while the program waits for the merchant,
// so that neither the write nor the window ever waits for the whole index. A search never
// needs the upkeep to be done (it confirms pending rows itself); the upkeep keeps it fast.
class SearchIndexUpkeep : public QObject
{
    Q_OBJECT
  public:
    // About what one chunk should take, and the pause left to the window between chunks.
    static constexpr int kChunkMs = 50;
    static constexpr int kPauseMs = 20;
    // Pending rows that a search indexes first, before it runs.
    static constexpr qint64 kFewRows = 2000;

    explicit SearchIndexUpkeep(DataModule& data, QObject* parent = nullptr);

    // Goes on indexing the source's pending rows (its index is ready) until none is left.
    void start(OrdersSource source);
    // Forgets every source (the connection closes or an index is to be built anew).
    void stop();
    void stop(OrdersSource source);
    bool isRunning() const { return !queue_.isEmpty(); }
    // Indexes the source's pending rows at once when they are few. False when that failed.
    bool catchUpIfFew(OrdersSource source);
    // Indexes every pending row of the queued sources now.
    void finish();

  signals:
    // Indexing the source's pending rows failed (its index is damaged): it was dropped.
    void failed(pelmora::OrdersSource source, const QString& message);

  private:
    void step();
    bool chunk(OrdersSource source, qint64 rows, qint64* done);
    bool idle() const;

    DataModule& data_;
    QList<OrdersSource> queue_;
    QTimer timer_;
    qint64 rows_ = 1000; // per chunk, adapted to the time a chunk takes
};

} // namespace pelmora
