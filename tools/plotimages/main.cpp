// plotimages <list> <svg folder> <resources folder>
// Each line of the list: <svg name> <png path> <width> <height>; '#' starts a comment.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

bool renderOne(const QString& svg, const QString& png, const QSize& size)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "plotimages: cannot read %s\n", qPrintable(svg));
        return false;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    if (!image.convertToFormat(QImage::Format_ARGB32).save(png, "PNG")) {
        std::fprintf(stderr, "plotimages: cannot write %s\n", qPrintable(png));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: plotimages <list> <svg folder> <resources folder>\n");
        return 2;
    }
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "plotimages: cannot open %s\n", argv[1]);
        return 2;
    }
    const QString svgDir = QString::fromLocal8Bit(argv[2]);
    const QString outDir = QString::fromLocal8Bit(argv[3]);
    QTextStream in(&list);
    int failed = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().section(QLatin1Char('#'), 0, 0).simplified();
        if (line.isEmpty())
            continue;
        const QStringList f = line.split(QLatin1Char(' '));
        if (f.size() != 4) {
            std::fprintf(stderr, "plotimages: bad line: %s\n", qPrintable(line));
            ++failed;
            continue;
        }
        if (!renderOne(svgDir + QLatin1Char('/') + f[0] + QStringLiteral(".svg"),
                       outDir + QLatin1Char('/') + f[1], QSize(f[2].toInt(), f[3].toInt())))
            ++failed;
    }
    return failed == 0 ? 0 : 1;
}
