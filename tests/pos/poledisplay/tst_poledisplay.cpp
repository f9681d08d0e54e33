#include "modalanswerer.h"
#include "poledisplayemax.h"
#include "poledisplayepson.h"
#include "poledisplayiee.h"
#include "poledisplaylci.h"
#include "ptypair.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <functional>
#include <memory>

using Operation = std::function<void(PoleDisplay*)>;
Q_DECLARE_METATYPE(Operation)

namespace {

std::unique_ptr<PoleDisplay> MakeDisplay(int commandSet, QObject* parent)
{
    switch (commandSet) {
    case 0: return std::make_unique<PoleDisplayLCI>(parent);
    case 1: return std::make_unique<PoleDisplayEpson>(parent);
    case 2: return std::make_unique<PoleDisplayEmax>(parent);
    case 3: return std::make_unique<PoleDisplayIEE>(parent);
    }
    return nullptr;
}

// How many file handles of this process refer to the device (the pseudo-terminal behind a link).
int OpenHandles(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot))
        count += QFileInfo(fds.filePath(fd)).symLinkTarget() == target ? 1 : 0;
    return count;
}

bool OpenOn(PoleDisplay* display, const QString& port, int charCount = 20)
{
    return display->open(port, QStringLiteral("9600"), QStringLiteral("8"), QStringLiteral("NONE"),
                         QStringLiteral("1"), QStringLiteral("NONE"), 2, charCount);
}

} // namespace

// The four command sets on a pseudo-terminal pair: the bytes that reach the display's end.
class TestPoleDisplay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void bytesOnTheWire_data();
    void bytesOnTheWire();
    void labelledValues_data();
    void labelledValues();
    void closedDisplaySendsNothing_data();
    void closedDisplaySendsNothing();
    void secondOpenKeepsFirstSizes();
    void destroyingClosesThePort();

private:
    ModalAnswerer* answerer = nullptr;
};

void TestPoleDisplay::init()
{
    if (!answerer)
        answerer = new ModalAnswerer(this);
    answerer->clear();
}

void TestPoleDisplay::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestPoleDisplay::bytesOnTheWire_data()
{
    QTest::addColumn<int>("commandSet");
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QByteArray>("bytes");
    const Operation clear = [](PoleDisplay* d) { d->clear(); };
    const Operation welcome = [](PoleDisplay* d) { d->showWelcome(QStringLiteral("HELLO")); };
    const Operation line1 = [](PoleDisplay* d) { d->showLine1(QStringLiteral("one")); };
    const Operation line2 = [](PoleDisplay* d) { d->showLine2(QStringLiteral("two")); };
    const Operation line2Alt = [](PoleDisplay* d) { d->showLine2Alt(QStringLiteral("two")); };
    const Operation both = [](PoleDisplay* d) {
        d->showPaid(QStringLiteral("100.00"));
        d->showDue(QStringLiteral("0.00"));
    };

    QTest::newRow("LCI clear") << 0 << clear << QByteArray("\x1F\x14\x11");
    QTest::newRow("LCI welcome") << 0 << welcome << QByteArray("\x1F\x14\x05HELLO");
    QTest::newRow("LCI line 1 clears first") << 0 << line1 << QByteArray("\x1F\x14\x11one");
    QTest::newRow("LCI line 2") << 0 << line2 << QByteArray("\r\ntwo");
    QTest::newRow("LCI line 2 alt") << 0 << line2Alt << QByteArray("\r\ntwo");
    QTest::newRow("LCI paid and due") << 0 << both
                                      << QByteArray("\x1F\x14\x11Paid:         100.00\r\nDue:            0.00");

    QTest::newRow("Epson clear") << 1 << clear << QByteArray("\x0C\x0B\x1F\x43\x30\x30");
    QTest::newRow("Epson welcome clears fully") << 1 << welcome << QByteArray("\x0C\x0B\x1F\x43\x30\x30\x1F\x03HELLO");
    QTest::newRow("Epson line 1") << 1 << line1 << QByteArray("\x0C\x0B\x1F\x43\x30\x30one");
    QTest::newRow("Epson line 2") << 1 << line2 << QByteArray("\x0B\x0A\x18two");
    QTest::newRow("Epson line 2 alt") << 1 << line2Alt << QByteArray("\x0B\x0A\x0A\x18two");

    QTest::newRow("Emax clear") << 2 << clear << QByteArray("\r\r!#1 \r");
    QTest::newRow("Emax welcome") << 2 << welcome << QByteArray("\n\n!#4HELLO\r");
    QTest::newRow("Emax line 1") << 2 << line1 << QByteArray("!#1one\r");
    QTest::newRow("Emax line 2") << 2 << line2 << QByteArray("!#2two\r");
    QTest::newRow("Emax line 2 alt") << 2 << line2Alt << QByteArray("!#2two\r");

    QTest::newRow("IEE clear") << 3 << clear << QByteArray("\x14\x0C\x0E");
    QTest::newRow("IEE welcome") << 3 << welcome << QByteArray("\x14\x0C\x0EHELLO");
    QTest::newRow("IEE line 1 at the cursor") << 3 << line1 << QByteArray("one");
    QTest::newRow("IEE line 2") << 3 << line2 << QByteArray("\r\ntwo");
    QTest::newRow("IEE line 2 alt") << 3 << line2Alt << QByteArray("\r\ntwo");

    QTest::newRow("UTF-8 text, cut at a zero") << 0 << Operation([](PoleDisplay* d) {
        d->showLine2(QStringLiteral(u"\u20AC5") + QChar(0) + QStringLiteral("lost"));
    }) << QByteArray("\r\n\xE2\x82\xAC" "5");
}

void TestPoleDisplay::bytesOnTheWire()
{
    QFETCH(int, commandSet);
    QFETCH(Operation, operation);
    QFETCH(QByteArray, bytes);
    PtyPair pty;
    QVERIFY(pty.start());
    std::unique_ptr<PoleDisplay> display = MakeDisplay(commandSet, nullptr);
    QVERIFY(pty.received().isEmpty());
    QVERIFY(OpenOn(display.get(), pty.displayEnd()));
    operation(display.get());
    QTRY_COMPARE(pty.received().size(), bytes.size());
    QCOMPARE(pty.received(), bytes);
}

void TestPoleDisplay::labelledValues_data()
{
    QTest::addColumn<int>("charCount");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("total") << 20 << "total" << "12.50" << "Total:         12.50";
    QTest::newRow("price fills exactly") << 20 << "price" << "12345678901234" << "Price:12345678901234";
    QTest::newRow("price too long stays whole") << 20 << "price" << "123456789012345" << "Price:123456789012345";
    QTest::newRow("due on a narrow display") << 5 << "due" << "0.00" << "Due:0.00";
    QTest::newRow("paid, wide display") << 30 << "paid" << "1" << "Paid:                        1";
}

void TestPoleDisplay::labelledValues()
{
    QFETCH(int, charCount);
    QFETCH(QString, label);
    QFETCH(QString, value);
    QFETCH(QString, text);
    PtyPair pty;
    QVERIFY(pty.start());
    PoleDisplayIEE display(nullptr);
    QVERIFY(OpenOn(&display, pty.displayEnd(), charCount));
    QString formatted;
    if (label == QLatin1String("total"))
        formatted = display.formatTotal(value);
    else if (label == QLatin1String("price"))
        formatted = display.formatPrice(value);
    else if (label == QLatin1String("due"))
        formatted = display.formatDue(value);
    else
        formatted = display.formatPaid(value);
    QCOMPARE(formatted, text);
}

void TestPoleDisplay::closedDisplaySendsNothing_data()
{
    QTest::addColumn<int>("commandSet");
    QTest::addColumn<bool>("failedOpen");
    for (int set = 0; set < 4; ++set) {
        QTest::addRow("set %d never opened", set) << set << false;
        QTest::addRow("set %d after a failed open", set) << set << true;
    }
}

void TestPoleDisplay::closedDisplaySendsNothing()
{
    QFETCH(int, commandSet);
    QFETCH(bool, failedOpen);
    PtyPair pty;
    QVERIFY(pty.start());
    QWidget owner;
    std::unique_ptr<PoleDisplay> display = MakeDisplay(commandSet, &owner);
    if (failedOpen) {
        answerer->pressButton(QMessageBox::Ok);
        QVERIFY(!OpenOn(display.get(), QStringLiteral("NONE")));
        QCOMPARE(answerer->messages(),
                 QStringList{"Test|Error occurred while opening serial port. Please check all parameters and try again."});
        QCOMPARE(answerer->seen.size(), 1);
    }
    // A second display on the same cable shows that the wire is alive.
    PoleDisplayIEE probe(nullptr);
    QVERIFY(OpenOn(&probe, pty.displayEnd()));
    display->clear();
    display->showWelcome(QStringLiteral("W"));
    display->showLine1(QStringLiteral("1"));
    display->showLine2(QStringLiteral("2"));
    display->showLine2Alt(QStringLiteral("3"));
    display->showPaid(QStringLiteral("4"));
    display->showTotal(QStringLiteral("5"));
    display->showPrice(QStringLiteral("6"));
    display->showDue(QStringLiteral("7"));
    probe.showLine1(QStringLiteral("end"));
    QTRY_COMPARE(pty.received(), QByteArray("end"));
}

void TestPoleDisplay::secondOpenKeepsFirstSizes()
{
    PtyPair pty;
    QVERIFY(pty.start());
    PoleDisplayIEE display(nullptr);
    QVERIFY(OpenOn(&display, pty.displayEnd(), 20));
    // Already open: nothing is reconfigured, not even from a port that does not exist.
    QVERIFY(display.open(QStringLiteral("/no/such/port"), QStringLiteral("1200"), QStringLiteral("5"),
                         QStringLiteral("ODD"), QStringLiteral("2"), QStringLiteral("Hardware"), 4, 40));
    QCOMPARE(display.formatDue(QStringLiteral("1")), QStringLiteral("Due:               1"));
    display.showLine1(QStringLiteral("still here"));
    QTRY_COMPARE(pty.received(), QByteArray("still here"));
}

void TestPoleDisplay::destroyingClosesThePort()
{
    PtyPair pty;
    QVERIFY(pty.start());
    for (int round = 0; round < 2; ++round) {
        // The text written just before destruction is flushed out, and the port opens again afterwards.
        auto display = std::make_unique<PoleDisplayLCI>(nullptr);
        QVERIFY2(OpenOn(display.get(), pty.displayEnd()), qPrintable(QString::number(round)));
        QCOMPARE(OpenHandles(pty.displayEnd()), 1);
        display->showLine2(QString::number(round));
        display.reset();
        QCOMPARE(OpenHandles(pty.displayEnd()), 0);
    }
    QTRY_COMPARE(pty.received(), QByteArray("\r\n0\r\n1"));
}

VORANTEL_TEST_MAIN(TestPoleDisplay)
#include "tst_poledisplay.moc"
