// Build-time tool: writes each image of an .ico file as a PNG named after its
// size, for the icon theme folders (hicolor/16x16, hicolor/32x32, ...).
//   veltrano_icon_export INPUT.ico OUTPUT_DIR NAME
// writes OUTPUT_DIR/<W>x<H>/NAME.png and fails when no image can be read.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s INPUT.ico OUTPUT_DIR NAME\n", argv[0]);
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    int written = 0;
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        const QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "%s: image %d: %s\n", argv[1], i,
                         qPrintable(reader.errorString()));
            return 1;
        }
        const QString folder = QStringLiteral("%1/%2x%3")
                                   .arg(QString::fromLocal8Bit(argv[2]))
                                   .arg(image.width())
                                   .arg(image.height());
        const QString file = folder + "/" + QString::fromLocal8Bit(argv[3]) + ".png";
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write\n", qPrintable(file));
            return 1;
        }
        ++written;
    }
    if (written == 0) {
        std::fprintf(stderr, "%s: no image: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    return 0;
}
