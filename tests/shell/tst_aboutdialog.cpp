#include "aboutdialog.h"
#include "appsettings.h"
#include "modalanswerer.h"
#include "progress.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

// A version web service on the loopback interface: answers every GET with the
// reply the test set, drops the connection, or holds the request until released.
// A version web service on the loopback interface: answers every GET with the body the
// test set, or holds the request until released.
class LoopbackHttpServer : public QTcpServer
{
    Q_OBJECT
public:
    bool hold = false;
    QByteArray body;
    QList<QByteArray> targets; // request targets, in arrival order
    int closedByClient = 0;

    LoopbackHttpServer() { connect(this, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept); }

    QString address() const { return QStringLiteral("http://127.0.0.1:%1/version").arg(serverPort()); }

    void reset()
    {
        hold = false;
        body.clear();
        targets.clear();
        closedByClient = 0;
        held.clear();
    }

    void releaseHeld()
    {
        for (const QPointer<QTcpSocket>& socket : qAsConst(held)) {
            if (socket && socket->state() == QAbstractSocket::ConnectedState)
                answer(socket);
        }
        held.clear();
    }

private slots:
    void accept()
    {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                if (!socket->property("answered").toBool())
                    ++closedByClient;
                socket->deleteLater();
            });
        }
    }

private:
    void read(QTcpSocket* socket)
    {
        QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
        targets << (requestLine.size() > 1 ? requestLine.at(1) : QByteArray());
        if (hold)
            held << socket;
        else
            answer(socket);
    }

    void answer(QTcpSocket* socket)
    {
        socket->setProperty("answered", true);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QList<QPointer<QTcpSocket>> held;
};

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void replyIsAnswered_data();
    void replyIsAnswered();
    void closingWhilePendingShowsNothingLater();

private:
    static void check(QWidget* dialog)
    {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pushCheckVersion")), Qt::LeftButton);
    }

    LoopbackHttpServer server;
    QMainWindow* mainWindowStandIn = nullptr;
    ModalAnswerer* answerer = nullptr;
    UrlRecorder* urls = nullptr;
};

void TestAboutDialog::initTestCase()
{
    QVERIFY(server.listen(QHostAddress::LocalHost));
    qputenv("VORANTEL_VERSION_SERVICE_URL", server.address().toUtf8());
}

void TestAboutDialog::init()
{
    server.reset();
    mainWindowStandIn = new QMainWindow;
    mainWindowStandIn->resize(1000, 760);
    mainWindowStandIn->show();
    QVERIFY(QTest::qWaitForWindowExposed(mainWindowStandIn));
    AppSettings::Instance()->mainWindow = mainWindowStandIn;
    answerer = new ModalAnswerer;
    urls = new UrlRecorder;
}

void TestAboutDialog::cleanup()
{
    if (answerer)
        QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    delete answerer;
    answerer = nullptr;
    delete urls;
    urls = nullptr;
    AppSettings::Instance()->mainWindow = nullptr;
    delete mainWindowStandIn;
    mainWindowStandIn = nullptr;
    qputenv("VORANTEL_VERSION_SERVICE_URL", server.address().toUtf8());
}

void TestAboutDialog::replyIsAnswered_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("answer"); // button pressed in a question, if one comes
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<QUrl>>("opened");

    const QString latest = QStringLiteral("Version Check|You have a latest version of Vorantel Dezedev Erud");
    const QString offer = QStringLiteral("New Version|Latest version ( 30.0.0 ) is available for download. "
                                         "Do you want to download it now?");
    const auto withUrl = [](const char* url) {
        return QByteArray(R"({"HasNewerVersion":"YES","NewerVersion":"30.0.0","DownloadURL":"%1"})").replace("%1", url);
    };
    const int yes = QMessageBox::Yes;
    QTest::newRow("newer, Yes opens http") << withUrl("http://example.com/download/30.0.0") << yes << QStringList{offer}
                                           << QList<QUrl>{QUrl(QStringLiteral("http://example.com/download/30.0.0"))};
    QTest::newRow("newer, Yes opens https") << withUrl("https://example.com/download") << yes << QStringList{offer}
                                            << QList<QUrl>{QUrl(QStringLiteral("https://example.com/download"))};
    QTest::newRow("newer, No opens nothing") << withUrl("http://example.com/d") << int(QMessageBox::No)
                                             << QStringList{offer} << QList<QUrl>{};
    // The reply comes over the network: a local file is never opened from it.
    QTest::newRow("file address not opened") << withUrl("file:///usr/bin/xterm") << yes << QStringList{offer}
                                             << QList<QUrl>{};
    QTest::newRow("lower-case yes") << QByteArray(R"({"HasNewerVersion":"yes","NewerVersion":"30.0.0"})") << 0
                                    << QStringList{latest} << QList<QUrl>{};
    QTest::newRow("YES without NewerVersion")
        << QByteArray(R"({"HasNewerVersion":"YES","DownloadURL":"http://example.com/d"})") << 0 << QStringList{}
        << QList<QUrl>{};
    QTest::newRow("empty body") << QByteArray() << 0 << QStringList{} << QList<QUrl>{};
}

void TestAboutDialog::replyIsAnswered()
{
    QFETCH(QByteArray, body);
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    QFETCH(QList<QUrl>, opened);
    server.body = body;
    if (answer)
        answerer->pressButton(QMessageBox::StandardButton(answer));

    AboutDialog dialog(mainWindowStandIn);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    check(&dialog);
    QVERIFY(versionCheckProgress);
    QCOMPARE(versionCheckProgress->message(), QStringLiteral("Please wait..."));

    // The reply is handled in one go: once the busy box is gone, any message has been shown.
    QTRY_VERIFY(!versionCheckProgress->isVisible());
    QTRY_COMPARE(answerer->messages(), messages);
    QCOMPARE(server.targets.size(), 1);
    QCOMPARE(urls->urls, opened);
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestAboutDialog::closingWhilePendingShowsNothingLater()
{
    server.hold = true;
    server.body = R"({"HasNewerVersion":"YES","NewerVersion":"30.0.0","DownloadURL":"http://example.com/d"})";
    auto* dialog = new AboutDialog(mainWindowStandIn);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    check(dialog);
    const QPointer<Progress> box = versionCheckProgress;
    QTRY_COMPARE(server.targets.size(), 1);

    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("buttonOK")), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    delete dialog; // as the About action does when exec() returns
    QVERIFY(box.isNull());
    QCOMPARE(versionCheckProgress, nullptr);

    // The pending request went with the dialog: the service sees its connection closed.
    QTRY_COMPARE(server.closedByClient, 1);
    server.releaseHeld();
    QCoreApplication::processEvents();
    QVERIFY(answerer->seen.isEmpty());
    QVERIFY(urls->urls.isEmpty());

    // The same service still answers a dialog that stays open.
    server.hold = false;
    answerer->pressButton(QMessageBox::No);
    AboutDialog again(mainWindowStandIn);
    again.show();
    check(&again);
    QTRY_COMPARE(answerer->seen.size(), 1);
}

VORANTEL_TEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
