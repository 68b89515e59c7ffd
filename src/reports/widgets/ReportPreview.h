#pragma once

#include "reports/PageSource.h"

#include <QDialog>
#include <QImage>
#include <QPageLayout>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;

namespace pelmora::reports
{

// A modal preview of pages that are built as they are viewed: page navigation, zoom, page
// setup, printing and saving as PDF, PNG images, HTML or plain text.
class ReportPreview : public QDialog
{
    Q_OBJECT
  public:
    // Makes a fresh page source for a page layout (the preview's own pages, and each print
    // or file output, which must not disturb them). Throws Error.
    using SourceFactory = std::function<std::unique_ptr<PageSource>(const QPageLayout& page)>;

    ReportPreview(SourceFactory factory, const QPageLayout& page, int zoom, QWidget* parent = nullptr);
    ~ReportPreview() override;

    int currentPage() const { return page_; } // 0-based
    int zoom() const { return zoom_; }
    PageSource* source() const { return source_.get(); }
    const QPageLayout& pageLayout() const { return pageLayout_; }
    // The image of the current page as shown.
    QImage pageImage() const { return image_; }

    void showPage(int index);
    void setZoom(int percent);
    void firstPage() { showPage(0); }
    void nextPage() { showPage(page_ + 1); }
    void previousPage() { showPage(page_ - 1); }
    void lastPage();
    // Sets the page size and margins and builds the pages again.
    void applyPageLayout(const QPageLayout& page);
    // Writes every page to a file, by its suffix: .pdf, .png (one file per page), .html, .txt.
    // Returns false after showing the reason.
    bool saveTo(const QString& path);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void rebuild();
    void render();
    void updateControls();
    void print();
    void pageSetup();
    void saveAs();
    bool guarded(const std::function<void()>& work);

    SourceFactory factory_;
    QPageLayout pageLayout_;
    std::unique_ptr<PageSource> source_;
    int page_ = 0;
    int zoom_ = 100;
    QImage image_;
    QScrollArea* scroll_ = nullptr;
    QLabel* canvas_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
    QLabel* pageCount_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QAction* first_ = nullptr;
    QAction* previous_ = nullptr;
    QAction* next_ = nullptr;
    QAction* last_ = nullptr;
};

} // namespace pelmora::reports
