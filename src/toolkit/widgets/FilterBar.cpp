#include "toolkit/widgets/FilterBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace pelmora::toolkit
{

FilterBar::FilterBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("filterBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    m_clear = new QToolButton(this);
    m_clear->setObjectName(QStringLiteral("filterBarClear"));
    m_clear->setIcon(style()->standardIcon(QStyle::SP_LineEditClearButton));
    m_clear->setToolTip(tr("Clear filter"));
    m_clear->setAutoRaise(true);
    m_active = new QCheckBox(this);
    m_active->setObjectName(QStringLiteral("filterBarActive"));
    m_active->setToolTip(tr("Switch the filter on or off"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("filterBarText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_customize = new QPushButton(tr("Customize..."), this);
    m_customize->setObjectName(QStringLiteral("filterBarCustomize"));
    m_customize->setFlat(true);
    layout->addWidget(m_clear);
    layout->addWidget(m_active);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_customize);
    connect(m_active, &QCheckBox::toggled, this, &FilterBar::activeToggled);
    connect(m_clear, &QToolButton::clicked, this, &FilterBar::clearClicked);
    connect(m_customize, &QPushButton::clicked, this, &FilterBar::customizeClicked);
}

void FilterBar::setExpression(const QString& text, bool active)
{
    m_text->setText(text);
    m_text->setToolTip(text);
    m_text->setEnabled(active);
    const QSignalBlocker block(m_active);
    m_active->setChecked(active);
}

QString FilterBar::text() const
{
    return m_text->text();
}

bool FilterBar::isFilterActive() const
{
    return m_active->isChecked();
}

void FilterBar::setCustomizeButtonVisible(bool visible)
{
    m_customize->setVisible(visible);
}

bool FilterBar::isCustomizeButtonVisible() const
{
    return !m_customize->isHidden();
}

} // namespace pelmora::toolkit
