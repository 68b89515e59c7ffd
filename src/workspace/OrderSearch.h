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
// then confirmed on those rows only. Triggers keep the indexes current on every insert, update
// and delete. Words shorter than three characters cannot use a trigram index and are found by
// a scan of the same text.
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
    // Makes the views, the indexes and the triggers anew and fills the indexes, all in one
    // transaction; false when cancelled (then nothing has changed). Throws Error or
    // toolkit::SqlError on failure.
    bool build(QSqlDatabase& db, const Progress& progress = {}) const;
    // Removes the indexes, their views and triggers (the orders are not touched).
    void drop(QSqlDatabase& db) const;

    // The condition on the data set's orders table for the typed text. Without the index
    // (`indexed` false) every word is found by a scan of the same text.
    Condition condition(const QString& text, bool indexed = true) const;
    // The same condition as one SQL text, its values written as quoted literals, for a
    // filter clause that carries no bound values.
    QString whereText(const QString& text, bool indexed = true) const;

    QString ordersIndex() const;
    QString itemsIndex() const;

  private:
    QStringList createStatements() const;
    QStringList dropStatements() const;
    QStringList triggerNames() const;
    QString wordCondition(const QString& word, bool indexed, QVariantList& values) const;

    OrdersDataSet set_;
};

} // namespace pelmora
