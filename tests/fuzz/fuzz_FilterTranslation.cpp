// The orders grid's filter, from the text the grid writes to the SQLite condition, on any
// input.
//
// Two kinds of input. Raw text (first byte odd) goes through the translation as typed, for the
// sanitizers. A condition (first byte even) is built as the grid builds one from a column, an
// operator and a value taken from the bytes; its SQL must be accepted by SQLite, and a row
// holding exactly the value must be found by "=" and by "(NonBlanks)" (or "(Blanks)" when the
// value is empty) and kept out by "<>".

#include "database/Schema.h"
#include "toolkit/FilterCondition.h"
#include "workspace/FilterTranslation.h"

#include <QDate>
#include <QTime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

using namespace pelmora;
using toolkit::FilterCondition;

namespace
{

sqlite3* database()
{
    static sqlite3* db = [] {
        sqlite3* handle = nullptr;
        sqlite3_open(":memory:", &handle);
        QStringList defs;
        for (const Column& c : Schema::orderColumns())
            defs << c.name + QLatin1Char(' ') + c.declaration;
        const QByteArray create = ("CREATE TABLE Orders(" + defs.join(QLatin1Char(',')) + ')').toUtf8();
        if (sqlite3_exec(handle, create.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            std::abort();
        return handle;
    }();
    return db;
}

// Rows of Orders the condition finds; -1 when SQLite refuses it.
int count(const QString& where)
{
    const QByteArray sql = ("SELECT count(*) FROM Orders WHERE " + where).toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database(), sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
        return -1;
    const int n = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    sqlite3_finalize(statement);
    return n;
}

int rowsFound(const FilterCondition& condition)
{
    return count(FilterTranslation::toSqlWhere(FilterTranslation::translate(condition.toExpression())));
}

[[noreturn]] void fail(const char* what, const FilterCondition& condition)
{
    std::fprintf(stderr, "%s: %s\n-> %s\n", what, qPrintable(condition.toExpression()),
                 qPrintable(FilterTranslation::toSqlWhere(FilterTranslation::translate(condition.toExpression()))));
    std::abort();
}

// The column's value as the import stores it, and as the grid hands it to the filter.
struct Value {
    QVariant stored;
    QVariant shown;
};

bool valueFrom(const Column& column, const QByteArray& bytes, Value& value)
{
    switch (column.type) {
    case ColumnType::Date: {
        if (bytes.size() < 4)
            return false;
        const int days = (uchar(bytes[0]) | uchar(bytes[1]) << 8 | uchar(bytes[2]) << 16) % 3000000;
        const QDate date = QDate(1000, 1, 1).addDays(days);
        if (date.year() > 9999)
            return false;
        value = {date.toString(Qt::ISODate), date};
        return true;
    }
    case ColumnType::Time: {
        if (bytes.size() < 4)
            return false;
        const quint32 raw = uchar(bytes[0]) | uchar(bytes[1]) << 8 | uchar(bytes[2]) << 16 | uchar(bytes[3]) << 24;
        const int ms = int(raw % 86400000u);
        const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
        value = {time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss")), time};
        return true;
    }
    case ColumnType::String:
    case ColumnType::Memo: {
        // The import reads NUL as a blank: no stored text holds one.
        QString text = QString::fromUtf8(bytes);
        text.replace(QChar(0), QLatin1Char(' '));
        value = {text, text};
        return true;
    }
    default:
        return false;
    }
}

void bindRow(const QString& field, const QVariant& stored)
{
    sqlite3_exec(database(), "DELETE FROM Orders", nullptr, nullptr, nullptr);
    const QByteArray sql = ("INSERT INTO Orders(" + field + ") VALUES(?)").toUtf8();
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(database(), sql.constData(), int(sql.size()), &insert, nullptr) != SQLITE_OK)
        std::abort();
    const QByteArray text = stored.toString().toUtf8();
    sqlite3_bind_text(insert, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_finalize(insert);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));
    if (data[0] & 1) {
        const QString text = QString::fromUtf8(rest);
        FilterTranslation::toSqlWhere(FilterTranslation::translate(text));
        return 0;
    }
    const std::vector<Column>& columns = Schema::orderColumns();
    const Column& column = columns[data[1] % columns.size()];
    Value value;
    if (!valueFrom(column, rest, value))
        return 0;
    bindRow(column.name, value.stored);
    using Op = FilterCondition::Operator;
    for (Op op : {Op::Less, Op::LessOrEqual, Op::Greater, Op::GreaterOrEqual, Op::Like})
        if (rowsFound(FilterCondition::compare(column.name, op, value.shown)) < 0)
            fail("refused", FilterCondition::compare(column.name, op, value.shown));
    const FilterCondition equal = FilterCondition::compare(column.name, Op::Equal, value.shown);
    if (rowsFound(equal) != 1)
        fail("row not found by its value", equal);
    const FilterCondition unequal = FilterCondition::compare(column.name, Op::NotEqual, value.shown);
    if (rowsFound(unequal) != 0)
        fail("row found by another value", unequal);
    const bool empty = value.stored.toString().isEmpty();
    const FilterCondition blank = empty ? FilterCondition::blank(column.name) : FilterCondition::notBlank(column.name);
    if (rowsFound(blank) != 1)
        fail(empty ? "empty value not blank" : "value not a non-blank", blank);
    return 0;
}
