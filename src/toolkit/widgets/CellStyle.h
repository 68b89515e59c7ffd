#pragma once

#include <QColor>
#include <QFont>
#include <QModelIndex>

#include <functional>
#include <optional>

namespace pelmora::toolkit
{

// What a style callback may change for one data cell; unset parts keep the grid's look.
struct CellStyle {
    std::optional<QColor> background;
    std::optional<QColor> foreground;
    std::optional<QFont> font;
};

// Asked for every data cell the grid draws (never for group rows).
using CellStyleCallback = std::function<void(const QModelIndex& index, CellStyle& style)>;

} // namespace pelmora::toolkit
