#pragma once

#include <QString>
#include <QStringView>

namespace pelmora
{

// The plain-text body of an email, derived from its HTML body as a mail reader would show it:
// markup removed, head, style, script and comments dropped, entities decoded, blanks collapsed
// (kept in <pre> and in elements styled white-space:pre...), block elements and <br> as line
// breaks, paragraphs and headings set apart by an empty line, table cells by a tab. Lines end
// in CR LF. A pure function of the text.
QString HtmlToPlainText(QStringView html);

} // namespace pelmora
