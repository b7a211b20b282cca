#pragma once
// A picture that draws itself into any rectangle at the resolution of the
// painter's device: the same chart on screen, in a report slot and on paper.
#include <QPainter>
#include <QRectF>

#include <functional>

namespace zv {

using Drawing = std::function<void(QPainter&, const QRectF&)>;

}  // namespace zv
