#pragma once

#include "reports/DataPipeline.h"
#include "reports/PageSource.h"
#include "reports/Paginator.h"
#include "reports/ReportLayout.h"

#include <deque>
#include <memory>

namespace pelmora::reports
{

// A layout over its pipelines as pages: built one at a time as they are asked for. When the
// layout shows the page count, every page is counted first.
class ReportDocument : public PageSource
{
  public:
    // Throws Error for an expression that cannot be read.
    ReportDocument(ReportLayout layout, DataPipelines& data);
    // The document keeps the pipelines for as long as it lives.
    ReportDocument(ReportLayout layout, std::unique_ptr<DataPipelines> data);
    ~ReportDocument() override;

    const ReportLayout& layout() const { return layout_; }

    QString title() const override { return layout_.name; }
    QSizeF pageSize() const override { return layout_.pageSize; }
    bool ensurePage(int index) override;
    int pagesBuilt() const override { return first_ + int(pages_.size()); }
    bool isComplete() const override { return done_; }
    void paintPage(int index, QPainter& painter, double dotsPerMm) const override;
    QList<PageText> pageTexts(int index) const override;
    void releasePagesBefore(int index) override;

    // Paints one element of a band at its place (designer and pages share it). text: the
    // element's value, or empty for what the layout holds.
    static void paintElement(QPainter& painter, const Element& element, const QRectF& rectMm, const QString& text,
                             double dotsPerMm);

  private:
    const Page& page(int index) const;
    void start();

    ReportLayout layout_;
    std::unique_ptr<DataPipelines> owned_;
    DataPipelines& data_;
    std::unique_ptr<Paginator> paginator_;
    std::deque<Page> pages_;
    int first_ = 0; // index of pages_.front()
    bool done_ = false;
};

} // namespace pelmora::reports
