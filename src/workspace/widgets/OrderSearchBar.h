#pragma once

#include <QWidget>

class QAction;
class QLineEdit;
class QTimer;

namespace pelmora
{

class OrdersWorkspace;

namespace toolkit
{
class DataGrid;
}

// The search box above the orders grid: the words typed narrow the orders shown (on top of the
// grid's filter) a moment after the merchant stops typing, or at once on Enter; the grid marks
// where they occur; Escape clears the box (and, when it is empty already, goes back to the
// grid); Ctrl+F comes to the box from anywhere in the window.
class OrderSearchBar : public QWidget
{
    Q_OBJECT
  public:
    static inline const QString kPlaceholder = QStringLiteral("Search orders (Ctrl+F)");
    // How long typing must pause before the orders are searched.
    static constexpr int kTypingPauseMs = 250;

    OrderSearchBar(OrdersWorkspace& workspace, toolkit::DataGrid* grid, QWidget* parent = nullptr);

    QLineEdit* box() const { return box_; }
    QAction* findAction() const { return find_; }
    // Puts a text in the box and searches at once (a saved view coming back).
    void setText(const QString& text);
    QString text() const;
    // Puts a widget beside the box (the saved views' drop-down).
    void addWidget(QWidget* widget);
    // Searches for what the box holds now, without waiting.
    void apply();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    OrdersWorkspace& workspace_;
    toolkit::DataGrid* grid_;
    QLineEdit* box_ = nullptr;
    QTimer* pause_ = nullptr;
    QAction* find_ = nullptr;
};

} // namespace pelmora
