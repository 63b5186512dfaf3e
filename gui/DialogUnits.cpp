#include "gui/DialogUnits.h"

#include <algorithm>

#include <QFontMetrics>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // Dialog layouts are measured by the average width of the alphabet. The window speaks
    // Russian, and in the desktop's fonts Cyrillic letters run wider against the Latin ones
    // than in the font the layouts were drawn with: averaging over both alphabets keeps
    // every caption inside its control while the proportions stay.
    const QString alphabets = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") +
                              QString::fromUtf16(u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
                                                 u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    const int count = static_cast<int>(alphabets.size());
    averageCharWidth_ = (metrics.horizontalAdvance(alphabets) * 2 / count + 1) / 2;
    charHeight_ = metrics.height();
}

QRect DialogUnits::ToPixels(const DialogRect& rect) const {
    return QRect(ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.width),
                 ToPixelsY(rect.height));
}

QSize DialogUnits::ToPixels(int width, int height) const {
    return QSize(ToPixelsX(width), ToPixelsY(height));
}

QFont FontThatFits(const QFont& font, QSize layoutUnits, QSize room) {
    // What the window manager adds around a dialog: a title bar and a thin frame. The
    // room is the screen's area left free of panels.
    const QSize frame(16, 48);
    const auto fits = [&](const QFont& candidate) {
        const QSize window =
            DialogUnits(candidate).ToPixels(layoutUnits.width(), layoutUnits.height()) + frame;
        return window.width() <= room.width() && window.height() <= room.height();
    };
    const qreal wanted = font.pointSizeF();
    if (wanted <= 0 || fits(font)) {
        return font;
    }
    const qreal smallest = std::min(wanted, kSmallestDialogPointSize);
    QFont fitting = font;
    for (qreal size = wanted - 0.5;; size -= 0.5) {
        fitting.setPointSizeF(std::max(size, smallest));
        if (size <= smallest || fits(fitting)) {
            return fitting;
        }
    }
}
