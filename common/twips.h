#pragma once

#include <QRect>
#include <QSize>

namespace common {

// Window geometry is designed in twips: 15 twips to a logical pixel.
constexpr int fromTwips(int twips) { return (twips + 7) / 15; }
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(fromTwips(left), fromTwips(top), fromTwips(width), fromTwips(height));
}
constexpr QSize twipsSize(int width, int height) { return QSize(fromTwips(width), fromTwips(height)); }

} // namespace common
