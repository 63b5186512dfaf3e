// Writes the program icon as the PNG files a desktop's icon theme looks for:
//   kestrune_render_icons OUTPUT_DIR NAME SIZE...
// gives OUTPUT_DIR/hicolor/<SIZE>x<SIZE>/apps/<NAME>.png for each size.
#include "resources/ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cstdio>

int main(int argc, char* argv[]) {
    // Drawing needs a GUI application but never a screen: the build may run headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: kestrune_render_icons OUTPUT_DIR NAME SIZE...\n");
        return 2;
    }
    const QDir output(arguments[1]);
    const QString name = arguments[2];
    const QIcon icon = ProgramIcon();
    for (const QString& sizeText : arguments.mid(3)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size <= 0) {
            std::fprintf(stderr, "kestrune_render_icons: not a size: %s\n", qPrintable(sizeText));
            return 2;
        }
        // The icon holds a drawing for each size a desktop asks for; a size it lacks would
        // come out scaled from another and blurred, so it is refused.
        const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        if (image.size() != QSize(size, size) ||
            !icon.availableSizes().contains(QSize(size, size))) {
            std::fprintf(stderr, "kestrune_render_icons: the program icon has no %dx%d drawing\n",
                         size, size);
            return 1;
        }
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString path =
            output.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!output.mkpath(folder) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "kestrune_render_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
