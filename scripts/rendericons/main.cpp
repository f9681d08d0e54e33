// Renders the SVG sources of the icons into the PNG files that the resources embed.
// Usage: rendericons <svg folder> <png folder>; each file keeps its relative path and
// is drawn at the size its <svg> element declares.
#include <QDirIterator>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: rendericons SVG_DIR PNG_DIR\n");
        return 2;
    }
    const QDir source(QString::fromLocal8Bit(argv[1]));
    const QDir target(QString::fromLocal8Bit(argv[2]));
    int failures = 0;
    QDirIterator it(source.path(), {QStringLiteral("*.svg")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString svg = it.next();
        QSvgRenderer renderer(svg);
        if (!renderer.isValid()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(svg));
            ++failures;
            continue;
        }
        QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        QString png = target.filePath(source.relativeFilePath(svg));
        png.replace(png.size() - 3, 3, QStringLiteral("png"));
        QDir().mkpath(QFileInfo(png).path());
        if (!image.save(png)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(png));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
