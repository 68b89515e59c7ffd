#pragma once

#include <QString>
#include <QStringView>

namespace pelmora
{

// The page as the preview lays it out. Qt's text layout lays every table cell out twice (once
// unbounded, for the column widths, and once at its width), so each table around another
// doubles the work for everything inside: the usual full-width wrapper table of an email,
// whose one cell only centres and pads the page's own table, doubles the cost of the whole
// page. Such wrappers are left out here and their table takes the padding as its margins and
// the centring as its alignment. A wrapper that paints anything of its own (a background
// other than the page's, a border, text styles that its table inherits) stays, and so does
// every table of a page whose table markup is not well formed. What is sent is not affected:
// this text only feeds the preview. A pure function of the text.
QString PreviewHtml(QStringView html);

} // namespace pelmora
