#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <string_view>

namespace pelmora
{

// The 8-bit character set of the cart service (its download file, its administration token,
// its mail relay): Latin-1 with the printable characters of 0x80-0x9F; the five unassigned
// bytes map to the control characters of the same number.
namespace Windows1252
{

QChar charOf(unsigned char byte);
// The byte of a UTF-16 unit, or -1 when the character set has no such character.
int byteOf(char16_t unit);
QString toUnicode(std::string_view bytes);
// A character the set lacks becomes one "?" (also one beyond the first plane).
QByteArray fromUnicode(const QString& text);
// Whether every byte is below 0x80 (no conversion needed).
bool isAscii(std::string_view bytes);

} // namespace Windows1252

} // namespace pelmora
