// The download file's value rules on any text, for every column type.
//
// Checked beyond the sanitizers: an accepted number is finite and an integer stays within
// +-2147483647; an accepted date or time is a valid one; a date time's date agrees with the
// date part alone (or is its next day: times after noon round up).

#include "common/Error.h"
#include "database/Schema.h"
#include "intake/ValueConversion.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace pelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        if (!std::isfinite(ValueConversion::toFloat(text)))
            std::abort();
    } catch (const Error&) {
    }
    try {
        const qint64 n = ValueConversion::toInteger(text);
        if (n > 2147483647 || n < -2147483647)
            std::abort();
    } catch (const Error&) {
    }
    try {
        const QDate date = ValueConversion::toDate(text);
        if (!date.isValid())
            std::abort();
        const size_t split = text.find_first_of("_ ");
        if (split != std::string_view::npos) {
            const QDate day = ValueConversion::toDate(text.substr(0, split));
            if (date != day && date != day.addDays(1))
                std::abort();
        }
    } catch (const Error&) {
    }
    try {
        if (!ValueConversion::toTime(text).isValid())
            std::abort();
    } catch (const Error&) {
    }
    for (ColumnType type : {ColumnType::Integer, ColumnType::Float, ColumnType::String, ColumnType::Memo,
                            ColumnType::Date, ColumnType::Time, ColumnType::Boolean, ColumnType::AutoInc}) {
        ImportValue value;
        try {
            ValueConversion::convert(type, text, value);
        } catch (const Error&) {
            continue;
        }
        if (value.storedLength < 0 || value.storedLength > int(sizeof value.stored))
            std::abort();
    }
    return 0;
}
