#pragma once

#include "common/Root.h"
#include "email/TagScanner.h"
#include "email/TemplateText.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace pelmora
{

class DataModule;

// The fields of the email dialog that the tags read and write. A field nobody filled is
// empty text.
struct MessageFields {
    QString to;
    QString cc;
    QString subject;
    QString additionalMessage;
};

// Expands the page templates of customer emails for one order: the page vocabulary
// (PageProducerPageHTMLTag), the Items tag through the item-row template
// (PageProducerItemsHTMLTag) and the Config tag. Keeps no state between expansions and reads
// the files anew each time.
class EmailExpansion
{
  public:
    // Template files are named relative to root.
    EmailExpansion(DataModule& data, const Root& root) : data_(data), root_(root) {}

    // root + "email/" + the template's address, and the fixed item-row template.
    QString pageTemplatePath(const QString& templateAddress) const;
    QString itemsTemplatePath() const;

    // Expands the page template for the order (its fields by column name). Config tags write
    // fields.subject and fields.cc; AdditionalMessage reads fields.additionalMessage. Throws
    // TemplateError when a template cannot be read or a parameter holds a malformed percent
    // escape; a tag that cannot be resolved only expands to nothing.
    TemplateText expand(const QString& pageTemplate, const QVariantMap& order, MessageFields& fields);

    // The resolvers, for one tag each.
    QString PageProducerPageHTMLTag(const TemplateTag& tag, const QVariantMap& order, MessageFields& fields);
    // Throws Error when the row's field cannot be written (a price with no value).
    static QString PageProducerItemsHTMLTag(const TemplateTag& tag, const QVariantMap& item);

  private:
    // The Items tag: every item of the order through the item-row template, or nothing when
    // the items cannot be read or one row fails.
    QString items(const QVariantMap& order);

    DataModule& data_;
    Root root_;
};

} // namespace pelmora
