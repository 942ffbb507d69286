// appimages <manifest> <source folder> <output folder>
// Each manifest line: <svg name> <png path> <width> <height>; '#' starts a comment.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

static bool render(const QString& svgPath, const QString& pngPath, const QSize& size)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(svgPath));
        return false;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    if (!image.convertToFormat(QImage::Format_ARGB32).save(pngPath, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pngPath));
        return false;
    }
    return true;
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: appimages <manifest> <svg folder> <output folder>\n");
        return 2;
    }
    QFile manifest(QString::fromLocal8Bit(argv[1]));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    const QString svgDir = QString::fromLocal8Bit(argv[2]);
    const QString outDir = QString::fromLocal8Bit(argv[3]);
    QTextStream in(&manifest);
    int failures = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().section(QLatin1Char('#'), 0, 0).trimmed();
        const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.isEmpty())
            continue;
        if (f.size() != 4) {
            std::fprintf(stderr, "bad line: %s\n", qPrintable(line));
            ++failures;
            continue;
        }
        const QSize size(f[2].toInt(), f[3].toInt());
        if (!render(svgDir + QLatin1Char('/') + f[0] + QStringLiteral(".svg"),
                    outDir + QLatin1Char('/') + f[1], size))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
