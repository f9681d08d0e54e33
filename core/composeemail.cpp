#include "composeemail.h"
#include "corelog.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QVector>

namespace {

const QByteArray boundary = QByteArrayLiteral("VorantelMailerBoundary");

bool IsPlainAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

// A line break inside a header value would start a header of its own.
QString OneLine(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

// RFC 2047 encoded words, each short enough to keep the header lines short,
// never splitting a UTF-8 sequence.
QByteArray EncodedHeaderText(const QString& text)
{
    if (IsPlainAscii(text))
        return text.toLatin1();
    QByteArray out;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    const QVector<uint> codePoints = text.toUcs4();
    for (const uint cp : codePoints) {
        const QByteArray bytes = QString::fromUcs4(&cp, 1).toUtf8();
        if (chunk.size() + bytes.size() > 42)
            flush();
        chunk += bytes;
    }
    flush();
    return out;
}

// RFC 2231 parameter, so that any file name survives.
QByteArray FileNameParameter(const char* name, const QString& fileName)
{
    if (IsPlainAscii(fileName) && !fileName.contains(QLatin1Char('"')) && !fileName.contains(QLatin1Char('\\')))
        return QByteArray(name) + "=\"" + fileName.toLatin1() + "\"";
    return QByteArray(name) + "*=UTF-8''" + QUrl::toPercentEncoding(fileName);
}

QByteArray QuotedPrintable(const QString& text)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QList<QByteArray> lines = normalised.toUtf8().split('\n');
    QByteArray out;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        int length = 0;
        for (int j = 0; j < line.size(); ++j) {
            const auto byte = static_cast<unsigned char>(line.at(j));
            const bool lastOfLine = j == line.size() - 1;
            QByteArray encoded;
            if ((byte >= 33 && byte <= 126 && byte != '=') || ((byte == ' ' || byte == '\t') && !lastOfLine))
                encoded = QByteArray(1, char(byte));
            else
                encoded = '=' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
            if (length + encoded.size() > 75) {
                out += "=\r\n";
                length = 0;
            }
            out += encoded;
            length += encoded.size();
        }
        if (i < lines.size() - 1)
            out += "\r\n";
    }
    return out;
}

QByteArray Base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    for (int i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + "\r\n";
    return out;
}

} // namespace

bool ComposeEmail(const QString& to, const QString& from, const QString& subject, const QString& body,
                  const QString& attachmentPath)
{
    QByteArray message;
    message += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
    message += "X-Unsent: 1\r\n";
    message += "From: " + OneLine(from).toUtf8() + "\r\n";
    message += "To: " + OneLine(to).toUtf8() + "\r\n";
    message += "Subject: " + EncodedHeaderText(OneLine(subject)) + "\r\n";
    message += "Mime-Version: 1.0 (Vorantel Mailer)\r\n\r\n";
    message += "--" + boundary + "\r\n";
    message += "Content-Transfer-Encoding: quoted-printable\r\n";
    message += "Content-Type: text/plain;\r\n";
    message += "        charset=UTF-8\r\n\r\n";
    message += QuotedPrintable(body);
    message += "\r\n";

    const QString fileName = QFileInfo(attachmentPath).fileName();
    QFile attachment(attachmentPath);
    if (!attachment.open(QIODevice::ReadOnly)) {
        qCDebug(lcCore) << "Failed loading attachment.";
        return false;
    }
    const QByteArray content = attachment.readAll();
    attachment.close();

    message += "--" + boundary + "\r\n";
    message += "Content-Disposition: inline;\r\n";
    message += "        " + FileNameParameter("filename", fileName) + "\r\n";
    message += "Content-Type: application/pdf;\r\n";
    message += "        " + FileNameParameter("name", fileName) + "\r\n";
    message += "Content-Transfer-Encoding: base64\r\n\r\n";
    message += Base64Lines(content);
    message += "--" + boundary + "--\r\n";

    const QString draftPath = QDir::tempPath() + QStringLiteral("/VorantelComposedEmail.eml");
    QFile draft(draftPath);
    if (!draft.open(QIODevice::WriteOnly)) {
        qCDebug(lcCore).noquote() << "Failed opening temp file for email composing:" << draftPath;
        return false;
    }
    const bool written = draft.write(message) == message.size() && draft.flush();
    draft.close();
    if (!written) {
        qCDebug(lcCore).noquote() << "Failed writing temp file for email composing:" << draftPath;
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(draftPath))) {
        qCDebug(lcCore).noquote() << "No program opened the composed email:" << draftPath;
        return false;
    }
    return true;
}
