#pragma once

#include "reports/ReportLayout.h"

#include <QByteArray>
#include <QString>

namespace pelmora::reports
{

// The stored form of a layout: one JSON document that carries its format version, so a later
// program can read what an earlier one saved, and an earlier one refuses what it cannot know.
class LayoutFormat
{
  public:
    static QByteArray write(const ReportLayout& layout);
    // Throws Error with a message for the merchant when the text is damaged or comes from a
    // newer format.
    static ReportLayout read(const QByteArray& text);
};

} // namespace pelmora::reports
