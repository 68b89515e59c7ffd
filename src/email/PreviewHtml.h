#pragma once

#include <QString>
#include <QStringView>

namespace pelmora
{

// The page as the preview lays it out. Qt's text layout lays every table cell out twice (once
// unbounded, for the column widths, and once at its width), so each table around another
// doubles the work for everything inside. Two shapes of email layout are drawn the same with
// fewer tables around the order's items: the full-width wrapper table whose one cell only
// centres and pads the page's own table is left out (that table takes the padding as its
// margins and the centring as its alignment), and the page's one-column table is cut in
// pieces at the rows that only hold a table, which then stands on the page itself with the
// column's width, alignment and background (see Preview::cut). Whatever paints something of
// its own (a background other than the page's, a border, text styles a table inherits) stays
// as written, and so does every table of a page whose table markup is not well formed. What
// is sent is not affected: this text only feeds the preview. A pure function of the text.
QString PreviewHtml(QStringView html);

} // namespace pelmora
