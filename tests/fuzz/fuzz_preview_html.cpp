// The preview's reading of an e-mail page on any bytes.
//
// Checked beyond the sanitizers: the preview shows the same text as the page (blanks apart),
// and a page with no table is shown as written.

#include "email/HtmlText.h"
#include "email/PreviewHtml.h"
#include "email/TemplateText.h"

#include <cstdint>
#include <cstdlib>

using namespace pelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString page = TemplateText::decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))).text;
    const QString preview = PreviewHtml(page);
    if (!page.contains(QStringLiteral("<table"), Qt::CaseInsensitive) && preview != page)
        std::abort();
    if (HtmlToPlainText(preview).simplified() != HtmlToPlainText(page).simplified())
        std::abort();
    return 0;
}
