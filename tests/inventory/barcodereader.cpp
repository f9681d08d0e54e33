#include "barcodereader.h"

#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QXmlStreamReader>

namespace BarcodeReader {

QStringList Decode(const QList<QImage>& images)
{
    const QString folder = TestSupport::ScratchDir() + QStringLiteral("/zbar");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QStringList files;
    for (int i = 0; i < images.size(); ++i) {
        files << QStringLiteral("%1/cell%2.png").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
        images.at(i).save(files.last());
    }
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), QStringList{QStringLiteral("--xml"), QStringLiteral("-q")} + files);
    if (!zbar.waitForFinished(60000))
        return {QStringLiteral("zbarimg did not finish")};

    QStringList found;
    for (int i = 0; i < files.size(); ++i)
        found << QString();
    QXmlStreamReader xml(zbar.readAllStandardOutput());
    int current = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("source")) {
            current = files.indexOf(xml.attributes().value(QStringLiteral("href")).toString());
        } else if (xml.name() == QLatin1String("data") && current >= 0) {
            const QString data = xml.readElementText();
            found[current] = found[current].isEmpty() ? data : found[current] + QLatin1Char('|') + data;
        }
    }
    return found;
}

} // namespace BarcodeReader
