#pragma once

#include "workspace/OrdersSource.h"

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
// Each data set (live or archive) has a trigram full-text index over a view of its orders and
// one over a view of its items. The indexes keep no copy of the text (the views are their
// content) and store no positions, so together they are smaller than the text they cover. The
// index finds the rows that hold every three-character sequence of a word; the word itself is
// then confirmed on those rows only. Words shorter than three characters cannot use a trigram
// index and are found by a scan of the same text.
//
// Writes do not wait for the index: triggers note the keys of the rows inserted or changed as
// pending (and take a changed or deleted row's old entry out of the index), and catchUp()
// indexes pending rows later, a chunk at a time. A search confirms the pending rows as it
// confirms the index's finds, so its result never depends on how far the index has come.
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

    // Whether the indexes and every trigger that keeps them current are in place. A database
    // whose tables were rebuilt (which drops their triggers) reports false.
    bool isReady(const QSqlDatabase& db) const;
    // Indexes kept current row by row, by the triggers of earlier versions, get today's
    // triggers in place, without being filled again; true when that was done (then the
    // indexes are ready). False when there was nothing of that kind to bring up to date.
    bool upgrade(QSqlDatabase& db) const;
    // Makes the views, the indexes and the triggers anew and fills the indexes, all in one
    // transaction; false when cancelled (then nothing has changed). Throws Error or
    // toolkit::SqlError on failure.
    bool build(QSqlDatabase& db, const Progress& progress = {}) const;
    // Removes the indexes, their views and triggers (the orders are not touched).
    void drop(QSqlDatabase& db) const;

    // Rows written but not yet indexed, counted up to atMost for each index.
    qint64 pendingCount(const QSqlDatabase& db, qint64 atMost) const;
    // Indexes up to `rows` pending rows (orders first, lowest keys first) in one transaction,
    // and returns how many it indexed; fewer than `rows` when none is left. Throws Error.
    qint64 catchUp(QSqlDatabase& db, qint64 rows) const;

    // The condition on the data set's orders table for the typed text. Without the index
    // (`indexed` false) every word is found by a scan of the same text. The index is asked how
    // often the words occur, to choose how several words are looked up.
    Condition condition(const QSqlDatabase& db, const QString& text, bool indexed = true) const;
    // The same condition as one SQL text, its values written as quoted literals, for a
    // filter clause that carries no bound values.
    QString whereText(const QSqlDatabase& db, const QString& text, bool indexed = true) const;

    // Beside other words, a word that the index finds in fewer items than this narrows the
    // orders read to those that may hold it.
    static constexpr qint64 kFewItemFinds = 5000;

    QString ordersIndex() const;
    QString itemsIndex() const;

  private:
    QStringList createStatements() const;
    QStringList dropStatements() const;
    enum class Shape { Missing, RowByRow, Current };
    Shape shape(const QSqlDatabase& db) const;
    bool keyUpdatable() const;
    QString wordCondition(const QString& word, bool indexed, QVariantList& values) const;
    QString candidates(const QString& trigrams, QVariantList& values) const;
    QString holds(const QString& word, QVariantList& values) const;
    bool fewItemFinds(const QSqlDatabase& db, const QString& trigrams) const;

    OrdersDataSet set_;
};

} // namespace pelmora
