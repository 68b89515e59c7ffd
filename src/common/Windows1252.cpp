#include "common/Windows1252.h"

#include <cstdint>
#include <cstring>

namespace pelmora::Windows1252
{

namespace
{
// 0x80-0x9F; the unassigned bytes keep their own number.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

QChar charOf(unsigned char byte)
{
    return QChar((byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : char16_t(byte));
}

int byteOf(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u < 0x100))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}

QString toUnicode(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* data = text.data();
    for (size_t i = 0; i < bytes.size(); ++i)
        data[i] = charOf(static_cast<unsigned char>(bytes[i]));
    return text;
}

QByteArray fromUnicode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        const int byte = byteOf(ch.unicode());
        bytes.append(byte < 0 ? '?' : static_cast<char>(byte));
        if (byte < 0 && ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    return bytes;
}

bool isAscii(std::string_view bytes)
{
    // Eight bytes at a time: any high bit set means a byte above 0x7F.
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (const char c : bytes.substr(i))
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace pelmora::Windows1252
