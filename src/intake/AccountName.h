#pragma once

#include <QString>

namespace pelmora
{

class AccountName
{
  public:
    // The text without leading and trailing blanks and control characters (codes up to 32).
    static QString trimmed(const QString& text);
};

} // namespace pelmora
