#include "workspace/OrderSearch.h"

#include "common/Error.h"
#include "database/SqlDialect.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace pelmora
{

namespace
{

// Keys are read in chunks of this many while an index is filled, so that progress can be
// shown and a build cancelled.
constexpr qint64 kChunk = 20000;

QString q(const QString& identifier)
{
    return toolkit::sql::quoted(identifier);
}

// The searched text of one row: the columns' text, one line each (`prefix` names the row).
QString documentOf(const QStringList& columns, const QString& prefix = QString())
{
    QStringList parts;
    for (const QString& c : columns)
        parts << QStringLiteral("coalesce(CAST(%1%2 AS TEXT),'')").arg(prefix, q(c));
    return parts.join(QStringLiteral("||char(10)||"));
}

void run(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query(db);
    if (!query.prepare(sql))
        throw Error(query.lastError().text());
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw Error(query.lastError().text());
}

qint64 scalar(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw Error(query.lastError().text());
    return query.next() ? query.value(0).toLongLong() : 0;
}

// What the index of one table covers.
struct Indexed {
    QString table; // Orders / Items
    QString key;   // its row identity
    QString index; // the full-text table
    QStringList columns;

    QString view() const { return index + QStringLiteral("Text"); }
    // The keys of the rows written since they were last indexed.
    QString pending() const { return index + QStringLiteral("Pending"); }
    QString trigger(const char* suffix) const { return index + QLatin1String(suffix); }
};

// The triggers of the indexes that were kept current row by row, replaced by the pending keys.
constexpr const char* kRowByRowTriggers[] = {"_ai", "_bu", "_au", "_bd"};
constexpr const char* kTriggers[] = {"_insert", "_change", "_delete"};
// Only where the key is a column of its own: a changed key moves its pending mark.
constexpr const char* kRekeyTrigger = "_rekey";

// Writes only mark rows pending; catchUp() indexes them later, outside the write that made
// them. Every row is either in the index or pending, never both: an index entry is removed
// (which needs the text it was made from, still in the row before the write) only for a row
// that is not pending, since removing an entry that was never made damages the index.
QStringList triggerStatements(const Indexed& x, bool keyUpdatable)
{
    const QString view = q(x.view());
    const QString index = q(x.index);
    const QString table = q(x.table);
    const QString pending = q(x.pending());
    QStringList updated;
    for (const QString& c : x.columns)
        updated << q(c);
    if (keyUpdatable)
        updated << q(x.key);
    const QString notPending = QStringLiteral("NOT EXISTS(SELECT 1 FROM %1 WHERE key=OLD.%2)").arg(pending, x.key);
    const QString removeEntry =
        QStringLiteral("INSERT INTO %1(%1,rowid,doc) SELECT 'delete',SearchKey,doc FROM %2 WHERE SearchKey=OLD.%3")
            .arg(index, view, x.key);
    QStringList list{
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN INSERT OR IGNORE INTO %3(key) VALUES(NEW.%4); END")
            .arg(q(x.trigger(kTriggers[0])), table, pending, x.key),
        // Before the row changes, while its entry's text is still there. A change skipped by a
        // conflict clause leaves the row pending, which is harmless.
        QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 WHEN %4 BEGIN %5; "
                       "INSERT OR IGNORE INTO %6(key) VALUES(OLD.%7); END")
            .arg(q(x.trigger(kTriggers[1])), updated.join(','), table, notPending, removeEntry, pending, x.key),
        QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 BEGIN %3 AND %4; DELETE FROM %5 WHERE key=OLD.%6; END")
            .arg(q(x.trigger(kTriggers[2])), table, removeEntry, notPending, pending, x.key),
    };
    if (keyUpdatable)
        list << QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 WHEN NEW.%2 IS NOT OLD.%2 BEGIN "
                               "DELETE FROM %4 WHERE key=OLD.%2; INSERT OR IGNORE INTO %4(key) VALUES(NEW.%2); END")
                    .arg(q(x.trigger(kRekeyTrigger)), x.key, table, pending);
    return list;
}

QString pendingTableStatement(const Indexed& x)
{
    return QStringLiteral("CREATE TABLE %1(key INTEGER PRIMARY KEY)").arg(q(x.pending()));
}

QStringList indexCreateStatements(const Indexed& x, bool keyUpdatable)
{
    return QStringList{
               QStringLiteral("CREATE VIEW %1 AS SELECT %2 AS SearchKey,%3 AS doc FROM %4")
                   .arg(q(x.view()), x.key, documentOf(x.columns), q(x.table)),
               QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(doc,content=%2,content_rowid='SearchKey',"
                              "tokenize='trigram',detail='none',columnsize=0)")
                   .arg(q(x.index), QStringLiteral("'%1'").arg(x.view())),
               pendingTableStatement(x),
           } +
           triggerStatements(x, keyUpdatable);
}

// The triggers an index of any layout may have.
template <typename Index> QStringList triggerNames(const Index& x)
{
    QStringList names;
    for (const char* suffix : kRowByRowTriggers)
        names << x.trigger(suffix);
    for (const char* suffix : kTriggers)
        names << x.trigger(suffix);
    return names;
}

// The objects of an orders index, with the triggers of earlier versions, triggers first.
QStringList orderObjects(const Indexed& x)
{
    return triggerNames(x) << x.trigger(kRekeyTrigger) << x.index << x.pending() << x.view();
}

// What the index of the items covers. Shops sell the same products over and over, so the
// items' texts are indexed once each: a table of the distinct texts (code and product, one
// line each) with its trigram index, and for each text the orders whose items carry it, with
// how many of their items do. A search reads the orders of an item text without reading an
// item. Items written since they were last counted are pending, as order rows are.
struct ItemTexts {
    QString table; // Items / ItemsArchive
    QString index; // the full-text table over the texts

    QString texts() const { return index + QStringLiteral("Text"); }
    QString orders() const { return index + QStringLiteral("Orders"); }
    QString pending() const { return index + QStringLiteral("Pending"); }
    // The orders' texts by order, for asking an order whether one of its items holds a word.
    QString byOrder() const { return orders() + QStringLiteral("ByOrder"); }
    QString trigger(const char* suffix) const { return index + QLatin1String(suffix); }
};

constexpr const char* kTextTrigger = "_text";

// The text of an item row as the index keeps it; `row` is NEW., OLD. or empty.
QString itemTextOf(const QString& row)
{
    return documentOf(OrderSearch::itemColumns(), row);
}

// Counts the items `i` that meet the condition into the orders of their texts (new texts are
// indexed as they are added).
QStringList itemsCounted(const ItemTexts& x, const QString& condition)
{
    const QString text = itemTextOf(QStringLiteral("i."));
    const QString which = condition + QStringLiteral(" AND i.ShopperID IS NOT NULL");
    return {QStringLiteral("INSERT OR IGNORE INTO %1(doc) SELECT %2 FROM %3 AS i WHERE %4")
                .arg(q(x.texts()), text, q(x.table), which),
            QStringLiteral("INSERT INTO %1(text,ShopperID,items) SELECT * FROM (SELECT t.id,i.ShopperID,count(*) "
                           "FROM %2 AS i JOIN %3 AS t ON t.doc=%4 WHERE %5 GROUP BY 1,2) WHERE 1 "
                           "ON CONFLICT(text,ShopperID) DO UPDATE SET items=items+excluded.items")
                .arg(q(x.orders()), q(x.table), q(x.texts()), text, which)};
}

// Counts the item OLD out of the orders of its text, unless it is pending (not counted yet).
QString itemUncounted(const ItemTexts& x)
{
    const QString match = QStringLiteral("text=(SELECT id FROM %1 WHERE doc=%2) AND ShopperID=OLD.ShopperID")
                              .arg(q(x.texts()), itemTextOf(QStringLiteral("OLD.")));
    return QStringLiteral("UPDATE %1 SET items=items-1 WHERE %2 AND NOT EXISTS(SELECT 1 FROM %3 WHERE key=OLD.rowid); "
                          "DELETE FROM %1 WHERE %2 AND items<1;")
        .arg(q(x.orders()), match, q(x.pending()));
}

QStringList itemCreateStatements(const ItemTexts& x)
{
    const QString table = q(x.table);
    const QString pending = q(x.pending());
    QStringList updated;
    for (const QString& c : OrderSearch::itemColumns())
        updated << q(c);
    updated << QStringLiteral("ShopperID");
    return {
        QStringLiteral("CREATE TABLE %1(id INTEGER PRIMARY KEY,doc TEXT NOT NULL UNIQUE)").arg(q(x.texts())),
        QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(doc,content=%2,content_rowid='id',"
                       "tokenize='trigram',detail='none',columnsize=0)")
            .arg(q(x.index), QStringLiteral("'%1'").arg(x.texts())),
        QStringLiteral("CREATE TABLE %1(text INTEGER NOT NULL,ShopperID integer NOT NULL,items INTEGER NOT NULL,"
                       "PRIMARY KEY(text,ShopperID)) WITHOUT ROWID")
            .arg(q(x.orders())),
        QStringLiteral("CREATE INDEX %1 ON %2(ShopperID,text)").arg(q(x.byOrder()), q(x.orders())),
        QStringLiteral("CREATE TABLE %1(key INTEGER PRIMARY KEY)").arg(pending),
        // A text is never changed nor removed: one that no item carries any more finds no order.
        QStringLiteral(
            "CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN INSERT INTO %3(rowid,doc) VALUES(NEW.id,NEW.doc); END")
            .arg(q(x.trigger(kTextTrigger)), q(x.texts()), q(x.index)),
        QStringLiteral(
            "CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN INSERT OR IGNORE INTO %3(key) VALUES(NEW.rowid); END")
            .arg(q(x.trigger(kTriggers[0])), table, pending),
        // Before the row changes, while the text it was counted under is still there.
        QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 BEGIN %4 "
                       "INSERT OR IGNORE INTO %5(key) VALUES(OLD.rowid); END")
            .arg(q(x.trigger(kTriggers[1])), updated.join(','), table, itemUncounted(x), pending),
        QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 BEGIN %3 DELETE FROM %4 WHERE key=OLD.rowid; END")
            .arg(q(x.trigger(kTriggers[2])), table, itemUncounted(x), pending),
    };
}

// The item index's objects, and those of the earlier layout that indexed every item row (a
// view of the items' text, its pending keys and their triggers), triggers first.
QStringList itemObjects(const ItemTexts& x)
{
    return triggerNames(x) << x.trigger(kTextTrigger) << x.index << x.texts() << x.orders() << x.pending();
}

// Takes up to `limit` pending keys, lowest first: runs the statements on them (each takes the
// highest key taken) and forgets them. Returns how many were taken.
qint64 takePending(QSqlDatabase& db, const QString& pending, qint64 limit, const QStringList& statements)
{
    QSqlQuery last(db);
    if (!last.exec(QStringLiteral("SELECT count(*),max(key) FROM (SELECT key FROM %1 ORDER BY key LIMIT %2)")
                       .arg(q(pending))
                       .arg(limit)))
        throw Error(last.lastError().text());
    if (!last.next() || last.value(0).toLongLong() == 0)
        return 0;
    const qint64 rows = last.value(0).toLongLong();
    const QVariant upTo = last.value(1);
    last.finish();
    for (const QString& sql : statements)
        run(db, sql, {upTo});
    run(db, QStringLiteral("DELETE FROM %1 WHERE key<=?").arg(q(pending)), {upTo});
    return rows;
}

// Indexes the pending rows of an orders index.
qint64 indexPending(QSqlDatabase& db, const Indexed& x, qint64 limit)
{
    return takePending(db, x.pending(), limit,
                       {QStringLiteral("INSERT INTO %1(rowid,doc) SELECT SearchKey,doc FROM %2 "
                                       "WHERE SearchKey IN (SELECT key FROM %3 WHERE key<=?)")
                            .arg(q(x.index), q(x.view()), q(x.pending()))});
}

// Counts the pending items into the orders of their texts.
qint64 indexPending(QSqlDatabase& db, const ItemTexts& x, qint64 limit)
{
    return takePending(
        db, x.pending(), limit,
        itemsCounted(x, QStringLiteral("i.rowid IN (SELECT key FROM %1 WHERE key<=?)").arg(q(x.pending()))));
}

// Runs statements over the rows of a table a chunk of keys at a time (each statement takes the
// first and the last key of a chunk), for progress and to let a build be cancelled.
bool fillByChunks(QSqlDatabase& db, const QString& table, const QString& key, const QStringList& statements,
                  qint64& done, qint64 total, const OrderSearch::Progress& progress)
{
    QSqlQuery range(db);
    if (!range.exec(QStringLiteral("SELECT min(%1),max(%1) FROM %2").arg(key, q(table))))
        throw Error(range.lastError().text());
    if (!range.next() || range.value(0).isNull())
        return true;
    const qint64 first = range.value(0).toLongLong();
    const qint64 last = range.value(1).toLongLong();
    range.finish();
    std::vector<std::unique_ptr<QSqlQuery>> queries;
    for (const QString& sql : statements) {
        queries.push_back(std::make_unique<QSqlQuery>(db));
        if (!queries.back()->prepare(sql))
            throw Error(queries.back()->lastError().text());
    }
    for (qint64 from = first; from <= last; from += kChunk) {
        const qint64 to = std::min(last, from + kChunk - 1);
        for (const auto& query : queries) {
            query->addBindValue(from);
            query->addBindValue(to);
            if (!query->exec())
                throw Error(query->lastError().text());
        }
        done += scalar(
            db,
            QStringLiteral("SELECT count(*) FROM %1 WHERE %2 BETWEEN %3 AND %4").arg(q(table), key).arg(from).arg(to));
        if (progress && !progress(done, total))
            return false;
    }
    return true;
}

bool fill(QSqlDatabase& db, const Indexed& x, qint64& done, qint64 total, const OrderSearch::Progress& progress)
{
    const QString sql = QStringLiteral("INSERT INTO %1(rowid,doc) SELECT SearchKey,doc FROM %2 "
                                       "WHERE SearchKey BETWEEN ? AND ?")
                            .arg(q(x.index), q(x.view()));
    return fillByChunks(db, x.table, x.key, {sql}, done, total, progress);
}

// The texts of the items and, for each, its orders with the number of their items that carry it.
bool fill(QSqlDatabase& db, const ItemTexts& x, qint64& done, qint64 total, const OrderSearch::Progress& progress)
{
    return fillByChunks(db, x.table, QStringLiteral("rowid"),
                        itemsCounted(x, QStringLiteral("i.rowid BETWEEN ? AND ?")), done, total, progress);
}

QSet<QString> schemaObjects(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    QSet<QString> present;
    if (!query.exec(
            QStringLiteral("SELECT type,name FROM sqlite_master WHERE type IN ('table','view','trigger','index')")))
        return present;
    while (query.next())
        present.insert(query.value(0).toString() + ':' + query.value(1).toString());
    return present;
}

} // namespace

OrderSearch::OrderSearch(OrdersSource source) : set_(OrdersDataSet::of(source))
{
}

const QStringList& OrderSearch::orderColumns()
{
    static const QStringList columns{QStringLiteral("ShopperID"),        QStringLiteral("Invoice_name"),
                                     QStringLiteral("Invoice_company"),  QStringLiteral("Invoice_address1"),
                                     QStringLiteral("Invoice_address2"), QStringLiteral("Invoice_state"),
                                     QStringLiteral("Invoice_zip"),      QStringLiteral("Invoice_country"),
                                     QStringLiteral("Invoice_tel"),      QStringLiteral("Invoice_email"),
                                     QStringLiteral("Ship_name"),        QStringLiteral("Ship_company"),
                                     QStringLiteral("Ship_address1"),    QStringLiteral("Ship_address2"),
                                     QStringLiteral("Ship_state"),       QStringLiteral("Ship_zip"),
                                     QStringLiteral("Ship_country"),     QStringLiteral("Ship_tel"),
                                     QStringLiteral("Payment_ref"),      QStringLiteral("Notes")};
    return columns;
}

const QStringList& OrderSearch::itemColumns()
{
    static const QStringList columns{QStringLiteral("ProductCode"), QStringLiteral("Product")};
    return columns;
}

QStringList OrderSearch::words(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.split(blanks, Qt::SkipEmptyParts);
}

QString OrderSearch::ordersIndex() const
{
    return set_.ordersTable + QStringLiteral("Search");
}

QString OrderSearch::itemsIndex() const
{
    return set_.itemsTable + QStringLiteral("Search");
}

namespace
{
Indexed ordersOf(const OrdersDataSet& set, const QString& index)
{
    return {set.ordersTable, set.ordersKey, index, OrderSearch::orderColumns()};
}
ItemTexts itemsOf(const OrdersDataSet& set)
{
    return {set.itemsTable, set.itemsTable + QStringLiteral("Search")};
}
} // namespace

bool OrderSearch::keyUpdatable() const
{
    // The archive's identity is its rowid, which an UPDATE OF list cannot name.
    return set_.ordersKey != QLatin1String("rowid");
}

bool OrderSearch::isReady(const QSqlDatabase& db) const
{
    const QSet<QString> present = schemaObjects(db);
    const auto has = [&](const char* type, const QString& name) {
        return present.contains(QLatin1String(type) + ':' + name);
    };
    const Indexed orders = ordersOf(set_, ordersIndex());
    bool ready = has("table", orders.index) && has("view", orders.view()) && has("table", orders.pending());
    for (const char* suffix : kTriggers)
        ready = ready && has("trigger", orders.trigger(suffix));
    if (keyUpdatable())
        ready = ready && has("trigger", orders.trigger(kRekeyTrigger));
    // The texts are a table (the earlier layout had a view of every item's text).
    const ItemTexts texts = itemsOf(set_);
    ready = ready && has("table", texts.index) && has("table", texts.texts()) && has("table", texts.orders()) &&
            has("table", texts.pending()) && has("index", texts.byOrder()) &&
            has("trigger", texts.trigger(kTextTrigger));
    for (const char* suffix : kTriggers)
        ready = ready && has("trigger", texts.trigger(suffix));
    return ready;
}

bool OrderSearch::build(QSqlDatabase& db, const Progress& progress) const
{
    toolkit::SqlTransaction transaction(db);
    drop(db);
    const Indexed orders = ordersOf(set_, ordersIndex());
    for (const QString& sql : indexCreateStatements(orders, keyUpdatable()) + itemCreateStatements(itemsOf(set_)))
        run(db, sql);
    const qint64 total = scalar(db, QStringLiteral("SELECT count(*) FROM %1").arg(q(set_.ordersTable))) +
                         scalar(db, QStringLiteral("SELECT count(*) FROM %1").arg(q(set_.itemsTable)));
    qint64 done = 0;
    if (progress && !progress(0, total))
        return false;
    // Filled without merging segments as they come, then merged into one at the end: less
    // writing than merging level by level, and a search then reads one segment.
    run(db, QStringLiteral("INSERT INTO %1(%1,rank) VALUES('automerge',0)").arg(q(orders.index)));
    if (!fill(db, orders, done, total, progress) || !fill(db, itemsOf(set_), done, total, progress))
        return false;
    for (const QString& index : {ordersIndex(), itemsIndex()}) {
        run(db, QStringLiteral("INSERT INTO %1(%1) VALUES('optimize')").arg(q(index)));
        // The chunks indexed later are merged as they come again.
        run(db, QStringLiteral("INSERT INTO %1(%1,rank) VALUES('automerge',4)").arg(q(index)));
    }
    if (progress && !progress(done, total))
        return false;
    transaction.commit();
    return true;
}

qint64 OrderSearch::pendingCount(const QSqlDatabase& db, qint64 atMost) const
{
    qint64 n = 0;
    for (const QString& pending : {ordersOf(set_, ordersIndex()).pending(), itemsOf(set_).pending()}) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 LIMIT %2)").arg(q(pending)).arg(atMost)))
            throw Error(query.lastError().text());
        n += query.next() ? query.value(0).toLongLong() : 0;
    }
    return n;
}

qint64 OrderSearch::catchUp(QSqlDatabase& db, qint64 rows) const
{
    toolkit::SqlTransaction transaction(db);
    qint64 done = indexPending(db, ordersOf(set_, ordersIndex()), rows);
    if (done < rows)
        done += indexPending(db, itemsOf(set_), rows - done);
    transaction.commit();
    return done;
}

// Each object by the kind it is, so that the index of an earlier layout, whose names were
// given to objects of another kind, goes too.
void OrderSearch::drop(QSqlDatabase& db) const
{
    QSqlQuery kinds(db);
    for (const QString& name : orderObjects(ordersOf(set_, ordersIndex())) + itemObjects(itemsOf(set_))) {
        if (!kinds.prepare(QStringLiteral("SELECT type FROM sqlite_master WHERE name=? AND type IN "
                                          "('table','view','trigger')")))
            throw Error(kinds.lastError().text());
        kinds.addBindValue(name);
        if (!kinds.exec())
            throw Error(kinds.lastError().text());
        const QString type = kinds.next() ? kinds.value(0).toString() : QString();
        kinds.finish();
        if (!type.isEmpty())
            run(db, QStringLiteral("DROP %1 %2").arg(type.toUpper(), q(name)));
    }
}

namespace
{

// The index query for the three-character sequences of a word: every one must occur. It is
// answered from the index alone, without reading the text, so it finds a few more rows than
// hold the word; the condition confirms the word on each row it keeps. Empty when the word
// is shorter than three characters.
QString trigramQuery(const QString& word)
{
    const QList<uint> chars = word.toUcs4();
    QStringList trigrams;
    for (qsizetype i = 0; i + 3 <= chars.size(); ++i) {
        QString trigram = QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()) + i, 3).toLower();
        trigram.replace(QLatin1Char('"'), QLatin1String("\"\""));
        trigram = QLatin1Char('"') + trigram + QLatin1Char('"');
        if (!trigrams.contains(trigram))
            trigrams << trigram;
    }
    return trigrams.join(QStringLiteral(" AND "));
}

// The rows of an index's table that may hold a word (one bound value: the trigram query): the
// index's finds and the rows written since they were last indexed.
QString findsOf(const QString& index)
{
    return QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ? UNION ALL SELECT key FROM %2")
        .arg(q(index), q(index + QStringLiteral("Pending")));
}

// The LIKE pattern of a word: it occurs anywhere, its own % and _ and \ taken as they are.
QString likePattern(const QString& word)
{
    QString pattern = word;
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + pattern + QLatin1Char('%');
}

// The word occurs in one of the columns, ignoring the case of ASCII letters (LIKE's rule).
// Column by column, so that a row stops being read at its first match and no text is built.
QString contains(const QStringList& columns, const QString& word, QVariantList& values)
{
    QStringList any;
    for (const QString& column : columns) {
        any << q(column) + QStringLiteral(" LIKE ? ESCAPE '\\'");
        values << likePattern(word);
    }
    return any.join(QStringLiteral(" OR "));
}

} // namespace

QString OrderSearch::wordCondition(const QString& word, bool indexed, bool inOrder, bool itemsAsked,
                                   QVariantList& values) const
{
    const QString trigrams = indexed ? trigramQuery(word) : QString();
    QString orders;
    if (!trigrams.isEmpty()) {
        values << trigrams;
        // Rows written since they were last indexed are confirmed like the index's finds.
        orders = QStringLiteral("%1%2 IN (%3) AND (%4)")
                     .arg(inOrder ? QStringLiteral("+") : QString(), set_.ordersKey, findsOf(ordersIndex()),
                          contains(orderColumns(), word, values));
    } else {
        orders = contains(orderColumns(), word, values);
    }
    // A word beside the one that gathers the orders is asked of each order row read.
    if (itemsAsked)
        return QStringLiteral("((%1) OR %2)").arg(orders, itemsHold(word, values));
    return QStringLiteral("((%1) OR %2ShopperID IN (%3))")
        .arg(orders, inOrder ? QStringLiteral("+") : QString(), itemOrders(word, indexed, values));
}

// The texts of items that hold the word (their ids). A text holds it when its code or its
// product does, since a word holds no line break.
QString OrderSearch::textsHolding(const QString& word, QVariantList& values) const
{
    const ItemTexts x = itemsOf(set_);
    const QString trigrams = trigramQuery(word);
    QString texts = QStringLiteral("SELECT id FROM %1 WHERE ").arg(q(x.texts()));
    if (!trigrams.isEmpty()) {
        texts += QStringLiteral("id IN (SELECT rowid FROM %1 WHERE %1 MATCH ?) AND ").arg(q(x.index));
        values << trigrams;
    }
    values << likePattern(word);
    return texts + QStringLiteral("doc LIKE ? ESCAPE '\\'");
}

// The orders of the items written since they were last counted whose code or product holds
// the word: those items are read themselves.
QString OrderSearch::pendingItemOrders(const QString& word, QVariantList& values) const
{
    return QStringLiteral("SELECT ShopperID FROM %1 WHERE rowid IN (SELECT key FROM %2) AND (%3)")
        .arg(q(set_.itemsTable), q(itemsOf(set_).pending()), contains(itemColumns(), word, values));
}

// The orders with an item whose code or product holds the word. With the index, the orders
// counted for the texts that hold it.
QString OrderSearch::itemOrders(const QString& word, bool indexed, QVariantList& values) const
{
    if (!indexed)
        return QStringLiteral("SELECT ShopperID FROM %1 WHERE %2")
            .arg(q(set_.itemsTable), contains(itemColumns(), word, values));
    const QString texts = textsHolding(word, values);
    return QStringLiteral("SELECT ShopperID FROM %1 WHERE text IN (%2) UNION ALL %3")
        .arg(q(itemsOf(set_).orders()), texts, pendingItemOrders(word, values));
}

// Whether an item of the order row holds the word, asked of that row: its texts among those
// that hold it (a few entries by order), or a pending item that does. Whether any text holds
// it is asked once for the statement, so that no row is asked when none does (a word of a
// name or an address beside one of a product).
QString OrderSearch::itemsHold(const QString& word, QVariantList& values) const
{
    const QString anyText = textsHolding(word, values);
    const QString texts = textsHolding(word, values);
    return QStringLiteral("(EXISTS(%1) AND EXISTS(SELECT 1 FROM %2 AS o WHERE o.ShopperID=%3.ShopperID AND "
                          "+o.text IN (%4))) OR %3.ShopperID IN (%5)")
        .arg(anyText, q(itemsOf(set_).orders()), q(set_.ordersTable), texts, pendingItemOrders(word, values));
}

// How often the index finds a word in the orders and in the orders of item texts, counted up
// to kManyFinds each.
qint64 OrderSearch::finds(const QSqlDatabase& db, const QString& word) const
{
    if (const auto known = finds_.constFind(word); known != finds_.cend())
        return *known;
    QVariantList values{trigramQuery(word)};
    const QString texts = textsHolding(word, values);
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT (SELECT count(*) FROM (SELECT 1 FROM %1 WHERE %1 MATCH ? LIMIT %4))+"
                                 "(SELECT count(*) FROM (SELECT 1 FROM %2 WHERE text IN (%3) LIMIT %4))")
                      .arg(q(ordersIndex()), q(itemsOf(set_).orders()), texts)
                      .arg(kManyFinds));
    for (const QVariant& v : values)
        query.addBindValue(v);
    const qint64 n = query.exec() && query.next() ? query.value(0).toLongLong() : 2 * kManyFinds;
    finds_.insert(word, n);
    return n;
}

// The word on one order row: in its text, or in the text of one of its items. Read only for
// the rows it is asked about.
QString OrderSearch::holds(const QString& word, bool indexed, QVariantList& values) const
{
    const QString orders = contains(orderColumns(), word, values);
    if (indexed)
        return QStringLiteral("((%1) OR %2)").arg(orders, itemsHold(word, values));
    const QString items = contains(itemColumns(), word, values);
    return QStringLiteral("((%1) OR EXISTS(SELECT 1 FROM %2 WHERE %2.ShopperID=%3.ShopperID AND (%4)))")
        .arg(orders, q(set_.itemsTable), q(set_.ordersTable), items);
}

// Reading a page of P rows in order walks about P * orders / found of them. Measured at a
// million orders: gathering a find costs about 1.8 us, listing one for look-ups 0.3 us, looking
// a walked order up 0.1 us and reading one with its items (their texts asked of the index)
// 1.7 us. So for the grid's pages looking up wins over gathering once found * gathered reaches
// about 20 times the orders, and reading row by row wins over looking up at about 800 times.
// One word gathers about as many orders as it finds; of several words, the one that gathers
// finds more.
qint64 OrderSearch::readingFrom(Reading reading, qint64 orders, qint64 gathered)
{
    double factor = 0;
    switch (reading) {
    case Reading::Gathered:
        return 0;
    case Reading::LookedUp:
        factor = 20.0;
        break;
    case Reading::RowByRow:
        factor = 800.0;
        break;
    }
    const qint64 alone = qint64(std::ceil(std::sqrt(factor * double(orders))));
    if (gathered <= 0)
        return alone;
    return std::min(alone, qint64(std::ceil(factor * double(orders) / double(gathered))));
}

qint64 OrderSearch::gathered(const QSqlDatabase& db, const QString& text) const
{
    qint64 fewest = -1;
    gatheringWord(db, words(text), &fewest);
    return fewest;
}

// Of the words the index looks up, the one it finds least often (-1 when it looks up none), and
// how often it finds that one.
qsizetype OrderSearch::gatheringWord(const QSqlDatabase& db, const QStringList& all, qint64* fewest) const
{
    qsizetype gathers = -1;
    qint64 least = -1;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (trigramQuery(all[i]).isEmpty())
            continue;
        const qint64 n = finds(db, all[i]);
        if (gathers < 0 || n < least) {
            least = n;
            gathers = i;
        }
    }
    if (fewest)
        *fewest = least;
    return gathers;
}

OrderSearch::Condition OrderSearch::condition(const QSqlDatabase& db, const QString& text, bool indexed,
                                              Reading reading) const
{
    Condition c;
    const QStringList all = words(text);
    const bool rowByRow = reading == Reading::RowByRow;
    // Of several words the index looks up, the one it finds least often gathers the orders;
    // the others ask each of those orders whether one of its items holds them, rather than
    // gather every order whose items do.
    const auto looked =
        std::count_if(all.begin(), all.end(), [](const QString& word) { return !trigramQuery(word).isEmpty(); });
    const qsizetype gathers = indexed && !rowByRow && looked >= 2 ? gatheringWord(db, all) : -1;
    // A word too short for the index is asked of each order read, as a word is when the rows
    // are read one by one.
    QStringList parts;
    for (qsizetype i = 0; i < all.size(); ++i)
        parts << ((indexed && trigramQuery(all[i]).isEmpty()) || rowByRow
                      ? holds(all[i], indexed, c.values)
                      : wordCondition(all[i], indexed, reading == Reading::LookedUp, gathers >= 0 && i != gathers,
                                      c.values));
    c.sql = parts.join(QStringLiteral(" AND "));
    return c;
}

QString OrderSearch::whereText(const QSqlDatabase& db, const QString& text, bool indexed, Reading reading) const
{
    const Condition c = condition(db, text, indexed, reading);
    // The placeholders are the template's own: the values are never scanned for them.
    QString sql;
    sql.reserve(c.sql.size() + 64);
    qsizetype next = 0;
    for (const QChar ch : c.sql) {
        if (ch == u'?' && next < c.values.size())
            sql += SqlDialect::quote(c.values[next++].toString());
        else
            sql += ch;
    }
    return sql;
}

} // namespace pelmora
