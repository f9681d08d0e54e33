#include "aboutdialog.h"
#include "appsettings.h"
#include "constants.h"
#include "makeraddresses.h"
#include "modalanswerer.h"
#include "progress.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

// A version web service on the loopback interface: answers every GET with the
// reply the test set, drops the connection, or holds the request until released.
class LoopbackHttpServer : public QTcpServer
{
    Q_OBJECT
public:
    enum Mode { Answer, Drop, Hold };

    Mode mode = Answer;
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    QList<QByteArray> targets; // request targets, in arrival order
    int closedByClient = 0;

    LoopbackHttpServer()
    {
        connect(this, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
    }

    QString address() const { return QStringLiteral("http://127.0.0.1:%1/version").arg(serverPort()); }

    void reset()
    {
        mode = Answer;
        status = 200;
        contentType = "application/json";
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
        switch (mode) {
        case Answer:
            answer(socket);
            break;
        case Drop:
            socket->setProperty("answered", true);
            socket->abort();
            socket->deleteLater();
            break;
        case Hold:
            held << socket;
            break;
        }
    }

    void answer(QTcpSocket* socket)
    {
        socket->setProperty("answered", true);
        QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Internal Server Error")
            + "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n" + body;
        socket->write(response);
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

    void formShowsProductAndNotices();
    void linksOpenTheirAddress_data();
    void linksOpenTheirAddress();
    void requestCarriesVersionAndProduct();
    void replyIsAnswered_data();
    void replyIsAnswered();
    void twoChecksShareOneBusyBox();
    void closingWhilePendingShowsNothingLater();
    void runModallyFromParent();

private:
    void clickLink(QLabel* label, const QString& caption);
    QPushButton* button(QWidget* dialog, const char* name);
    void saveScreenshot(QWidget* widget, const QString& name);

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

QPushButton* TestAboutDialog::button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QLatin1String(name));
}

void TestAboutDialog::saveScreenshot(QWidget* widget, const QString& name)
{
    const QString dir = TestSupport::ScratchDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    const QPixmap shot = widget->grab();
    QVERIFY(!shot.isNull());
    QVERIFY(shot.save(dir + QLatin1Char('/') + name));
}

// Clicks just right of the caption that stands before the link, where the link text starts.
void TestAboutDialog::clickLink(QLabel* label, const QString& caption)
{
    const QFontMetrics metrics(label->font());
    const QPoint at(label->contentsRect().left() + metrics.horizontalAdvance(caption) + 12, label->height() / 2);
    QTest::mouseMove(label, at);
    QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, at);
}

void TestAboutDialog::formShowsProductAndNotices()
{
    AboutDialog dialog(mainWindowStandIn);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("labelHeading"))->text(),
             QStringLiteral("Vorantel Dezedev Erud 29.7.0"));
    const QLabel* image = dialog.findChild<QLabel*>(QStringLiteral("labelImage"));
    QCOMPARE(image->pixmap(Qt::ReturnByValue).size(), QSize(125, 125));
    QCOMPARE(image->size(), QSize(125, 125));

    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Vorantel"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Third Party"));
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("labelNotice"))->text().contains(QStringLiteral("AS IS")));
    saveScreenshot(&dialog, QStringLiteral("about.png"));

    const QString thirdParty = dialog.findChild<QPlainTextEdit*>(QStringLiteral("plainTextEdit"))->toPlainText();
    QVERIFY(thirdParty.startsWith(QStringLiteral("This software makes use of Qt libraries under LGPL license. "
                                                 "Copy of Qt LGPL license is provided with the installation. \n\nQt:\n\n")));
    QCOMPARE(thirdParty.split(QLatin1Char('\n')).mid(4),
             QStringList({MakerAddresses::QT_LGPL, MakerAddresses::QT_LICENSING}));
    tabs->setCurrentIndex(1);
    saveScreenshot(&dialog, QStringLiteral("about_third_party.png"));

    QTest::mouseClick(button(&dialog, "buttonOK"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestAboutDialog::linksOpenTheirAddress_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QUrl>("opened");
    QTest::newRow("support mail with subject")
        << "labelEmail" << "SUPPORT: "
        << QUrl(QStringLiteral("mailto:%1?subject=%2").arg(MakerAddresses::SUPPORT_EMAIL, MakerAddresses::SUPPORT_SUBJECT));
    QTest::newRow("web page") << "labelWebsite" << "WEB: " << QUrl(MakerAddresses::WEBSITE);
    QTest::newRow("social page") << "labelFacebook" << "FACEBOOK: " << QUrl(MakerAddresses::SOCIAL_PAGE);
}

void TestAboutDialog::linksOpenTheirAddress()
{
    QFETCH(QString, label);
    QFETCH(QString, caption);
    QFETCH(QUrl, opened);

    AboutDialog dialog(mainWindowStandIn);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* link = dialog.findChild<QLabel*>(label);
    QVERIFY(link->text().contains(QStringLiteral(" text-decoration: none; color:#3a66dd;")));
    QVERIFY(link->text().contains(caption));
    clickLink(link, caption);
    QTRY_COMPARE(urls->urls.size(), 1);
    QCOMPARE(urls->urls.first(), opened);
}

void TestAboutDialog::requestCarriesVersionAndProduct()
{
    server.body = R"({"HasNewerVersion":"NO"})";
    AboutDialog dialog(mainWindowStandIn);
    dialog.show();
    QTest::mouseClick(button(&dialog, "pushCheckVersion"), Qt::LeftButton);
    QTRY_COMPARE(server.targets.size(), 1);

    const QUrl target(QString::fromLatin1(server.targets.first()));
    QCOMPARE(target.path(), QStringLiteral("/version"));
    using Item = QPair<QString, QString>;
    QCOMPARE(QUrlQuery(target).queryItems(),
             QList<Item>({Item(QStringLiteral("version"), QStringLiteral("29.7.0")),
                          Item(QStringLiteral("product"), MakerAddresses::PRODUCT_CODE)}));
    QTRY_COMPARE(answerer->seen.size(), 1);
}

void TestAboutDialog::replyIsAnswered_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("answer"); // button pressed in a question, if one comes
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<QUrl>>("opened");

    const QString latest = QStringLiteral("Version Check|You have a latest version of Vorantel Dezedev Erud");
    const QString offer = QStringLiteral("New Version|Latest version ( 30.0.0 ) is available for download. "
                                         "Do you want to download it now?");
    const QByteArray newer = R"({"HasNewerVersion":"YES","NewerVersion":"30.0.0","DownloadURL":"%1"})";
    const auto withUrl = [&newer](const char* url) { return QByteArray(newer).replace("%1", url); };
    const int answer = LoopbackHttpServer::Answer;

    QTest::newRow("newer version, Yes opens the download page")
        << answer << 200 << withUrl("http://example.com/download/30.0.0") << int(QMessageBox::Yes) << QStringList{offer}
        << QList<QUrl>{QUrl(QStringLiteral("http://example.com/download/30.0.0"))};
    QTest::newRow("newer version over https, Yes opens it")
        << answer << 200 << withUrl("https://example.com/download") << int(QMessageBox::Yes) << QStringList{offer}
        << QList<QUrl>{QUrl(QStringLiteral("https://example.com/download"))};
    QTest::newRow("newer version, No opens nothing")
        << answer << 200 << withUrl("http://example.com/download/30.0.0") << int(QMessageBox::No) << QStringList{offer}
        << QList<QUrl>{};
    QTest::newRow("newer version without download address")
        << answer << 200 << QByteArray(R"({"HasNewerVersion":"YES","NewerVersion":"30.0.0"})") << int(QMessageBox::Yes)
        << QStringList{offer} << QList<QUrl>{};
    // The reply comes over the network: a local file or a mail draft is never opened from it.
    QTest::newRow("file address is not opened")
        << answer << 200 << withUrl("file:///usr/bin/xterm") << int(QMessageBox::Yes) << QStringList{offer}
        << QList<QUrl>{};
    QTest::newRow("mail address is not opened")
        << answer << 200 << withUrl("mailto:someone@example.com") << int(QMessageBox::Yes) << QStringList{offer}
        << QList<QUrl>{};
    QTest::newRow("lower-case yes is no newer version")
        << answer << 200 << QByteArray(R"({"HasNewerVersion":"yes","NewerVersion":"30.0.0"})") << 0
        << QStringList{latest} << QList<QUrl>{};
    QTest::newRow("NO") << answer << 200 << QByteArray(R"({"HasNewerVersion":"NO"})") << 0 << QStringList{latest}
                        << QList<QUrl>{};
    QTest::newRow("value that is not a text")
        << answer << 200 << QByteArray(R"({"HasNewerVersion":true})") << 0 << QStringList{latest} << QList<QUrl>{};
    QTest::newRow("YES without NewerVersion shows nothing")
        << answer << 200 << QByteArray(R"({"HasNewerVersion":"YES","DownloadURL":"http://example.com/d"})") << 0
        << QStringList{} << QList<QUrl>{};
    QTest::newRow("object without HasNewerVersion shows nothing")
        << answer << 200 << QByteArray(R"({"NewerVersion":"30.0.0"})") << 0 << QStringList{} << QList<QUrl>{};
    QTest::newRow("JSON array shows nothing")
        << answer << 200 << QByteArray(R"([{"HasNewerVersion":"NO"}])") << 0 << QStringList{} << QList<QUrl>{};
    QTest::newRow("empty body shows nothing") << answer << 200 << QByteArray() << 0 << QStringList{} << QList<QUrl>{};
    QTest::newRow("HTML error page shows nothing")
        << answer << 500 << QByteArray("<html><body><h1>Internal Server Error</h1></body></html>") << 0
        << QStringList{} << QList<QUrl>{};
    QTest::newRow("connection dropped shows nothing")
        << int(LoopbackHttpServer::Drop) << 200 << QByteArray() << 0 << QStringList{} << QList<QUrl>{};
}

void TestAboutDialog::replyIsAnswered()
{
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    QFETCH(QList<QUrl>, opened);

    server.mode = LoopbackHttpServer::Mode(mode);
    server.status = status;
    server.body = body;
    if (status != 200)
        server.contentType = "text/html";
    if (answer)
        answerer->pressButton(QMessageBox::StandardButton(answer));

    AboutDialog dialog(mainWindowStandIn);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(button(&dialog, "pushCheckVersion"), Qt::LeftButton);
    QVERIFY(versionCheckProgress);
    QCOMPARE(versionCheckProgress->message(), QStringLiteral("Please wait..."));

    // The reply is handled in one go: once the busy box is gone, any message has been shown.
    QTRY_VERIFY(!versionCheckProgress->isVisible());
    QTRY_COMPARE(answerer->messages(), messages);
    // Qt sends a GET once more when the connection was closed before any answer.
    if (mode == LoopbackHttpServer::Drop)
        QVERIFY(!server.targets.isEmpty());
    else
        QCOMPARE(server.targets.size(), 1);
    QCOMPARE(urls->urls, opened);
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestAboutDialog::twoChecksShareOneBusyBox()
{
    server.mode = LoopbackHttpServer::Hold;
    server.body = R"({"HasNewerVersion":"NO"})";
    AboutDialog dialog(mainWindowStandIn);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QTest::mouseClick(button(&dialog, "pushCheckVersion"), Qt::LeftButton);
    const QPointer<Progress> box = versionCheckProgress;
    QVERIFY(box && box->isVisible());
    QTest::mouseClick(button(&dialog, "pushCheckVersion"), Qt::LeftButton);
    QCOMPARE(versionCheckProgress, box.data());
    QCOMPARE(box->parentWidget(), mainWindowStandIn);
    QCOMPARE(mainWindowStandIn->findChildren<Progress*>().size(), 1);
    QTRY_COMPARE(server.targets.size(), 2);
    QVERIFY(box->isVisible());

    server.releaseHeld();
    const QString latest = QStringLiteral("Version Check|You have a latest version of Vorantel Dezedev Erud");
    QTRY_COMPARE(answerer->messages(), QStringList({latest, latest}));
    QVERIFY(!box->isVisible());
}

void TestAboutDialog::closingWhilePendingShowsNothingLater()
{
    server.mode = LoopbackHttpServer::Hold;
    server.body = R"({"HasNewerVersion":"YES","NewerVersion":"30.0.0","DownloadURL":"http://example.com/d"})";
    auto* dialog = new AboutDialog(mainWindowStandIn);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::mouseClick(button(dialog, "pushCheckVersion"), Qt::LeftButton);
    const QPointer<Progress> box = versionCheckProgress;
    QTRY_COMPARE(server.targets.size(), 1);

    QTest::mouseClick(button(dialog, "buttonOK"), Qt::LeftButton);
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
    server.mode = LoopbackHttpServer::Answer;
    answerer->pressButton(QMessageBox::No);
    AboutDialog again(mainWindowStandIn);
    again.show();
    QTest::mouseClick(button(&again, "pushCheckVersion"), Qt::LeftButton);
    QTRY_COMPARE(answerer->seen.size(), 1);
}

// The way the main window uses it: built with a parent, exec(), destroyed on return.
void TestAboutDialog::runModallyFromParent()
{
    server.body = R"({"HasNewerVersion":"YES","NewerVersion":"30.0.0","DownloadURL":"https://example.com/get"})";
    auto* dialog = new AboutDialog(mainWindowStandIn);
    answerer->handle([dialog](QWidget* modal) {
        if (modal != dialog)
            return false;
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pushCheckVersion")), Qt::LeftButton);
        return true;
    });
    answerer->pressButton(QMessageBox::Yes);
    answerer->handle([dialog](QWidget* modal) {
        if (modal != dialog)
            return false;
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("buttonOK")), Qt::LeftButton);
        return true;
    });
    dialog->setModal(true);
    dialog->exec();
    delete dialog;

    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->seen.size(), 3);
    QCOMPARE(answerer->seen.at(0).title, QStringLiteral("About"));
    QCOMPARE(answerer->seen.at(1).title, QStringLiteral("New Version"));
    QCOMPARE(urls->urls, QList<QUrl>({QUrl(QStringLiteral("https://example.com/get"))}));
    QCOMPARE(versionCheckProgress, nullptr);
}

VORANTEL_TEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
