#pragma once

#include "testsupport.h"

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>

// Two linked pseudo-terminals from socat, standing in for a serial cable: what the program
// writes to displayEnd() arrives at the peer end, which this object reads.
class PtyPair
{
public:
    PtyPair()
    {
        const QString dir = TestSupport::ScratchDir();
        display = dir + QStringLiteral("/pole-display");
        peerPath = dir + QStringLiteral("/pole-peer");
        QFile::remove(display);
        QFile::remove(peerPath);
        socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + display,
                                              QStringLiteral("pty,raw,echo=0,link=") + peerPath});
    }
    ~PtyPair()
    {
        peer.close();
        socat.terminate();
        socat.waitForFinished(3000);
    }
    // Both ends exist and the peer end is open for reading; call it under QVERIFY.
    bool start()
    {
        if (!socat.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(5000);
        while (!(QFileInfo::exists(display) && QFileInfo::exists(peerPath)) && !deadline.hasExpired())
            QTest::qWait(20);
        if (!QFileInfo::exists(display))
            return false;
        peer.setPortName(QFileInfo(peerPath).canonicalFilePath());
        return peer.open(QIODevice::ReadOnly);
    }
    QString displayEnd() const { return QFileInfo(display).canonicalFilePath(); }
    // Everything that reached the peer so far.
    QByteArray received()
    {
        bytes += peer.readAll();
        return bytes;
    }
    void forget()
    {
        received();
        bytes.clear();
    }

private:
    QString display;
    QString peerPath;
    QProcess socat;
    QSerialPort peer;
    QByteArray bytes;
};
