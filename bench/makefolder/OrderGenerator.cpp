#include "OrderGenerator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace pelmora::bench
{

const std::vector<const char*>& orderFieldNames()
{
    static const std::vector<const char*> names{
#define PELMORA_BENCH_NAME(name) #name,
        PELMORA_BENCH_ORDER_FIELDS(PELMORA_BENCH_NAME)
#undef PELMORA_BENCH_NAME
    };
    return names;
}

struct Region {
    const char* country;
    const char* currency;
    const char* zone;
    double taxRate;
    int weight;
    enum class Zip { Five, Four, Canada, Britain, Dutch } zipKind;
    const char* phonePrefix;
    std::vector<const char*> states;
    std::vector<const char*> cities;
    const char* taxPrefix;
};

void OrderRow::integer(F f, int64_t v)
{
    Value& value = (*this)[f];
    value.kind = Value::Kind::Integer;
    value.integer = v;
}

void OrderRow::real(F f, double v)
{
    Value& value = (*this)[f];
    value.kind = Value::Kind::Real;
    value.real = v;
}

void OrderRow::text(F f, std::string_view v)
{
    Value& value = (*this)[f];
    value.kind = Value::Kind::Text;
    value.text.assign(v);
}

namespace
{

template <typename T, size_t N> const T& pick(Rng& rng, const T (&list)[N])
{
    return list[rng.below(uint32_t(N))];
}

template <typename T> const T& pick(Rng& rng, const std::vector<T>& list)
{
    return list[rng.below(uint32_t(list.size()))];
}

// An index chosen with the given relative weights.
int weighted(Rng& rng, std::initializer_list<int> weights)
{
    int total = 0;
    for (int w : weights)
        total += w;
    int r = int(rng.below(uint32_t(total)));
    int index = 0;
    for (int w : weights) {
        if (r < w)
            return index;
        r -= w;
        ++index;
    }
    return index - 1;
}

double cents(double value)
{
    return std::round(value * 100.0) / 100.0;
}

const char* const kFirstNames[] = {
    "James",   "Mary",      "Robert",      "Patricia", "John",    "Jennifer",  "Michael", "Linda",
    "David",   "Elizabeth", "William",     "Barbara",  "Richard", "Susan",     "Joseph",  "Jessica",
    "Thomas",  "Sarah",     "Christopher", "Karen",    "Charles", "Lisa",      "Daniel",  "Nancy",
    "Matthew", "Margaret",  "Anthony",     "Sandra",   "Mark",    "Ashley",    "Steven",  "Kimberly",
    "Andrew",  "Emily",     "Joshua",      "Michelle", "Kenneth", "Dorothy",   "Kevin",   "Carol",
    "Brian",   "Amanda",    "George",      "Melissa",  "Oliver",  "Charlotte", "Harry",   "Amelia",
    "Lukas",   "Hannah",    "Pierre",      "Camille",  "Liam",    "Chloe",     "Noah",    "Sophie",
    "Ethan",   "Olivia",    "Jack",        "Isla",     "José",    "Zoë",       "Søren",   "Anaïs"};

const char* const kLastNames[] = {
    "Smith",     "Johnson",      "Williams",   "Brown",    "Jones",     "Garcia",    "Miller",   "Davis",
    "Rodriguez", "Martinez",     "Hernandez",  "Lopez",    "Gonzalez",  "Wilson",    "Anderson", "Thomas",
    "Taylor",    "Moore",        "Jackson",    "Martin",   "Lee",       "Perez",     "Thompson", "White",
    "Harris",    "Sanchez",      "Clark",      "Ramirez",  "Lewis",     "Robinson",  "Walker",   "Young",
    "Allen",     "King",         "Wright",     "Scott",    "Torres",    "Nguyen",    "Hill",     "Flores",
    "Green",     "Adams",        "Nelson",     "Baker",    "Hall",      "Rivera",    "Campbell", "Mitchell",
    "Carter",    "Roberts",      "Fitzgerald", "O'Brien",  "MacDonald", "Schneider", "Fischer",  "Dubois",
    "Lefebvre",  "van der Berg", "Jansen",     "Kowalski", "Nakamura",  "Okafor",    "Müller",   "Worthington-Smythe"};

const char* const kCompanies[] = {
    "Bright Ideas Studio",      "Harbourside Catering Ltd", "Northfield Dental",         "Blue Heron Books",
    "Maple & Pine Interiors",   "Summit Outdoor Supply",    "Green Valley Farm",         "Copperleaf Design Co.",
    "Riverside Community Hall", "Oakwood Primary School",   "Silverline Logistics",      "Juniper Yoga",
    "Redwood Consulting Group", "Little Acorns Nursery",    "Stonebridge Architects",    "Café Lumière",
    "Two Rivers Brewing",       "Atlas Print Works",        "Kestrel Veterinary Clinic", "Lakeside Hotel"};

const char* const kStreets[] = {"Maple",     "Oak",      "Cedar",      "Elm",      "Highland",   "Church",
                                "Station",   "Victoria", "Kensington", "Lincoln",  "Washington", "Park",
                                "Riverside", "Mill",     "Chestnut",   "Willow",   "Meadow",     "Harbour",
                                "King",      "Queen",    "Greenwood",  "Sycamore", "Orchard",    "Hawthorne",
                                "Birch",     "Ashford",  "Fairview",   "Lakeview", "Sunset",     "Hillcrest"};

const char* const kStreetKinds[] = {"Street", "Avenue", "Road",  "Lane",    "Drive",   "Boulevard",
                                    "Court",  "Way",    "Place", "Terrace", "Gardens", "Close"};

const char* const kUnits[] = {"Apt", "Suite", "Unit", "Flat", "Floor"};

const char* const kDomains[] = {"example.com", "example.net", "example.org", "mail.example.com", "shop.example.net"};

struct Account {
    const char* name;
    int weight;
};
const Account kAccounts[] = {{"6northwindgoods", 70}, {"8harbourcrafts", 20}, {"Cbackroomtoys", 10}};

const char* const kMessages[] = {"Please leave the parcel with the neighbour at number 12 if nobody is home.",
                                 "This is a gift - please do not include the invoice in the box.",
                                 "Could you gift wrap the mug? Happy birthday Mum!",
                                 "Deliver to the back door please, the front bell does not work.",
                                 "Is it possible to ship before Friday? We leave on holiday on Saturday.",
                                 "Second order this month, love your products!",
                                 "Please call before delivery.",
                                 "Same colour as my last order if possible.",
                                 "Office is closed on Mondays.",
                                 "Leave in the porch."};

const char* const kNotes[] = {
    "Called customer re address", "Replacement sent", "Refund issued by card", "Back-ordered 2 days",
    "Customer collected",         "Address checked",  "Split shipment",        "Wholesale customer"};

const char* const kExtraData[] = {"utm_source=newsletter", "utm_source=google&utm_medium=cpc", "ref=affiliate-0042",
                                  "utm_source=instagram", "mobile-app"};

const char* const kVoucherCodes[] = {"SPRING10", "WELCOME5", "FREESHIP", "VIP15", "SUMMER20", "THANKYOU"};

const char* const kColours[] = {"Charcoal", "Sage green", "Natural", "Ocean blue", "Terracotta", "Mustard", "White"};

const std::vector<Region>& regions()
{
    using Z = Region::Zip;
    static const std::vector<Region> list{
        {"United States",
         "USD",
         "Domestic",
         0.0725,
         58,
         Z::Five,
         "+1",
         {"California", "Texas", "New York", "Florida", "Illinois", "Pennsylvania", "Ohio", "Georgia", "North Carolina",
          "Michigan", "Washington", "Massachusetts", "Colorado", "Oregon", "Minnesota"},
         {"Springfield", "Portland", "Franklin", "Greenville", "Madison", "Clinton", "Salem", "Fairview", "Riverside",
          "Georgetown", "Arlington", "Ashland"},
         "EIN "},
        {"Canada",
         "CAD",
         "North America",
         0.13,
         8,
         Z::Canada,
         "+1",
         {"Ontario", "Quebec", "British Columbia", "Alberta", "Manitoba", "Nova Scotia"},
         {"Toronto", "Montreal", "Vancouver", "Calgary", "Ottawa", "Halifax", "Winnipeg"},
         "BN "},
        {"United Kingdom",
         "GBP",
         "Europe",
         0.20,
         14,
         Z::Britain,
         "+44",
         {"Greater London", "West Yorkshire", "Kent", "Lancashire", "Devon", "Surrey", "Hampshire", "Cornwall"},
         {"London", "Leeds", "Canterbury", "Manchester", "Exeter", "Guildford", "Winchester", "Truro"},
         "GB"},
        {"Germany",
         "EUR",
         "Europe",
         0.19,
         8,
         Z::Five,
         "+49",
         {"Bayern", "Berlin", "Hessen", "Hamburg", "Sachsen", "Nordrhein-Westfalen", "Baden-Württemberg"},
         {"München", "Berlin", "Frankfurt am Main", "Hamburg", "Dresden", "Köln", "Stuttgart"},
         "DE"},
        {"France",
         "EUR",
         "Europe",
         0.20,
         5,
         Z::Five,
         "+33",
         {"Île-de-France", "Bretagne", "Normandie", "Occitanie", "Provence-Alpes-Côte d'Azur"},
         {"Paris", "Rennes", "Rouen", "Toulouse", "Marseille", "Nice"},
         "FR"},
        {"Australia",
         "AUD",
         "World",
         0.10,
         5,
         Z::Four,
         "+61",
         {"New South Wales", "Victoria", "Queensland", "Western Australia", "South Australia"},
         {"Sydney", "Melbourne", "Brisbane", "Perth", "Adelaide"},
         "ABN "},
        {"Netherlands",
         "EUR",
         "Europe",
         0.21,
         2,
         Z::Dutch,
         "+31",
         {"Noord-Holland", "Zuid-Holland", "Utrecht", "Gelderland"},
         {"Amsterdam", "Rotterdam", "Utrecht", "Arnhem", "Den Haag"},
         "NL"},
    };
    return list;
}

struct Product {
    std::string code;
    std::string name;
    std::string units;
    double price;
};

const std::vector<Product>& catalog()
{
    struct Kind {
        const char* prefix;
        const char* name;
        const char* units;
        double price;
    };
    static const Kind kinds[] = {{"TOTE", "Tote Bag", "each", 14.50},
                                 {"MUG", "Coffee Mug, 350 ml", "each", 12.00},
                                 {"TTWL", "Tea Towels", "set of 3", 18.00},
                                 {"BRD", "Cutting Board", "each", 29.00},
                                 {"BTL", "Water Bottle, 750 ml", "each", 24.50},
                                 {"THRW", "Throw Blanket, 130 x 170 cm", "each", 89.00},
                                 {"CNDL", "Candle Holders", "pair", 22.00},
                                 {"POT", "Plant Pot, 15 cm", "each", 16.00},
                                 {"BOWL", "Serving Bowl", "each", 34.00},
                                 {"CSTR", "Coasters", "pack of 4", 11.00},
                                 {"JAR", "Storage Jar, 1 l", "each", 13.50},
                                 {"APRN", "Apron", "each", 27.00},
                                 {"NAPK", "Napkins", "pack of 6", 19.50},
                                 {"LNCH", "Lunch Box", "each", 21.00},
                                 {"FRM", "Picture Frame, A4", "each", 17.50},
                                 {"TWL", "Bath Towel", "each", 32.00},
                                 {"BRSH", "Dish Brush", "each", 6.50},
                                 {"SRV", "Salad Servers", "pair", 15.00},
                                 {"CLK", "Wall Clock, 30 cm", "each", 59.00},
                                 {"CUSH", "Cushion Cover, 45 x 45 cm", "each", 23.00}};
    static const struct {
        const char* name;
        double factor;
    } materials[] = {{"Organic Cotton", 1.0}, {"Bamboo", 0.9},  {"Stainless Steel", 1.3}, {"Ceramic", 1.0},
                     {"Recycled Glass", 1.1}, {"Oak", 1.5},     {"Linen", 1.2},           {"Merino Wool", 1.6},
                     {"Cast Iron", 1.4},      {"Enamel", 0.95}, {"Leather", 1.8},         {"Copper", 1.7}};
    static const std::vector<Product> list = [] {
        std::vector<Product> products;
        int m = 0;
        for (const auto& material : materials) {
            int k = 0;
            for (const Kind& kind : kinds) {
                char code[32];
                std::snprintf(code, sizeof code, "%s-%02d%02d", kind.prefix, m + 10, k + 10);
                const double base = std::floor(kind.price * material.factor);
                products.push_back({code, std::string(material.name) + ' ' + kind.name, kind.units,
                                    base + ((m + k) % 3 == 0 ? 0.50 : 0.95)});
                ++k;
            }
            ++m;
        }
        return products;
    }();
    return list;
}

} // namespace

OrderGenerator::OrderGenerator(const Options& options) : options_(options), rng_(options.seed)
{
    dates_.reserve(size_t(options.days));
    for (int d = 0; d < options.days; ++d)
        dates_.push_back(options.firstDay.addDays(d).toString(Qt::ISODate).toStdString());
}

std::string OrderGenerator::zip(const Region& region)
{
    using Z = Region::Zip;
    switch (region.zipKind) {
    case Z::Five:
        std::snprintf(buffer_, sizeof buffer_, "%05d", rng_.between(1001, 99950));
        break;
    case Z::Four:
        std::snprintf(buffer_, sizeof buffer_, "%04d", rng_.between(800, 7999));
        break;
    case Z::Canada:
        std::snprintf(buffer_, sizeof buffer_, "%c%d%c %d%c%d", "KLMNHJTV"[rng_.below(8)], rng_.between(1, 9),
                      'A' + rng_.below(26), rng_.between(0, 9), 'A' + rng_.below(26), rng_.between(0, 9));
        break;
    case Z::Britain: {
        static const char* const areas[] = {"SW", "NW", "LS", "CT", "M", "EX", "GU", "SO", "TR", "E", "N", "W"};
        std::snprintf(buffer_, sizeof buffer_, "%s%d %d%c%c", pick(rng_, areas), rng_.between(1, 20),
                      rng_.between(1, 9), 'A' + rng_.below(26), 'A' + rng_.below(26));
        break;
    }
    case Z::Dutch:
        std::snprintf(buffer_, sizeof buffer_, "%d %c%c", rng_.between(1011, 9999), 'A' + rng_.below(26),
                      'A' + rng_.below(26));
        break;
    }
    return buffer_;
}

std::string OrderGenerator::phone(const Region& region)
{
    if (region.phonePrefix == std::string_view("+1"))
        std::snprintf(buffer_, sizeof buffer_, "+1 (%03d) %03d-%04d", rng_.between(201, 989), rng_.between(200, 999),
                      rng_.between(0, 9999));
    else
        std::snprintf(buffer_, sizeof buffer_, "%s %d %04d %04d", region.phonePrefix, rng_.between(20, 799),
                      rng_.between(0, 9999), rng_.between(0, 9999));
    return buffer_;
}

std::string OrderGenerator::email(const Person& person)
{
    std::string local;
    for (const std::string* part : {&person.first, &person.last}) {
        if (!local.empty())
            local += rng_.chance(0.7) ? '.' : '_';
        for (unsigned char c : *part)
            if (c < 0x80 && c != ' ' && c != '\'')
                local += char(std::tolower(c));
    }
    if (rng_.chance(0.6))
        local += std::to_string(rng_.between(1, 9999));
    std::string address = local + '@' + pick(rng_, kDomains);
    // Customer addresses are longer than the column's nominal width, as real ones are.
    while (address.size() <= 20)
        address.insert(local.size(), 1, char('0' + rng_.below(10)));
    return address;
}

void OrderGenerator::makePerson(const Region& region, Person& p)
{
    p.first = pick(rng_, kFirstNames);
    p.last = pick(rng_, kLastNames);
    p.name = p.first + ' ' + p.last;
    p.company = rng_.chance(0.22) ? pick(rng_, kCompanies) : "";
    std::snprintf(buffer_, sizeof buffer_, "%d %s %s", rng_.between(1, 2999), pick(rng_, kStreets),
                  pick(rng_, kStreetKinds));
    p.address1 = buffer_;
    const char* city = pick(rng_, region.cities);
    if (rng_.chance(0.25)) {
        std::snprintf(buffer_, sizeof buffer_, "%s %d, %s", pick(rng_, kUnits), rng_.between(1, 40), city);
        p.address2 = buffer_;
    } else {
        p.address2 = city;
    }
    p.state = pick(rng_, region.states);
    p.zip = zip(region);
    p.tel = phone(region);
    p.email = email(p);
}

const char* OrderGenerator::status(int ageDays)
{
    if (ageDays > 60) {
        static const char* const s[] = {"Completed", "Cancelled", "Refunded", "Unpaid"};
        return s[weighted(rng_, {93, 3, 2, 2})];
    }
    if (ageDays > 14) {
        static const char* const s[] = {"Completed", "Shipped", "Unpaid", "Cancelled", "Refunded"};
        return s[weighted(rng_, {60, 25, 6, 5, 4})];
    }
    static const char* const s[] = {"Unpaid", "Paid", "Processing", "Shipped", "Completed"};
    return s[weighted(rng_, {20, 25, 25, 25, 5})];
}

double OrderGenerator::makeItems(int64_t shopperId, const std::string& date, std::vector<ItemRow>& items)
{
    const auto& products = catalog();
    const int count = 1 + weighted(rng_, {15, 20, 30, 20, 15});
    items.resize(size_t(count));
    double subtotal = 0;
    for (ItemRow& item : items) {
        // A few products sell far more than the rest.
        const double u = rng_.uniform();
        const Product& product = products[size_t(double(products.size()) * u * u)];
        static const int quantities[] = {1, 2, 3, 4, 5, 6, 10};
        item.shopperId = shopperId;
        item.qty = quantities[weighted(rng_, {65, 22, 8, 2, 1, 1, 1})];
        item.productCode = product.code;
        item.product = product.name;
        if (rng_.chance(0.4)) {
            item.product += "\r\nColour: ";
            item.product += pick(rng_, kColours);
        }
        item.units = product.units;
        item.price = product.price;
        item.amount = cents(item.qty * item.price);
        item.invoiceDate = date;
        subtotal += item.amount;
    }
    return cents(subtotal);
}

void OrderGenerator::payment(OrderRow& row, const Person& bill, const char* status, const Region& region)
{
    static const char* const methods[] = {"Credit card", "PayPal",           "Bank transfer",
                                          "Cheque",      "Cash on delivery", "Invoice"};
    const int method = weighted(rng_, {55, 30, 7, 2, 3, 3});
    row.text(F::Payment_method, methods[method]);
    for (F f : {F::Payment_card_holder, F::Payment_field1, F::Payment_field2, F::Payment_field3, F::Payment_field4,
                F::Payment_field5, F::Payment_field6})
        row.null(f);
    const bool unpaid = status == std::string_view("Unpaid");
    row.text(F::Payment_currency, region.currency);
    if (unpaid) {
        row.null(F::Payment_ref);
        row.text(F::Payment_notes, "Awaiting payment");
        return;
    }
    switch (method) {
    case 0: {
        std::snprintf(buffer_, sizeof buffer_, "TXN%012llX", (unsigned long long)(rng_.next() & 0xFFFFFFFFFFFFULL));
        row.text(F::Payment_ref, buffer_);
        row.text(F::Payment_notes, rng_.chance(0.9) ? "Captured" : "Authorised");
        std::string holder = bill.name;
        for (char& c : holder)
            c = char(std::toupper((unsigned char)c));
        row.text(F::Payment_card_holder, holder);
        static const char* const brands[] = {"Visa", "Mastercard", "American Express", "Maestro"};
        row.text(F::Payment_field1, brands[weighted(rng_, {50, 35, 10, 5})]);
        std::snprintf(buffer_, sizeof buffer_, "XXXX-XXXX-XXXX-%04d", rng_.between(0, 9999));
        row.text(F::Payment_field2, buffer_);
        std::snprintf(buffer_, sizeof buffer_, "%02d/%02d", rng_.between(1, 12), rng_.between(24, 31));
        row.text(F::Payment_field3, buffer_);
        row.text(F::Payment_field4, rng_.chance(0.95) ? "AVS: Y  CV2: Y" : "AVS: N  CV2: Y");
        row.text(F::Payment_field5, rng_.chance(0.7) ? "3-D Secure: authenticated" : "3-D Secure: attempted");
        break;
    }
    case 1: {
        std::snprintf(buffer_, sizeof buffer_, "%02d%c%c%09llu%c", rng_.between(10, 99), 'A' + rng_.below(26),
                      'A' + rng_.below(26), (unsigned long long)(rng_.next() % 1000000000ULL), 'A' + rng_.below(26));
        row.text(F::Payment_ref, buffer_);
        row.text(F::Payment_notes, "Completed");
        row.text(F::Payment_field1, rng_.chance(0.85) ? "verified" : "unverified");
        std::snprintf(buffer_, sizeof buffer_, "PAYER%010llu", (unsigned long long)(rng_.next() % 10000000000ULL));
        row.text(F::Payment_field2, buffer_);
        row.text(F::Payment_field3, bill.email);
        break;
    }
    case 2:
        std::snprintf(buffer_, sizeof buffer_, "BT-%06d", rng_.between(1, 999999));
        row.text(F::Payment_ref, buffer_);
        row.text(F::Payment_notes, "Transfer received");
        break;
    case 3:
        std::snprintf(buffer_, sizeof buffer_, "CHQ %06d", rng_.between(1, 999999));
        row.text(F::Payment_ref, buffer_);
        row.text(F::Payment_notes, "Cheque cleared");
        break;
    default:
        row.null(F::Payment_ref);
        row.text(F::Payment_notes, method == 4 ? "Collect on delivery" : "Net 30 days");
        break;
    }
}

bool OrderGenerator::next(OrderRow& row, std::vector<ItemRow>& items)
{
    if (index_ >= options_.orders)
        return false;
    const int64_t i = index_++;
    const int day = int(i * options_.days / options_.orders);
    const int age = options_.days - 1 - day;
    const std::string& date = dates_[size_t(day)];
    const int64_t shopperId = options_.firstShopperId + i;

    const auto& all = regions();
    int total = 0;
    for (const auto& r : all)
        total += r.weight;
    int r = int(rng_.below(uint32_t(total)));
    size_t ri = 0;
    while (r >= all[ri].weight)
        r -= all[ri++].weight;
    const Region& region = all[ri];

    row.integer(F::ShopperID, shopperId);
    row.text(F::Username,
             kAccounts[weighted(rng_, {kAccounts[0].weight, kAccounts[1].weight, kAccounts[2].weight})].name);
    row.text(F::Invoice_date, date);
    // Most orders come in during the day.
    const int hour = rng_.chance(0.85) ? rng_.between(8, 22) : rng_.between(0, 23);
    std::snprintf(buffer_, sizeof buffer_, "%02d:%02d:%02d", hour, rng_.between(0, 59), rng_.between(0, 59));
    row.text(F::Invoice_time, buffer_);

    makePerson(region, bill_);
    row.text(F::Invoice_name, bill_.name);
    bill_.company.empty() ? row.null(F::Invoice_company) : row.text(F::Invoice_company, bill_.company);
    row.text(F::Invoice_address1, bill_.address1);
    row.text(F::Invoice_address2, bill_.address2);
    row.text(F::Invoice_state, bill_.state);
    row.text(F::Invoice_zip, bill_.zip);
    row.text(F::Invoice_country, region.country);
    row.text(F::Invoice_tel, bill_.tel);
    if (!bill_.company.empty() && rng_.chance(0.15))
        row.text(F::Invoice_fax, phone(region));
    else
        row.null(F::Invoice_fax);
    row.text(F::Invoice_email, bill_.email);
    if (!bill_.company.empty() && rng_.chance(0.4)) {
        std::snprintf(buffer_, sizeof buffer_, "%s%09d", region.taxPrefix, rng_.between(100000000, 999999999));
        row.text(F::Invoice_TaxID, buffer_);
    } else {
        row.null(F::Invoice_TaxID);
    }

    // Most parcels go to the buyer; some are gifts to someone else in the same country.
    const bool gift = rng_.chance(0.18);
    if (gift)
        makePerson(region, ship_);
    const Person& ship = gift ? ship_ : bill_;
    row.text(F::Ship_name, ship.name);
    ship.company.empty() ? row.null(F::Ship_company) : row.text(F::Ship_company, ship.company);
    row.text(F::Ship_address1, ship.address1);
    row.text(F::Ship_address2, ship.address2);
    row.text(F::Ship_state, ship.state);
    row.text(F::Ship_zip, ship.zip);
    row.text(F::Ship_tel, ship.tel);
    row.text(F::Ship_country, region.country);

    const double subtotal = makeItems(shopperId, date, items);
    const double discount = rng_.chance(0.10) ? cents(subtotal * rng_.between(5, 15) / 100.0) : 0.0;
    const bool voucher = rng_.chance(0.05);
    const double voucherValue = voucher ? std::min(subtotal - discount, double(rng_.chance(0.5) ? 5 : 10)) : 0.0;
    static const int giftValues[] = {10, 25, 50};
    const bool giftVoucher = rng_.chance(0.02);
    const double giftValue =
        giftVoucher ? std::min(subtotal - discount - voucherValue, double(pick(rng_, giftValues))) : 0.0;
    const double goods = std::max(0.0, subtotal - discount - voucherValue - giftValue);
    double shipping;
    if (region.zone == std::string_view("Domestic"))
        shipping = subtotal >= 100 ? 0.0 : (rng_.chance(0.8) ? 5.95 : 12.95);
    else
        shipping = region.zone == std::string_view("World") ? 29.95 : (subtotal >= 150 ? 9.95 : 14.95);
    const double tax = cents(goods * region.taxRate);
    row.real(F::Discount, discount);
    row.real(F::Voucher, voucherValue);
    row.real(F::Tax, tax);
    row.real(F::Shipping, shipping);
    row.real(F::Total, cents(goods + shipping + tax));

    rng_.chance(0.12) ? row.text(F::Message, pick(rng_, kMessages)) : row.null(F::Message);
    rng_.chance(0.25) ? row.text(F::ExtraData, pick(rng_, kExtraData)) : row.null(F::ExtraData);
    voucher ? row.text(F::Voucher_code, pick(rng_, kVoucherCodes)) : row.null(F::Voucher_code);
    row.text(F::Shipping_zone, region.zone);
    std::snprintf(buffer_, sizeof buffer_, "%d.%d.%d.%d", rng_.between(2, 223), rng_.between(0, 255),
                  rng_.between(0, 255), rng_.between(1, 254));
    row.text(F::IP_address, buffer_);

    const char* orderStatus = status(age);
    payment(row, bill_, orderStatus, region);
    row.text(F::Status, orderStatus);
    row.integer(F::Selected, rng_.chance(0.02) ? 1 : 0);
    if (giftVoucher) {
        row.real(F::Gift_voucher_value, giftValue);
        std::snprintf(buffer_, sizeof buffer_, "GV-%04X-%04X", rng_.below(0x10000), rng_.below(0x10000));
        row.text(F::Gift_voucher_code, buffer_);
    } else {
        row.null(F::Gift_voucher_value);
        row.null(F::Gift_voucher_code);
    }
    rng_.chance(0.04) ? row.text(F::Notes, pick(rng_, kNotes)) : row.null(F::Notes);
    // Orders of the last few days have not been worked on yet.
    row.integer(F::New, age <= 3 ? 1 : 0);
    return true;
}

} // namespace pelmora::bench
