#pragma once

#include "workspace/OrdersSource.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

class QSqlDatabase;

namespace pelmora
{

// The orders search: the words a merchant types find the orders whose names, companies,
// addresses, phones, e-mail, order number, payment reference or notes, or whose items' products
// and codes, contain every one of them, ignoring letter case.
//
// Each data set (live or archive) has a trigram full-text index over a view of its orders, and
// one over the distinct texts of its items with, for each text, the orders whose items carry
// it. The orders' index keeps no copy of the text (the view is its content) and stores no
// positions, so the indexes are smaller than the text they cover. It finds the rows that hold
// every three-character sequence of a word; the word itself is then confirmed on those rows
// only. Item texts are few (a shop sells the same products again and again): a word is
// confirmed on each text once, whatever the number of items. Words shorter than three
// characters cannot use a trigram index: they are found by a scan of the order rows and of the
// item texts.
//
// Writes do not wait for the index: triggers note the keys of the order and item rows inserted
// or changed as pending (and take a changed or deleted row's old entry or count out of the
// index), and catchUp() indexes pending rows later, a chunk at a time. A search confirms the
// pending rows as it confirms the index's finds, so its result never depends on how far the
// index has come.
class OrderSearch
{
  public:
    // What a search adds to the orders' WHERE clause: an SQL condition with ? placeholders
    // and the values bound to them, in order. Empty when the text holds no word.
    struct Condition {
        QString sql;
        QVariantList values;
        bool isEmpty() const { return sql.isEmpty(); }
    };

    // Returns false to cancel a build.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    explicit OrderSearch(OrdersSource source);

    // The order columns searched, and the item columns.
    static const QStringList& orderColumns();
    static const QStringList& itemColumns();
    // The typed text split into words (blanks separate words).
    static QStringList words(const QString& text);

    // Whether the indexes and every trigger that keeps them current are in place, in today's
    // layout. A database whose tables were rebuilt (which drops their triggers), or whose index
    // an earlier version made, reports false: its index is built anew.
    bool isReady(const QSqlDatabase& db) const;
    // Makes the views, the indexes and the triggers anew and fills the indexes, all in one
    // transaction; false when cancelled (then nothing has changed). Throws Error or
    // toolkit::SqlError on failure.
    bool build(QSqlDatabase& db, const Progress& progress = {}) const;
    // Removes the indexes, their tables, views and triggers, of this layout or an earlier one
    // (the orders and items are not touched). Throws Error.
    void drop(QSqlDatabase& db) const;

    // Rows written but not yet indexed, counted up to atMost for orders and for items.
    qint64 pendingCount(const QSqlDatabase& db, qint64 atMost) const;
    // Indexes up to `rows` pending rows (orders first, lowest keys first) in one transaction,
    // and returns how many it indexed; fewer than `rows` when none is left. Throws Error.
    qint64 catchUp(QSqlDatabase& db, qint64 rows) const;

    // How a condition finds its orders. Gathered: every order found is gathered through the
    // index, which serves a count and few finds. The other two serve reading orders in the
    // order of an index, so that the first rows come without the rest: LookedUp looks each
    // order up among the finds (gathered once, without reading an order row) as the index is
    // walked, for many finds; RowByRow reads each order and its items, for a great many.
    enum class Reading { Gathered, LookedUp, RowByRow };
    // The number of orders found, in a data set of `orders`, from which a reading serves the
    // first rows best: each walked order costs little against gathering every find. `gathered`
    // is what the index finds for the word that gathers the orders (see gathered()), which
    // several words find far fewer of: gathering costs as much as for that word alone.
    static qint64 readingFrom(Reading reading, qint64 orders, qint64 gathered = -1);
    // How often the index finds the word that gathers the orders of the typed text (counted up
    // to twice kManyFinds); -1 when no word can use the index.
    qint64 gathered(const QSqlDatabase& db, const QString& text) const;

    // The condition on the data set's orders table for the typed text. Without the index
    // (`indexed` false) every word is found by a scan of the same text.
    // The index is asked how often several words occur, to choose how they are looked up; an
    // OrderSearch serves one moment, and asks it once for every form of the condition.
    Condition condition(const QSqlDatabase& db, const QString& text, bool indexed = true,
                        Reading reading = Reading::Gathered) const;
    // The same condition as one SQL text, its values written as quoted literals, for a
    // filter clause that carries no bound values.
    QString whereText(const QSqlDatabase& db, const QString& text, bool indexed = true,
                      Reading reading = Reading::Gathered) const;

    // Finds of a word are counted up to this many, to choose the word that gathers the orders.
    static constexpr qint64 kManyFinds = 50000;

    QString ordersIndex() const;
    QString itemsIndex() const;

  private:
    bool keyUpdatable() const;
    QString wordCondition(const QString& word, bool indexed, bool inOrder, bool itemsAsked, QVariantList& values) const;
    QString textsHolding(const QString& word, QVariantList& values) const;
    QString pendingItemOrders(const QString& word, QVariantList& values) const;
    QString itemOrders(const QString& word, bool indexed, QVariantList& values) const;
    QString itemsHold(const QString& word, QVariantList& values) const;
    qint64 finds(const QSqlDatabase& db, const QString& word) const;
    qsizetype gatheringWord(const QSqlDatabase& db, const QStringList& words, qint64* fewest = nullptr) const;
    QString holds(const QString& word, bool indexed, QVariantList& values) const;

    OrdersDataSet set_;
    // What the index answered finds() with, for the other forms of the same search.
    mutable QHash<QString, qint64> finds_;
};

} // namespace pelmora
