#include "console/DialogUnits.h"

#include <QFontMetrics>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width over the Latin alphabet, rounded to the nearest pixel, as dialog
    // layouts have always been measured.
    const int alphabetWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    averageCharWidth_ = (alphabetWidth / 26 + 1) / 2;
    charHeight_ = metrics.height();
}

QRect DialogUnits::ToPixels(const DialogRect& rect) const {
    return QRect(ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.width),
                 ToPixelsY(rect.height));
}

QSize DialogUnits::ToPixels(int width, int height) const {
    return QSize(ToPixelsX(width), ToPixelsY(height));
}
