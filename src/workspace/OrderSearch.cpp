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

// The searched text of one row: the columns' text, one line each.
QString documentOf(const QStringList& columns)
{
    QStringList parts;
    for (const QString& c : columns)
        parts << QStringLiteral("coalesce(CAST(%1 AS TEXT),'')").arg(q(c));
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

QStringList triggerDropStatements(const Indexed& x)
{
    QStringList list;
    for (const char* suffix : kRowByRowTriggers)
        list << QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(q(x.trigger(suffix)));
    for (const char* suffix : kTriggers)
        list << QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(q(x.trigger(suffix)));
    list << QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(q(x.trigger(kRekeyTrigger)));
    return list;
}

QStringList indexDropStatements(const Indexed& x)
{
    return triggerDropStatements(x) + QStringList{QStringLiteral("DROP TABLE IF EXISTS %1").arg(q(x.index)),
                                                  QStringLiteral("DROP TABLE IF EXISTS %1").arg(q(x.pending())),
                                                  QStringLiteral("DROP VIEW IF EXISTS %1").arg(q(x.view()))};
}

// Indexes the pending rows of one index, lowest keys first, at most `limit` of them.
qint64 indexPending(QSqlDatabase& db, const Indexed& x, qint64 limit)
{
    QSqlQuery last(db);
    if (!last.exec(QStringLiteral("SELECT count(*),max(key) FROM (SELECT key FROM %1 ORDER BY key LIMIT %2)")
                       .arg(q(x.pending()))
                       .arg(limit)))
        throw Error(last.lastError().text());
    if (!last.next() || last.value(0).toLongLong() == 0)
        return 0;
    const qint64 rows = last.value(0).toLongLong();
    const QVariant upTo = last.value(1);
    last.finish();
    run(db,
        QStringLiteral("INSERT INTO %1(rowid,doc) SELECT SearchKey,doc FROM %2 "
                       "WHERE SearchKey IN (SELECT key FROM %3 WHERE key<=?)")
            .arg(q(x.index), q(x.view()), q(x.pending())),
        {upTo});
    run(db, QStringLiteral("DELETE FROM %1 WHERE key<=?").arg(q(x.pending())), {upTo});
    return rows;
}

// Fills an index from its view, a chunk of keys at a time.
bool fill(QSqlDatabase& db, const Indexed& x, qint64& done, qint64 total, const OrderSearch::Progress& progress)
{
    QSqlQuery range(db);
    if (!range.exec(QStringLiteral("SELECT min(%1),max(%1) FROM %2").arg(x.key, q(x.table))))
        throw Error(range.lastError().text());
    if (!range.next() || range.value(0).isNull())
        return true;
    const qint64 first = range.value(0).toLongLong();
    const qint64 last = range.value(1).toLongLong();
    const QString sql = QStringLiteral("INSERT INTO %1(rowid,doc) SELECT SearchKey,doc FROM %2 "
                                       "WHERE SearchKey BETWEEN ? AND ?")
                            .arg(q(x.index), q(x.view()));
    QSqlQuery insert(db);
    if (!insert.prepare(sql))
        throw Error(insert.lastError().text());
    for (qint64 from = first; from <= last; from += kChunk) {
        const qint64 to = std::min(last, from + kChunk - 1);
        insert.addBindValue(from);
        insert.addBindValue(to);
        if (!insert.exec())
            throw Error(insert.lastError().text());
        done += scalar(db, QStringLiteral("SELECT count(*) FROM %1 WHERE %2 BETWEEN %3 AND %4")
                               .arg(q(x.table), x.key)
                               .arg(from)
                               .arg(to));
        if (progress && !progress(done, total))
            return false;
    }
    return true;
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
Indexed itemsOf(const OrdersDataSet& set, const QString& index)
{
    return {set.itemsTable, QStringLiteral("rowid"), index, OrderSearch::itemColumns()};
}
} // namespace

QStringList OrderSearch::createStatements() const
{
    return indexCreateStatements(ordersOf(set_, ordersIndex()), keyUpdatable()) +
           indexCreateStatements(itemsOf(set_, itemsIndex()), false);
}

bool OrderSearch::keyUpdatable() const
{
    // The archive's identity is its rowid, which an UPDATE OF list cannot name.
    return set_.ordersKey != QLatin1String("rowid");
}

QStringList OrderSearch::dropStatements() const
{
    return indexDropStatements(ordersOf(set_, ordersIndex())) + indexDropStatements(itemsOf(set_, itemsIndex()));
}

namespace
{

QSet<QString> schemaObjects(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    QSet<QString> present;
    if (!query.exec(QStringLiteral("SELECT type,name FROM sqlite_master WHERE type IN ('table','view','trigger')")))
        return present;
    while (query.next())
        present.insert(query.value(0).toString() + ':' + query.value(1).toString());
    return present;
}

} // namespace

// The indexes and views, and either the triggers of today with their pending keys or those
// that kept the indexes current row by row.
OrderSearch::Shape OrderSearch::shape(const QSqlDatabase& db) const
{
    const QSet<QString> present = schemaObjects(db);
    const auto has = [&](const char* type, const QString& name) {
        return present.contains(QLatin1String(type) + ':' + name);
    };
    bool current = true;
    bool rowByRow = true;
    for (const QString& index : {ordersIndex(), itemsIndex()}) {
        if (!has("table", index) || !has("view", index + QStringLiteral("Text")))
            return Shape::Missing;
        for (const char* suffix : kTriggers)
            current = current && has("trigger", index + QLatin1String(suffix));
        if (index == ordersIndex() && keyUpdatable())
            current = current && has("trigger", index + QLatin1String(kRekeyTrigger));
        current = current && has("table", index + QStringLiteral("Pending"));
        for (const char* suffix : kRowByRowTriggers)
            rowByRow = rowByRow && has("trigger", index + QLatin1String(suffix));
    }
    return current ? Shape::Current : rowByRow ? Shape::RowByRow : Shape::Missing;
}

bool OrderSearch::isReady(const QSqlDatabase& db) const
{
    return shape(db) == Shape::Current;
}

bool OrderSearch::upgrade(QSqlDatabase& db) const
{
    if (shape(db) != Shape::RowByRow)
        return false;
    toolkit::SqlTransaction transaction(db);
    // Every row is in the index already: none is pending.
    const auto replaceTriggers = [&](const Indexed& x, bool rekey) {
        for (const QString& sql : triggerDropStatements(x))
            run(db, sql);
        run(db, pendingTableStatement(x));
        for (const QString& sql : triggerStatements(x, rekey))
            run(db, sql);
    };
    replaceTriggers(ordersOf(set_, ordersIndex()), keyUpdatable());
    replaceTriggers(itemsOf(set_, itemsIndex()), false);
    transaction.commit();
    return true;
}

bool OrderSearch::build(QSqlDatabase& db, const Progress& progress) const
{
    toolkit::SqlTransaction transaction(db);
    for (const QString& sql : dropStatements() + createStatements())
        run(db, sql);
    const qint64 total = scalar(db, QStringLiteral("SELECT count(*) FROM %1").arg(q(set_.ordersTable))) +
                         scalar(db, QStringLiteral("SELECT count(*) FROM %1").arg(q(set_.itemsTable)));
    qint64 done = 0;
    if (progress && !progress(0, total))
        return false;
    // Filled without merging segments as they come, then merged into one at the end: less
    // writing than merging level by level, and a search then reads one segment.
    for (const QString& index : {ordersIndex(), itemsIndex()})
        run(db, QStringLiteral("INSERT INTO %1(%1,rank) VALUES('automerge',0)").arg(q(index)));
    if (!fill(db, ordersOf(set_, ordersIndex()), done, total, progress) ||
        !fill(db, itemsOf(set_, itemsIndex()), done, total, progress))
        return false;
    for (const QString& index : {ordersIndex(), itemsIndex()}) {
        run(db, QStringLiteral("INSERT INTO %1(%1) VALUES('optimize')").arg(q(index)));
        // The chunks indexed later are merged as they come again.
        run(db, QStringLiteral("INSERT INTO %1(%1,rank) VALUES('automerge',4)").arg(q(index)));
        if (progress && !progress(done, total))
            return false;
    }
    transaction.commit();
    return true;
}

qint64 OrderSearch::pendingCount(const QSqlDatabase& db, qint64 atMost) const
{
    qint64 n = 0;
    for (const QString& index : {ordersIndex(), itemsIndex()}) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 LIMIT %2)")
                            .arg(q(index + QStringLiteral("Pending")))
                            .arg(atMost)))
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
        done += indexPending(db, itemsOf(set_, itemsIndex()), rows - done);
    transaction.commit();
    return done;
}

void OrderSearch::drop(QSqlDatabase& db) const
{
    for (const QString& sql : dropStatements())
        run(db, sql);
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

// The word occurs in one of the columns, ignoring the case of ASCII letters (LIKE's rule).
// Column by column, so that a row stops being read at its first match and no text is built.
QString contains(const QStringList& columns, const QString& word, QVariantList& values)
{
    QString pattern = word;
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    pattern = QLatin1Char('%') + pattern + QLatin1Char('%');
    QStringList any;
    for (const QString& column : columns) {
        any << q(column) + QStringLiteral(" LIKE ? ESCAPE '\\'");
        values << pattern;
    }
    return any.join(QStringLiteral(" OR "));
}

} // namespace

QString OrderSearch::wordCondition(const QString& word, bool indexed, QVariantList& values) const
{
    const QString trigrams = indexed ? trigramQuery(word) : QString();
    QString orders;
    QString items;
    if (!trigrams.isEmpty()) {
        values << trigrams;
        // Rows written since they were last indexed are confirmed like the index's finds.
        orders = QStringLiteral("%1 IN (%2) AND (%3)")
                     .arg(set_.ordersKey, findsOf(ordersIndex()), contains(orderColumns(), word, values));
        values << trigrams;
        items =
            QStringLiteral("rowid IN (%1) AND (%2)").arg(findsOf(itemsIndex()), contains(itemColumns(), word, values));
    } else {
        orders = contains(orderColumns(), word, values);
        items = contains(itemColumns(), word, values);
    }
    return QStringLiteral("((%1) OR ShopperID IN (SELECT ShopperID FROM %2 WHERE %3))")
        .arg(orders, q(set_.itemsTable), items);
}

// The orders that may hold a word of three characters or more: the index's finds in the
// orders' text and in their items' text, and the rows written since they were last indexed.
// Every order that holds the word is among them; none is confirmed yet.
QString OrderSearch::candidates(const QString& trigrams, QVariantList& values) const
{
    values << trigrams << trigrams;
    return QStringLiteral(
               "%1 UNION ALL SELECT %2 FROM %3 WHERE ShopperID IN (SELECT ShopperID FROM %4 WHERE rowid IN (%5))")
        .arg(findsOf(ordersIndex()), set_.ordersKey, q(set_.ordersTable), q(set_.itemsTable), findsOf(itemsIndex()));
}

// The word on one order row: in its text, or in the text of one of its items. Read only for
// the rows it is asked about.
QString OrderSearch::holds(const QString& word, QVariantList& values) const
{
    const QString orders = contains(orderColumns(), word, values);
    const QString items = contains(itemColumns(), word, values);
    return QStringLiteral("((%1) OR EXISTS(SELECT 1 FROM %2 WHERE %2.ShopperID=%3.ShopperID AND (%4)))")
        .arg(orders, q(set_.itemsTable), q(set_.ordersTable), items);
}

// Whether the index finds fewer than kFewItemFinds items (pending ones included) that may hold
// the word: then the orders of those items are cheap to list.
bool OrderSearch::fewItemFinds(const QSqlDatabase& db, const QString& trigrams) const
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT count(*) FROM (%1 LIMIT %2)").arg(findsOf(itemsIndex())).arg(kFewItemFinds));
    query.addBindValue(trigrams);
    return query.exec() && query.next() && query.value(0).toLongLong() < kFewItemFinds;
}

OrderSearch::Condition OrderSearch::condition(const QSqlDatabase& db, const QString& text, bool indexed) const
{
    Condition c;
    const QStringList all = words(text);
    // Several words where some of them the index finds in few items: only the orders that may
    // hold each of those words are read, and those words are confirmed on these rows alone
    // instead of on all of their own finds. A word found in many items keeps its own
    // confirmed set, whose items are read once, rather than an order row read per find.
    QStringList sets;
    QList<bool> narrows;
    if (indexed && all.size() > 1) {
        for (const QString& word : all) {
            const QString trigrams = trigramQuery(word);
            narrows << (!trigrams.isEmpty() && fewItemFinds(db, trigrams));
            if (narrows.last())
                sets << QStringLiteral("SELECT * FROM (%1)").arg(candidates(trigrams, c.values));
        }
    }
    QStringList parts;
    if (!sets.isEmpty())
        parts << QStringLiteral("%1 IN (%2)").arg(set_.ordersKey, sets.join(QStringLiteral(" INTERSECT ")));
    for (qsizetype i = 0; i < all.size(); ++i) {
        // Otherwise a word's finds are confirmed as a set, which serves a count of one word
        // best, and a word too short for the index is found by a scan.
        const bool onTheseRows = !sets.isEmpty() && (narrows[i] || trigramQuery(all[i]).isEmpty());
        parts << (onTheseRows ? holds(all[i], c.values) : wordCondition(all[i], indexed, c.values));
    }
    c.sql = parts.join(QStringLiteral(" AND "));
    return c;
}

QString OrderSearch::whereText(const QSqlDatabase& db, const QString& text, bool indexed) const
{
    const Condition c = condition(db, text, indexed);
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
