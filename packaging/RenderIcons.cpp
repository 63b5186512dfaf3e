// Writes the program icon as the PNG files a desktop's icon theme looks for:
//   kestrune_render_icons OUTPUT_DIR NAME SIZE...
// gives OUTPUT_DIR/hicolor/<SIZE>x<SIZE>/apps/<NAME>.png for each size;
//   kestrune_render_icons --ico FILE SIZE...
// gives one Windows icon file holding every size (the Win32 face's icon 128).
#include "resources/ProgramIcon.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QtEndian>
#include <cstdio>

namespace {

void AppendLe16(QByteArray& out, quint16 value) {
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void AppendLe32(QByteArray& out, quint32 value) {
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

// One image of an icon file: a 32-bit bottom-up bitmap with its transparency mask, which
// every Windows reads; the 256-pixel image as PNG, as Windows keeps its large icons.
QByteArray IconImage(const QImage& drawn) {
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32);
    QByteArray out;
    if (image.width() >= 256) {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return out;
    }
    const int size = image.width();
    AppendLe32(out, 40); // BITMAPINFOHEADER
    AppendLe32(out, static_cast<quint32>(size));
    AppendLe32(out, static_cast<quint32>(2 * size)); // the colours and the mask
    AppendLe16(out, 1);
    AppendLe16(out, 32);
    AppendLe32(out, 0); // BI_RGB
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x)
            AppendLe32(out, line[x]); // ARGB32 is B, G, R, A in little-endian memory
    }
    const int maskStride = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            if (qAlpha(line[x]) == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

int WriteIconFile(const QIcon& icon, const QString& path, const QList<int>& sizes) {
    QList<QByteArray> images;
    for (int size : sizes)
        images << IconImage(icon.pixmap(QSize(size, size), 1.0).toImage());
    QByteArray file;
    AppendLe16(file, 0);
    AppendLe16(file, 1); // an icon
    AppendLe16(file, static_cast<quint16>(sizes.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const int size = sizes[i];
        file.append(static_cast<char>(size >= 256 ? 0 : size)); // 0 stands for 256
        file.append(static_cast<char>(size >= 256 ? 0 : size));
        file.append('\0'); // no palette
        file.append('\0');
        AppendLe16(file, 1);  // planes
        AppendLe16(file, 32); // bits a pixel
        AppendLe32(file, static_cast<quint32>(images[i].size()));
        AppendLe32(file, offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& image : images)
        file.append(image);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
        std::fprintf(stderr, "kestrune_render_icons: cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Drawing needs a GUI application but never a screen: the build may run headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: kestrune_render_icons OUTPUT_DIR NAME SIZE... | --ico FILE SIZE...\n");
        return 2;
    }
    const bool iconFile = arguments[1] == QStringLiteral("--ico");
    const QDir output(arguments[1]);
    const QString name = arguments[2];
    const QIcon icon = ProgramIcon();
    QList<int> iconSizes;
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
        if (iconFile) {
            iconSizes << size;
            continue;
        }
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString path =
            output.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!output.mkpath(folder) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "kestrune_render_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return iconFile ? WriteIconFile(icon, name, iconSizes) : 0;
}
