#include "workspace/OrderSearch.h"

#include "common/Error.h"
#include "database/SqlDialect.h"
#include "toolkit/SqlTransaction.h"

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
    return SqlDialect::quoteIdentifier(identifier);
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
    QString trigger(const char* suffix) const { return index + QLatin1String(suffix); }
};

QStringList indexCreateStatements(const Indexed& x, bool keyUpdatable)
{
    const QString view = q(x.view());
    const QString index = q(x.index);
    const QString table = q(x.table);
    QStringList updated;
    for (const QString& c : x.columns)
        updated << q(c);
    if (keyUpdatable)
        updated << q(x.key);
    const QString forNew =
        QStringLiteral("INSERT INTO %1(rowid,doc) SELECT SearchKey,doc FROM %2 WHERE SearchKey=NEW.%3;")
            .arg(index, view, x.key);
    const QString forOld =
        QStringLiteral("INSERT INTO %1(%1,rowid,doc) SELECT 'delete',SearchKey,doc FROM %2 WHERE SearchKey=OLD.%3;")
            .arg(index, view, x.key);
    return {
        QStringLiteral("CREATE VIEW %1 AS SELECT %2 AS SearchKey,%3 AS doc FROM %4")
            .arg(view, x.key, documentOf(x.columns), table),
        QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(doc,content=%2,content_rowid='SearchKey',"
                       "tokenize='trigram',detail='none',columnsize=0)")
            .arg(index, QStringLiteral("'%1'").arg(x.view())),
        QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3 END").arg(q(x.trigger("_ai")), table, forNew),
        QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 BEGIN %4 END")
            .arg(q(x.trigger("_bu")), updated.join(','), table, forOld),
        QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 BEGIN %4 END")
            .arg(q(x.trigger("_au")), updated.join(','), table, forNew),
        QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 BEGIN %3 END").arg(q(x.trigger("_bd")), table, forOld),
    };
}

QStringList indexDropStatements(const Indexed& x)
{
    QStringList list;
    for (const char* suffix : {"_ai", "_bu", "_au", "_bd"})
        list << QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(q(x.trigger(suffix)));
    list << QStringLiteral("DROP TABLE IF EXISTS %1").arg(q(x.index))
         << QStringLiteral("DROP VIEW IF EXISTS %1").arg(q(x.view()));
    return list;
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
    // The archive's identity is its rowid, which an UPDATE OF list cannot name.
    const bool keyUpdatable = set_.ordersKey != QLatin1String("rowid");
    return indexCreateStatements(ordersOf(set_, ordersIndex()), keyUpdatable) +
           indexCreateStatements(itemsOf(set_, itemsIndex()), false);
}

QStringList OrderSearch::dropStatements() const
{
    return indexDropStatements(ordersOf(set_, ordersIndex())) + indexDropStatements(itemsOf(set_, itemsIndex()));
}

QStringList OrderSearch::triggerNames() const
{
    QStringList names;
    for (const QString& index : {ordersIndex(), itemsIndex()})
        for (const char* suffix : {"_ai", "_bu", "_au", "_bd"})
            names << index + QLatin1String(suffix);
    return names;
}

bool OrderSearch::isReady(const QSqlDatabase& db) const
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT type,name FROM sqlite_master WHERE type IN ('table','view','trigger')")))
        return false;
    QSet<QString> present;
    while (query.next())
        present.insert(query.value(0).toString() + ':' + query.value(1).toString());
    QStringList wanted{QStringLiteral("table:") + ordersIndex(), QStringLiteral("table:") + itemsIndex(),
                       QStringLiteral("view:") + ordersIndex() + QStringLiteral("Text"),
                       QStringLiteral("view:") + itemsIndex() + QStringLiteral("Text")};
    for (const QString& name : triggerNames())
        wanted << QStringLiteral("trigger:") + name;
    for (const QString& w : wanted)
        if (!present.contains(w))
            return false;
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
    if (!fill(db, ordersOf(set_, ordersIndex()), done, total, progress) ||
        !fill(db, itemsOf(set_, itemsIndex()), done, total, progress))
        return false;
    transaction.commit();
    return true;
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
        orders = QStringLiteral("%1 IN (SELECT rowid FROM %2 WHERE %2 MATCH ?) AND (%3)")
                     .arg(set_.ordersKey, q(ordersIndex()), contains(orderColumns(), word, values));
        values << trigrams;
        items = QStringLiteral("rowid IN (SELECT rowid FROM %1 WHERE %1 MATCH ?) AND (%2)")
                    .arg(q(itemsIndex()), contains(itemColumns(), word, values));
    } else {
        orders = contains(orderColumns(), word, values);
        items = contains(itemColumns(), word, values);
    }
    return QStringLiteral("((%1) OR ShopperID IN (SELECT ShopperID FROM %2 WHERE %3))")
        .arg(orders, q(set_.itemsTable), items);
}

OrderSearch::Condition OrderSearch::condition(const QString& text, bool indexed) const
{
    Condition c;
    QStringList parts;
    for (const QString& word : words(text))
        parts << wordCondition(word, indexed, c.values);
    c.sql = parts.join(QStringLiteral(" AND "));
    return c;
}

QString OrderSearch::whereText(const QString& text, bool indexed) const
{
    const Condition c = condition(text, indexed);
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
