#pragma once

#include "common/Error.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

namespace pelmora
{

// What a tag's name makes of it: every name is custom but the reserved ones, which the
// resolvers never expand.
enum class TagKind { tgCustom, tgLink, tgImage, tgTable, tgImageMap, tgObject, tgEmbed };

// One tag as the scanner hands it to a resolver.
struct TemplateTag {
    TagKind kind = TagKind::tgCustom;
    QString TagString;     // the name as written
    QStringList TagParams; // quotes stripped, "+" and "%XX" decoded
};

// A failure that ends the whole expansion (an unreadable template, a malformed percent
// escape), as opposed to a tag that merely expands to nothing.
class TemplateError : public Error
{
  public:
    using Error::Error;
};

// Returns the text that replaces the tag (its ReplaceText); an empty text removes the tag.
using TagResolver = std::function<QString(const TemplateTag& tag)>;

// The template syntax: copies text, calls resolve once per "<#name params>" tag in document
// order and puts its result in place of the whole tag. A pure function of the text (it reads
// no file and keeps no state). Throws TemplateError on a malformed percent escape in a
// parameter; whatever resolve throws passes through.
QString ScanTemplate(QStringView text, const TagResolver& resolve);

// The kind of a tag name: reserved names compare without regard to letter case.
TagKind TagKindOf(QStringView name);

// Splits a tag's parameter text (already trimmed) into parameters: quotes stripped and
// values decoded. Throws TemplateError on a malformed percent escape.
QStringList SplitTagParams(QStringView text);

// The value of the named parameter: the text after the first "=" of the first parameter whose
// part before the "=" equals name without regard to letter case; empty text when none does.
QString TagParamValue(const QStringList& params, QStringView name);

} // namespace pelmora
