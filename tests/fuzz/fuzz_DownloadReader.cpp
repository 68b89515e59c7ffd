// The download file reader and the value conversion behind the import, on any bytes.
//
// Checked beyond the sanitizers: the records do not depend on how the file arrives (the
// device hands out a few bytes at a time, as a slow disk or pipe may), and every field the
// conversion accepts for its column gives a value in the stored form.

#include "common/Error.h"
#include "database/Schema.h"
#include "intake/DownloadReader.h"
#include "intake/ValueConversion.h"

#include <QBuffer>
#include <QDate>
#include <QTime>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace pelmora;

namespace
{

// A device that gives at most `chunk` bytes per read.
class Trickle : public QIODevice
{
  public:
    Trickle(QByteArray bytes, qint64 chunk) : m_bytes(std::move(bytes)), m_chunk(chunk) {}

  protected:
    qint64 readData(char* data, qint64 size) override
    {
        const qint64 n = std::min({size, m_chunk, qint64(m_bytes.size()) - m_pos});
        std::memcpy(data, m_bytes.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray m_bytes;
    qint64 m_chunk;
    qint64 m_pos = 0;
};

struct Record {
    int section;
    qint64 number;
    qint64 line;
    std::vector<std::string> fields;
    bool operator==(const Record&) const = default;
};

std::vector<Record> readAll(QIODevice& device)
{
    std::vector<Record> records;
    DownloadReader reader(device);
    while (reader.next()) {
        Record r{int(reader.section()), reader.recordNumber(), reader.lineNumber(), {}};
        for (int i = 0; i < reader.fieldCount(); ++i)
            r.fields.emplace_back(reader.field(i));
        records.push_back(std::move(r));
        if (records.size() > 100000)
            break;
    }
    return records;
}

void convert(const Record& record)
{
    const std::vector<Column>& columns = record.section == 0 ? Schema::orderColumns() : Schema::itemColumns();
    for (size_t i = 0; i < record.fields.size() && i < columns.size(); ++i) {
        ImportValue value;
        try {
            ValueConversion::convert(columns[i].type, record.fields[i], value);
        } catch (const Error&) {
            continue;
        }
        if (value.kind != ImportValue::Kind::Text || value.storedLength == 0)
            continue;
        const QString stored = QString::fromLatin1(value.stored, value.storedLength);
        const bool valid = columns[i].type == ColumnType::Date
                               ? QDate::fromString(stored, QStringLiteral("yyyy-MM-dd")).isValid()
                               : (QTime::fromString(stored, QStringLiteral("HH:mm:ss")).isValid() ||
                                  QTime::fromString(stored, QStringLiteral("HH:mm:ss.zzz")).isValid());
        if (!valid)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets how many bytes the slow device hands out at a time.
    const qint64 chunk = 1 + data[0] % 7;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    std::vector<Record> whole, trickled;
    try {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        whole = readAll(buffer);
    } catch (const Error&) {
        return 0;
    }
    Trickle slow(bytes, chunk);
    slow.open(QIODevice::ReadOnly);
    trickled = readAll(slow);
    if (whole != trickled)
        std::abort();
    for (const Record& r : whole)
        convert(r);
    return 0;
}
