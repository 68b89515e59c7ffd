// The template tag scanner and both tag resolvers on any bytes, read as a template file is.
// The Items tag expands the same text once more as the item-row template, for one item.
//
// Checked beyond the sanitizers: a text without "<" comes back unchanged; expanding is a
// function of the text (the same result twice, the same Subject and Cc); the resolvers are
// called at most once per "#"; and a text that fails fails through TemplateError only.

#include "common/Root.h"
#include "database/DataModule.h"
#include "email/EmailExpansion.h"
#include "email/TagScanner.h"
#include "email/TemplateText.h"

#include <QDir>
#include <cstdint>
#include <cstdlib>

using namespace pelmora;

namespace
{
const QVariantMap& order()
{
    static const QVariantMap fields{
        {QStringLiteral("ShopperID"), 5001},
        {QStringLiteral("Invoice_name"), QStringLiteral("Ann \"<#Able>\" O'Neil")},
        {QStringLiteral("Invoice_company"), QVariant()},
        {QStringLiteral("Invoice_date"), QStringLiteral("2024-03-05")},
        {QStringLiteral("Invoice_time"), QStringLiteral("14:07:09")},
        {QStringLiteral("Total"), 1234.5},
        {QStringLiteral("Shipping"), QStringLiteral("not a number")},
        {QStringLiteral("Tax"), QVariant()},
        {QStringLiteral("Message"), QStringLiteral("50% off <b>today</b>")},
    };
    return fields;
}

const QVariantMap& item()
{
    static const QVariantMap fields{{QStringLiteral("Qty"), 2},
                                    {QStringLiteral("Product"), QStringLiteral("Widget <#Qty>")},
                                    {QStringLiteral("ProductCode"), QStringLiteral("W-1")},
                                    {QStringLiteral("Price"), 9.95},
                                    {QStringLiteral("Amount"), 19.9}};
    return fields;
}

struct Expanded {
    QString text;
    MessageFields fields;
    qsizetype calls = 0;
    bool failed = false;
};

Expanded expand(EmailExpansion& expansion, const QString& text)
{
    Expanded e;
    e.fields.additionalMessage = QStringLiteral("Thanks, <i>Ann</i>");
    const TagResolver itemTag = [&](const TemplateTag& tag) {
        ++e.calls;
        try {
            return EmailExpansion::PageProducerItemsHTMLTag(tag, item());
        } catch (const TemplateError&) {
            throw;
        } catch (const std::exception&) {
            return QString();
        }
    };
    try {
        e.text = ScanTemplate(text, [&](const TemplateTag& tag) {
            ++e.calls;
            if (tag.kind == TagKind::tgCustom && tag.TagString == u"Items")
                return ScanTemplate(text, itemTag);
            return expansion.PageProducerPageHTMLTag(tag, order(), e.fields);
        });
    } catch (const TemplateError&) {
        e.failed = true;
    }
    return e;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The items query is never run here: the Items tag is resolved above.
    static DataModule database;
    static EmailExpansion expansion(database, Root(QDir::tempPath()));
    const QString text = TemplateText::decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))).text;

    const Expanded first = expand(expansion, text);
    const Expanded second = expand(expansion, text);
    if (first.failed != second.failed || first.text != second.text || first.fields.subject != second.fields.subject ||
        first.fields.cc != second.fields.cc)
        std::abort();
    const qsizetype hashes = text.count(u'#');
    // Every tag of the page may expand the text once more as item rows.
    if (first.calls > hashes + hashes * hashes)
        std::abort();
    if (!text.contains(u'<') && (first.failed || first.text != text))
        std::abort();
    return 0;
}
