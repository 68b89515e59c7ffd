#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>
#include <utility>

namespace pelmora
{

// One piece of markup in an HTML text: a tag or a comment.
struct HtmlTag {
    qsizetype begin = 0;    // the "<"
    qsizetype end = 0;      // just after the ">", or the end of the text
    QString name;           // in lower case; empty for a comment
    bool closing = false;   // "</name>"
    bool comment = false;   // "<!-- ... -->"
    QStringView attributes; // the text between the name and the ">"
};

// The first ">" from pos that stands outside single- or double-quoted stretches (the end of a
// tag, or of a template tag's parameters); the end of the text when none does.
qsizetype TagEnd(QStringView text, qsizetype pos);

// The markup that starts at the "<" at pos; nothing when that "<" starts none and is text.
std::optional<HtmlTag> ReadHtmlTag(QStringView html, qsizetype pos);

// An element whose content is never shown and is skipped whole, markup included, up to its
// closing tag (head, style, script, title).
bool IsSkippedElement(QStringView name);

// Where the content of an element that holds no markup (style, script) ends: just after its
// closing tag, or the end of the text. pos is just after the opening tag.
qsizetype HtmlRawTextEnd(QStringView html, qsizetype pos, QStringView name);

// A tag's attributes in order: names in lower case, values unquoted (entities left as written).
QList<std::pair<QString, QString>> HtmlAttributes(QStringView attributes);

// The declarations of a style attribute in order: names in lower case, values trimmed.
QList<std::pair<QString, QString>> CssDeclarations(QStringView style);

} // namespace pelmora
