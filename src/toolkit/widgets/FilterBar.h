#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace pelmora::toolkit
{

// The bar under a grid that shows its active filter as text: a check box switches the filter
// off and on, a button clears it and "Customize..." opens the condition builder.
class FilterBar : public QWidget
{
    Q_OBJECT

  public:
    explicit FilterBar(QWidget* parent = nullptr);

    void setExpression(const QString& text, bool active);
    QString text() const;
    bool isFilterActive() const;
    void setCustomizeButtonVisible(bool visible);
    bool isCustomizeButtonVisible() const;

  signals:
    void activeToggled(bool active);
    void clearClicked();
    void customizeClicked();

  private:
    QCheckBox* m_active = nullptr;
    QLabel* m_text = nullptr;
    QToolButton* m_clear = nullptr;
    QPushButton* m_customize = nullptr;
};

} // namespace pelmora::toolkit
