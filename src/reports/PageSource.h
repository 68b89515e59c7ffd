#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace pelmora::reports
{

// A text of a built page and where it stands, in millimetres from the page's top left.
struct PageText {
    QRectF rect;
    QString text;
    Qt::Alignment alignment;
};

// Pages that are built as they are asked for, so that the first one shows at once whatever
// the number of rows; what the preview, the printer and every output read.
class PageSource
{
  public:
    virtual ~PageSource() = default;
    virtual QString title() const = 0;
    // Millimetres.
    virtual QSizeF pageSize() const = 0;
    // Builds pages up to index; false when the pages end before it. Throws Error.
    virtual bool ensurePage(int index) = 0;
    // Pages built so far, and whether they are all.
    virtual int pagesBuilt() const = 0;
    virtual bool isComplete() const = 0;
    // Paints a built page on a painter whose device has dotsPerMm dots per millimetre, with
    // the page's top left at the painter's origin.
    virtual void paintPage(int index, QPainter& painter, double dotsPerMm) const = 0;
    // The texts of a built page, top to bottom, left to right (text and HTML outputs).
    virtual QList<PageText> pageTexts(int index) const = 0;
    // Forgets built pages before index (a long output keeps its memory flat).
    virtual void releasePagesBefore(int index) = 0;

    // Builds every page (for the page count). Throws Error.
    int pageCount()
    {
        int i = pagesBuilt();
        while (ensurePage(i))
            ++i;
        return pagesBuilt();
    }
};

} // namespace pelmora::reports
