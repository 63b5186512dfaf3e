#pragma once

#include "resources/DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <QSize>

// Dialog units keep a layout's proportions whatever the font: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int ToPixelsX(int units) const { return (units * averageCharWidth_ + 2) / 4; }
    int ToPixelsY(int units) const { return (units * charHeight_ + 4) / 8; }
    QRect ToPixels(const DialogRect& rect) const;
    QSize ToPixels(int width, int height) const;

    int averageCharWidth() const { return averageCharWidth_; }
    int charHeight() const { return charHeight_; }

private:
    int averageCharWidth_;
    int charHeight_;
};

// The font in which a layout of this many dialog units fits the room a screen leaves for
// a window, its title bar and frame included: the font itself when it fits, else the same
// family in the largest smaller size, by half points, down to kSmallestDialogPointSize. A
// font sized in pixels is left as it is.
inline constexpr qreal kSmallestDialogPointSize = 7.0;
QFont FontThatFits(const QFont& font, QSize layoutUnits, QSize room);
