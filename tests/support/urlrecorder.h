#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Records what the program asks the desktop to open instead of launching programs.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder();
    ~UrlRecorder() override;

    QList<QUrl> urls;

public slots:
    void openUrl(const QUrl& url);
};
