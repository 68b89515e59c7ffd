// Writes a synthetic download file of N orders (all 50 fields) and about three items each,
// the two files it splits into (what a peer imports), and the peer's table definitions.
//
// Usage: pelmora-bench-downloadfile DIR [--orders N] [--items-per-order K]
// Writes DIR/download.txt, DIR/orders.txt, DIR/items.txt and DIR/tables.sql.

#include "database/Schema.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <string>

using namespace pelmora;

namespace
{

// A small deterministic generator: the same file on every run.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 16);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

const char* const kFirst[] = {"Anna", "Ben", "Clara", "David", "Eva", "Felix", "Greta", "Hugo", "Ida", "Jonas"};
const char* const kLast[] = {"Smith", "Miller", "O'Neil", "Schmidt", "Garcia", "Rossi", "Novak", "Berg", "Dubois"};
const char* const kStreets[] = {"High Street", "Station Road", "Church Lane", "Mill Way", "Park Avenue"};
const char* const kCountries[] = {"United Kingdom", "Germany", "France", "Netherlands", "United States"};
const char* const kStatuses[] = {"Unpaid", "Paid", "Processing", "Shipped", "Completed"};
const char* const kMethods[] = {"Credit card", "PayPal", "Bank transfer", "Cheque"};
const char* const kProducts[] = {"Blue cotton shirt",           "Leather wallet", "Garden chair; folding",
                                 "Tea \"\"Earl Grey\"\" 250 g", "Wool scarf",     "Ceramic mug"};

template <size_t N> const char* pick(Random& r, const char* const (&list)[N])
{
    return list[r.below(static_cast<int>(N))];
}

void add(std::string& line, const std::string& field)
{
    if (!line.empty())
        line += ';';
    line += field;
}

std::string quoted(const std::string& text)
{
    return '"' + text + '"';
}

std::string money(Random& r, int max)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%02d", r.below(max), r.below(100));
    return buffer;
}

std::string orderLine(Random& r, int id, std::string& date)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", 1 + r.below(28), 1 + r.below(12), 2015 + r.below(10));
    date = buffer;
    const std::string name = std::string(pick(r, kFirst)) + ' ' + pick(r, kLast);
    const std::string street = std::to_string(1 + r.below(200)) + ' ' + pick(r, kStreets);
    const std::string country = pick(r, kCountries);
    std::string line;
    add(line, std::to_string(id));
    add(line, "shop" + std::to_string(1 + r.below(3)));
    add(line, date);
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", r.below(24), r.below(60), r.below(60));
    add(line, buffer);
    add(line, quoted(name));
    add(line, r.below(4) == 0 ? quoted("Acme; Sons Ltd") : std::string());
    add(line, quoted(street));
    add(line, "Flat " + std::to_string(r.below(30)));
    add(line, "County");
    add(line, std::to_string(10000 + r.below(89999)));
    add(line, country);
    add(line, "+44 20 7946 " + std::to_string(1000 + r.below(8999)));
    add(line, "");
    add(line, "customer.number." + std::to_string(id) + "@example-mail.com");
    add(line, "GB" + std::to_string(100000000 + r.below(899999999)));
    add(line, quoted(name));
    add(line, "");
    add(line, quoted(street));
    add(line, "");
    add(line, "County");
    add(line, std::to_string(10000 + r.below(89999)));
    add(line, "+44 20 7946 " + std::to_string(1000 + r.below(8999)));
    add(line, country);
    add(line, money(r, 10));
    add(line, money(r, 5));
    add(line, money(r, 30));
    add(line, money(r, 15));
    add(line, money(r, 400));
    add(line,
        r.below(10) == 0 ? quoted("Please leave the parcel\r\nwith the neighbour, \"\"Mr Berg\"\"") : std::string());
    add(line, "x" + std::to_string(r.below(1000)));
    add(line, "REF" + std::to_string(id));
    add(line, "approved");
    add(line, r.below(5) == 0 ? "SPRING10" : "");
    add(line, "Zone " + std::to_string(1 + r.below(5)));
    add(line, "192.168." + std::to_string(r.below(256)) + '.' + std::to_string(r.below(256)));
    add(line, "GBP");
    add(line, pick(r, kMethods));
    add(line, quoted(name));
    for (int i = 0; i < 6; ++i)
        add(line, "pf" + std::to_string(i + 1));
    add(line, pick(r, kStatuses));
    add(line, r.below(2) ? "True" : "False");
    add(line, money(r, 20));
    add(line, r.below(8) == 0 ? "GIFT" + std::to_string(id) : std::string());
    add(line, "");
    add(line, "True");
    return line;
}

std::string itemLine(Random& r, int id, const std::string& date)
{
    std::string line;
    add(line, std::to_string(id));
    add(line, std::to_string(1 + r.below(4)));
    add(line, "P" + std::to_string(1000 + r.below(9000)));
    add(line, quoted(pick(r, kProducts)));
    add(line, "pcs");
    add(line, money(r, 80));
    add(line, money(r, 240));
    add(line, date);
    return line;
}

QString tableSql(const QString& table, const std::vector<Column>& columns)
{
    QStringList defs;
    for (const Column& c : columns)
        if (c.type != ColumnType::AutoInc)
            defs << '"' + c.name + "\" " + c.declaration;
    return QStringLiteral("CREATE TABLE %1(%2);\n").arg(table, defs.join(','));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: pelmora-bench-downloadfile DIR [--orders N] [--items-per-order K]\n");
        return 2;
    }
    const std::string dir = args.at(1).toStdString();
    int orders = 100000;
    int itemsPerOrder = 3;
    for (int i = 2; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--orders"))
            orders = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--items-per-order"))
            itemsPerOrder = args.at(i + 1).toInt();
    }
    FILE* download = std::fopen((dir + "/download.txt").c_str(), "wb");
    FILE* ordersFile = std::fopen((dir + "/orders.txt").c_str(), "wb");
    FILE* itemsFile = std::fopen((dir + "/items.txt").c_str(), "wb");
    FILE* sql = std::fopen((dir + "/tables.sql").c_str(), "wb");
    if (!download || !ordersFile || !itemsFile || !sql) {
        std::fprintf(stderr, "cannot write to %s\n", dir.c_str());
        return 1;
    }
    Random r;
    std::string items;
    std::fputs("Download of the bench shop\r\n", download);
    std::vector<std::string> dates(static_cast<size_t>(orders));
    for (int i = 0; i < orders; ++i) {
        const std::string line = orderLine(r, 1000001 + i, dates[static_cast<size_t>(i)]) + "\r\n";
        std::fputs(line.c_str(), download);
        std::fputs(line.c_str(), ordersFile);
    }
    std::fputs("<-- Orders -- >\r\n", download);
    for (int i = 0; i < orders; ++i) {
        for (int k = 0; k < itemsPerOrder; ++k) {
            const std::string line = itemLine(r, 1000001 + i, dates[static_cast<size_t>(i)]) + "\r\n";
            std::fputs(line.c_str(), download);
            std::fputs(line.c_str(), itemsFile);
        }
    }
    const QByteArray tables = (tableSql(QStringLiteral("Orders"), Schema::orderColumns()) +
                               tableSql(QStringLiteral("Items"), Schema::itemColumns()))
                                  .toUtf8();
    std::fputs(tables.constData(), sql);
    for (FILE* f : {download, ordersFile, itemsFile, sql})
        if (std::fclose(f) != 0)
            return 1;
    std::fprintf(stderr, "wrote %d orders and %d items to %s\n", orders, orders * itemsPerOrder, dir.c_str());
    return 0;
}
