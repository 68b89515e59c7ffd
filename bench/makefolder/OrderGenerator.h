#pragma once

#include <QDate>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::bench
{

// The Orders columns the generator fills, in file order (id is left to the engine).
#define PELMORA_BENCH_ORDER_FIELDS(X)                                                                                  \
    X(ShopperID)                                                                                                       \
    X(Username)                                                                                                        \
    X(Invoice_date)                                                                                                    \
    X(Invoice_time)                                                                                                    \
    X(Invoice_name)                                                                                                    \
    X(Invoice_company)                                                                                                 \
    X(Invoice_address1)                                                                                                \
    X(Invoice_address2)                                                                                                \
    X(Invoice_state)                                                                                                   \
    X(Invoice_zip)                                                                                                     \
    X(Invoice_country)                                                                                                 \
    X(Invoice_tel)                                                                                                     \
    X(Invoice_fax)                                                                                                     \
    X(Invoice_email)                                                                                                   \
    X(Invoice_TaxID)                                                                                                   \
    X(Ship_name)                                                                                                       \
    X(Ship_company)                                                                                                    \
    X(Ship_address1)                                                                                                   \
    X(Ship_address2)                                                                                                   \
    X(Ship_state)                                                                                                      \
    X(Ship_zip)                                                                                                        \
    X(Ship_tel)                                                                                                        \
    X(Ship_country)                                                                                                    \
    X(Discount)                                                                                                        \
    X(Voucher)                                                                                                         \
    X(Tax)                                                                                                             \
    X(Shipping)                                                                                                        \
    X(Total)                                                                                                           \
    X(Message)                                                                                                         \
    X(ExtraData)                                                                                                       \
    X(Payment_ref)                                                                                                     \
    X(Payment_notes)                                                                                                   \
    X(Voucher_code)                                                                                                    \
    X(Shipping_zone)                                                                                                   \
    X(IP_address)                                                                                                      \
    X(Payment_currency)                                                                                                \
    X(Payment_method)                                                                                                  \
    X(Payment_card_holder)                                                                                             \
    X(Payment_field1)                                                                                                  \
    X(Payment_field2)                                                                                                  \
    X(Payment_field3)                                                                                                  \
    X(Payment_field4)                                                                                                  \
    X(Payment_field5)                                                                                                  \
    X(Payment_field6)                                                                                                  \
    X(Status)                                                                                                          \
    X(Selected)                                                                                                        \
    X(Gift_voucher_value)                                                                                              \
    X(Gift_voucher_code)                                                                                               \
    X(Notes)                                                                                                           \
    X(New)

enum class F {
#define PELMORA_BENCH_ENUM(name) name,
    PELMORA_BENCH_ORDER_FIELDS(PELMORA_BENCH_ENUM)
#undef PELMORA_BENCH_ENUM
        Count
};

// Column names of F, in order.
const std::vector<const char*>& orderFieldNames();

// One value to bind: no value, a whole number, a real or text.
struct Value {
    enum class Kind { Null, Integer, Real, Text };
    Kind kind = Kind::Null;
    int64_t integer = 0;
    double real = 0;
    std::string text;
};

struct OrderRow {
    std::array<Value, size_t(F::Count)> values;

    Value& operator[](F f) { return values[size_t(f)]; }
    void null(F f) { (*this)[f].kind = Value::Kind::Null; }
    void integer(F f, int64_t v);
    void real(F f, double v);
    void text(F f, std::string_view v);
};

struct ItemRow {
    int64_t shopperId = 0;
    double qty = 0;
    std::string productCode;
    std::string product;
    std::string units;
    double price = 0;
    double amount = 0;
    std::string invoiceDate;
};

struct Region;

// A small, portable generator: the same seed gives the same folder on every machine.
class Rng
{
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // 0 <= result < n.
    uint32_t below(uint32_t n) { return uint32_t(((next() >> 32) * uint64_t(n)) >> 32); }
    int between(int low, int high) { return low + int(below(uint32_t(high - low + 1))); }
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return uniform() < p; }

  private:
    uint64_t state_;
};

// Orders of a shop over several years, in order-number order: billing and shipping persons
// of several countries, statuses by age (old orders mostly "Completed"), payment details
// by method, and about three items each whose amounts add up to the order's total.
class OrderGenerator
{
  public:
    struct Options {
        int64_t orders = 1000000;
        uint64_t seed = 20240601;
        QDate firstDay = QDate(2019, 1, 1);
        int days = 6 * 365 + 1;
        int64_t firstShopperId = 100001;
    };

    explicit OrderGenerator(const Options& options);

    // Fills the next order and its items; false after the last order.
    bool next(OrderRow& order, std::vector<ItemRow>& items);

  private:
    struct Person {
        std::string first, last, name, company, address1, address2, state, zip, tel, email;
    };
    void makePerson(const Region& region, Person& person);
    std::string zip(const Region& region);
    std::string phone(const Region& region);
    std::string email(const Person& person);
    const char* status(int ageDays);
    double makeItems(int64_t shopperId, const std::string& date, std::vector<ItemRow>& items);
    void payment(OrderRow& row, const Person& bill, const char* status, const Region& region);

    Options options_;
    Rng rng_;
    int64_t index_ = 0;
    std::vector<std::string> dates_;
    Person bill_, ship_;
    char buffer_[256] = {};
};

} // namespace pelmora::bench
