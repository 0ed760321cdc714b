#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

namespace tamsel {

// The toolbar's image list: 50 images of 48 x 48 pixels, numbered from 1.
class ToolbarImages
{
public:
    static constexpr int kCount = 50;
    static constexpr int kSize = 48;
    static QPixmap image(int number);
    // The same image drawn for every device pixel ratio in use.
    static QIcon icon(int number);
};

// The tree's image list: 32 x 32 pixel images keyed "leaf", "closed", "shili" and "open".
class TreeImages
{
public:
    static constexpr int kSize = 32;
    static QIcon image(const QString &key);
};

} // namespace tamsel
