// The orders search on a generated program folder, on a private copy of its database:
// building the index (time, size against the text it covers), then for a few fragments the
// first rows and the count, against the LIKE scan a filter would run.
//
//   pelmora-bench-search FOLDER [--runs K]       SEARCH_INDEXED_COPY keeps the indexed copy,
//                                                SEARCH_FRAGMENTS="a b;c" searches for others
//   pelmora-bench-search --index-only DATABASE     adds the index to a database (for the
//                                                  import overhead measured by run-part)
//   pelmora-bench-search --catch-up DATABASE       indexes the rows an import left pending,
//                                                  in the chunks the program uses while idle
//   pelmora-bench-search --where DATABASE TEXT     prints the condition the search for TEXT
//                                                  gives, to time or EXPLAIN in the sqlite3 shell
#include "support/Figures.h"
#include "workspace/OrderSearch.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

using namespace pelmora;
using namespace pelmora::bench;

namespace
{

QSqlDatabase open(const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(path);
    if (!db.open()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        std::exit(1);
    }
    // Reads mapped, as the program's connection reads them.
    QSqlQuery(QStringLiteral("PRAGMA mmap_size=2147418112"), db);
    return db;
}

qint64 scalar(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec() || !query.next()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(query.lastError().text()));
        std::exit(1);
    }
    return query.value(0).toLongLong();
}

int rows(QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(query.lastError().text()));
        std::exit(1);
    }
    int n = 0;
    while (query.next())
        ++n;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--index-only")) {
        QSqlDatabase db = open(args[2]);
        OrderSearch(OrdersSource::Live).build(db);
        return 0;
    }
    if (args.size() == 4 && args[1] == QLatin1String("--where")) {
        QSqlDatabase db = open(args[2]);
        std::printf("%s\n", qPrintable(OrderSearch(OrdersSource::Live).whereText(db, args[3])));
        return 0;
    }
    if (args.size() == 3 && args[1] == QLatin1String("--catch-up")) {
        QSqlDatabase db = open(args[2]);
        const OrderSearch search(OrdersSource::Live);
        const qint64 pending = search.pendingCount(db, 1LL << 40);
        std::vector<double> chunks;
        qint64 rows = 1000;
        const double total = timeMs([&] {
            for (;;) {
                qint64 done = 0;
                const double ms = timeMs([&] { done = search.catchUp(db, rows); });
                chunks.push_back(ms);
                if (done < rows)
                    break;
                // As the program adapts its chunks to about 50 ms.
                rows = std::clamp<qint64>(qint64(double(rows) * 50.0 / std::max(ms, 1.0)), 100, 100000);
            }
        });
        std::fprintf(stderr, "caught up %lld pending rows in %zu chunks\n", static_cast<long long>(pending),
                     chunks.size());
        printFigure("search-catch-up", total, "ms");
        printFigure("search-catch-up-chunk", median(chunks), "ms");
        printFigure("search-catch-up-chunk-worst", *std::max_element(chunks.begin(), chunks.end()), "ms");
        return 0;
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: pelmora-bench-search FOLDER [--runs K] | --index-only DATABASE | "
                             "--catch-up DATABASE\n");
        return 2;
    }
    const int runs = args.size() >= 4 && args[2] == QLatin1String("--runs") ? args[3].toInt() : 5;
    // SEARCH_INDEXED_COPY names a file that keeps the indexed copy between runs (the build
    // is then timed only once).
    QTemporaryDir work;
    const QString kept = qEnvironmentVariable("SEARCH_INDEXED_COPY");
    const QString copy = kept.isEmpty() ? work.filePath(QStringLiteral("search.tdbd")) : kept;
    const bool reuse = !kept.isEmpty() && QFile::exists(kept);
    if (!reuse && !QFile::copy(args[1] + QStringLiteral("/db/Pelmora.tdbd"), copy)) {
        std::fprintf(stderr, "cannot copy the folder's database\n");
        return 1;
    }
    QSqlDatabase db = open(copy);
    const OrderSearch search(OrdersSource::Live);
    // A kept copy indexed by an earlier version is indexed anew, as the program does.
    const bool rebuild = !reuse || !search.isReady(db);
    int lastPercent = -1;
    if (rebuild) {
        const double buildMs = timeMs([&] {
            search.build(db, [&](qint64 done, qint64 total) {
                const int percent = total ? int(done * 100 / total) : 100;
                if (percent / 10 != lastPercent / 10)
                    std::fprintf(stderr, "building the search index: %d %%\n", percent);
                lastPercent = percent;
                return true;
            });
        });
        printFigure("search-index-build", buildMs / 1000.0, "s");
        QSqlQuery("VACUUM", db);
    }
    // The text the index covers: every order's and every item's (the index keeps each
    // distinct item text once).
    const qint64 text =
        scalar(db, QStringLiteral("SELECT sum(length(CAST(doc AS BLOB))) FROM OrdersSearchText")) +
        scalar(db, QStringLiteral("SELECT sum(length(CAST(coalesce(CAST(ProductCode AS TEXT),'')||char(10)||"
                                  "coalesce(CAST(Product AS TEXT),'') AS BLOB))) FROM Items"));
    const qint64 index =
        scalar(db, QStringLiteral("SELECT sum(pgsize) FROM dbstat WHERE name LIKE 'OrdersSearch%' "
                                  "OR name LIKE 'ItemsSearch%' OR name LIKE 'sqlite_autoindex_ItemsSearch%'"));
    printFigure("search-text-covered", double(text) / 1e6, "MB");
    printFigure("search-index-size", double(index) / 1e6, "MB");
    printRatio("search-index-size", double(index) / double(text));

    // Fragments a merchant types: part of a surname, of an e-mail address, a product, a
    // street, an order number; and two words. SEARCH_FRAGMENTS (separated by ';') asks for
    // others instead.
    QStringList fragments = qEnvironmentVariable("SEARCH_FRAGMENTS").split(';', Qt::SkipEmptyParts);
    if (fragments.isEmpty()) {
        QSqlQuery sample(db);
        sample.exec(QStringLiteral("SELECT Invoice_name,Invoice_email,Ship_address1,ShopperID FROM Orders "
                                   "WHERE id=(SELECT max(id)/2 FROM Orders)"));
        sample.next();
        fragments << sample.value(0).toString().section(' ', -1).left(5) << sample.value(1).toString().left(6)
                  << sample.value(2).toString().section(' ', 1, 1) << sample.value(3).toString();
        QSqlQuery product(db);
        product.exec(QStringLiteral("SELECT Product FROM Items LIMIT 1 OFFSET 1000"));
        product.next();
        fragments << product.value(0).toString().section(' ', 0, 0)
                  << sample.value(0).toString().section(' ', -1).left(5) + ' ' + fragments[2];
    }
    std::vector<double> first, count, likeFirst, likeCount;
    for (const QString& fragment : fragments) {
        const OrderSearch::Condition c = search.condition(db, fragment);
        // As the grid reads its first page once it has counted: in the order of the sort's
        // index when enough orders were found.
        const qint64 found = scalar(db, QStringLiteral("SELECT count(*) FROM Orders WHERE %1").arg(c.sql), c.values);
        const qint64 orders = scalar(db, QStringLiteral("SELECT count(*) FROM Orders"));
        OrderSearch::Reading reading = OrderSearch::Reading::Gathered;
        for (OrderSearch::Reading r : {OrderSearch::Reading::LookedUp, OrderSearch::Reading::RowByRow})
            if (found >= OrderSearch::readingFrom(r, orders, search.gathered(db, fragment)))
                reading = r;
        const OrderSearch::Condition inOrder = search.condition(db, fragment, true, reading);
        int shown = 0;
        qint64 total = 0;
        for (int run = 0; run < runs; ++run) {
            // As the grid reads its first screen: the keys in order, then their rows.
            first.push_back(timeMs([&] {
                QSqlQuery keys(db);
                keys.setForwardOnly(true);
                keys.prepare(QStringLiteral("SELECT id FROM Orders WHERE %1 ORDER BY ShopperID DESC, id DESC LIMIT 128")
                                 .arg(inOrder.sql));
                for (const QVariant& v : inOrder.values)
                    keys.addBindValue(v);
                keys.exec();
                QStringList ids;
                while (keys.next())
                    ids << keys.value(0).toString();
                shown = ids.isEmpty()
                            ? 0
                            : rows(db, QStringLiteral("SELECT * FROM Orders WHERE id IN (%1)").arg(ids.join(',')), {});
            }));
            count.push_back(timeMs([&] {
                total = scalar(db, QStringLiteral("SELECT count(*) FROM Orders WHERE %1").arg(c.sql), c.values);
            }));
        }
        // The LIKE scan a filter on one column runs today, for comparison.
        const QString like = QStringLiteral("Invoice_name LIKE ?");
        const QVariantList likeValue{QVariant(QLatin1Char('%') + fragment.section(' ', 0, 0) + QLatin1Char('%'))};
        likeFirst.push_back(timeMs([&] {
            rows(db, QStringLiteral("SELECT * FROM Orders WHERE %1 ORDER BY ShopperID DESC LIMIT 60").arg(like),
                 likeValue);
        }));
        likeCount.push_back(
            timeMs([&] { scalar(db, QStringLiteral("SELECT count(*) FROM Orders WHERE %1").arg(like), likeValue); }));
        const auto last = [&](const std::vector<double>& all) {
            return median(std::vector<double>(all.end() - runs, all.end()));
        };
        std::fprintf(stderr, "search \"%s\": %lld orders, first %d shown; first rows %.1f ms, count %.1f ms\n",
                     qPrintable(fragment), static_cast<long long>(total), shown, last(first), last(count));
    }
    printFigure("search-first-rows", median(first), "ms");
    printFigure("search-first-rows-worst", *std::max_element(first.begin(), first.end()), "ms");
    printFigure("search-count", median(count), "ms");
    printFigure("search-count-worst", *std::max_element(count.begin(), count.end()), "ms");
    printFigure("search-like-scan-first-rows", median(likeFirst), "ms");
    printFigure("search-like-scan-count", median(likeCount), "ms");
    return 0;
}
