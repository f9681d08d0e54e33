#include "composeemail.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>

namespace {

// Reads the draft back the way a mail program would, with Python's e-mail parser.
const char* const parser = R"PY(
import email, email.policy, hashlib, json, sys
data = open(sys.argv[1], 'rb').read()
raw = email.message_from_bytes(data)
msg = email.message_from_bytes(data, policy=email.policy.default)
parts = []
for part in msg.iter_parts():
    p = {'type': part.get_content_type(), 'defects': [type(d).__name__ for d in part.defects],
         'filename': part.get_filename(), 'disposition': part.get_content_disposition()}
    if part.get_content_maintype() == 'text':
        p['text'] = part.get_content()
    else:
        payload = part.get_payload(decode=True)
        p['sha256'] = hashlib.sha256(payload).hexdigest()
        p['size'] = len(payload)
    parts.append(p)
print(json.dumps({'names': raw.keys(), 'to': raw['To'], 'from': raw['From'], 'unsent': raw['X-Unsent'],
                  'subject': str(msg['Subject']), 'type': msg.get_content_type(),
                  'defects': [type(d).__name__ for d in msg.defects], 'parts': parts}))
)PY";

QString draftPath()
{
    return QDir::tempPath() + QStringLiteral("/VorantelComposedEmail.eml");
}

QJsonObject parseDraft(QString* error)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(parser), draftPath()});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        *error = QString::fromUtf8(python.readAllStandardError()) + python.errorString();
        return QJsonObject();
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QStringList strings(const QJsonValue& array)
{
    QStringList out;
    for (const QJsonValue& v : array.toArray())
        out << v.toString();
    return out;
}

} // namespace

class TestComposeEmail : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void draftReadsBackAsMime_data();
    void draftReadsBackAsMime();
    void missingAttachmentWritesNoDraft();
    void unwritableDraftOpensNothing();

private:
    QString attachmentDir;
};

void TestComposeEmail::init()
{
    QFile::remove(draftPath());
    QDir(draftPath()).removeRecursively();
    attachmentDir = TestSupport::ScratchDir() + QStringLiteral("/attachments");
    QDir(attachmentDir).removeRecursively();
    QDir().mkpath(attachmentDir);
}

void TestComposeEmail::draftReadsBackAsMime_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("expectedTo");
    QTest::addColumn<QString>("expectedFrom");
    QTest::addColumn<QString>("expectedSubject");
    QTest::addColumn<QString>("expectedBody");

    QTest::newRow("purchase order") << "vendor@example.com" << "" << "Purchase Order # 42"
                                    << "Dear vendor,\r\nPlease find attached purchase order." << "purchase_order_42.pdf" << 30000
                                    << "vendor@example.com" << "" << "Purchase Order # 42"
                                    << "Dear vendor,\nPlease find attached purchase order.";
    const QString longLine = QStringLiteral("= 100% sure; ").repeated(20);
    QTest::newRow("non-Latin text") << "kunde@example.de" << ""
                                    << "Счёт № 42 – 東京 ünïcödé 😀 with a subject long enough to need several encoded words"
                                    << "Здравствуйте,\r\nΓειά σου ü ends in a blank \r\n" + longLine << "Rechnung ä \"1\".pdf" << 5000
                                    << "kunde@example.de" << ""
                                    << "Счёт № 42 – 東京 ünïcödé 😀 with a subject long enough to need several encoded words"
                                    << "Здравствуйте,\nΓειά σου ü ends in a blank \n" + longLine;
    QTest::newRow("line breaks in header values") << "a@example.com\r\nBcc: evil@example.com" << "shop@example.com\rReply-To: x@example.com"
                                                  << "Receipt\nX-Evil: 1" << "Thank you." << "receipt.pdf" << 100
                                                  << "a@example.com Bcc: evil@example.com" << "shop@example.com Reply-To: x@example.com"
                                                  << "Receipt X-Evil: 1" << "Thank you.";
}

void TestComposeEmail::draftReadsBackAsMime()
{
    QFETCH(QString, to);
    QFETCH(QString, from);
    QFETCH(QString, subject);
    QFETCH(QString, body);
    QFETCH(QString, fileName);
    QFETCH(int, size);
    QFETCH(QString, expectedTo);
    QFETCH(QString, expectedFrom);
    QFETCH(QString, expectedSubject);
    QFETCH(QString, expectedBody);

    QByteArray content(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        content[i] = char(QRandomGenerator::global()->bounded(256));
    const QString attachment = attachmentDir + QLatin1Char('/') + fileName;
    QVERIFY(TestSupport::WriteFile(attachment, content));

    UrlRecorder urls;
    QVERIFY(ComposeEmail(to, from, subject, body, attachment));
    QCOMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(draftPath())});

    for (const QByteArray& line : TestSupport::ReadFile(draftPath()).split('\n'))
        QVERIFY2(line.size() <= 78, line.constData());

    QString error;
    const QJsonObject mail = parseDraft(&error);
    QVERIFY2(!mail.isEmpty(), qPrintable(error));
    QCOMPARE(strings(mail.value("names")), QStringList({"Content-Type", "X-Unsent", "From", "To", "Subject", "Mime-Version"}));
    QCOMPARE(mail.value("unsent").toString(), QStringLiteral("1"));
    QCOMPARE(mail.value("to").toString(), expectedTo);
    QCOMPARE(mail.value("from").toString(), expectedFrom);
    QCOMPARE(mail.value("subject").toString(), expectedSubject);
    QCOMPARE(mail.value("type").toString(), QStringLiteral("multipart/mixed"));
    QCOMPARE(strings(mail.value("defects")), QStringList());

    const QJsonArray parts = mail.value("parts").toArray();
    QCOMPARE(parts.size(), 2);
    const QJsonObject text = parts.at(0).toObject();
    QCOMPARE(text.value("type").toString(), QStringLiteral("text/plain"));
    QCOMPARE(strings(text.value("defects")), QStringList());
    QCOMPARE(text.value("text").toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")), expectedBody);

    const QJsonObject pdf = parts.at(1).toObject();
    QCOMPARE(pdf.value("type").toString(), QStringLiteral("application/pdf"));
    QCOMPARE(strings(pdf.value("defects")), QStringList());
    QCOMPARE(pdf.value("filename").toString(), fileName);
    QCOMPARE(pdf.value("disposition").toString(), QStringLiteral("inline"));
    QCOMPARE(pdf.value("size").toInt(), size);
    QCOMPARE(pdf.value("sha256").toString(),
             QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()));
}

void TestComposeEmail::missingAttachmentWritesNoDraft()
{
    QVERIFY(TestSupport::WriteFile(draftPath(), "earlier draft"));
    UrlRecorder urls;
    QTest::ignoreMessage(QtDebugMsg, "Failed loading attachment.");
    QVERIFY(!ComposeEmail(QStringLiteral("r@example.com"), QString(), QStringLiteral("s"), QStringLiteral("b"),
                          attachmentDir + QStringLiteral("/missing.pdf")));
    QVERIFY(urls.urls.isEmpty());
    QCOMPARE(TestSupport::ReadFile(draftPath()), QByteArray("earlier draft"));
}

void TestComposeEmail::unwritableDraftOpensNothing()
{
    const QString attachment = attachmentDir + QStringLiteral("/a.pdf");
    QVERIFY(TestSupport::WriteFile(attachment, "%PDF-1.4"));
    QVERIFY(QDir().mkpath(draftPath())); // a folder where the draft belongs
    UrlRecorder urls;
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("Failed opening temp file for email composing: ") + draftPath()));
    QVERIFY(!ComposeEmail(QStringLiteral("r@example.com"), QString(), QStringLiteral("s"), QStringLiteral("b"), attachment));
    QVERIFY(urls.urls.isEmpty());
}

VORANTEL_TEST_MAIN(TestComposeEmail)
#include "tst_composeemail.moc"
