#include "urlrecorder.h"

#include <QDesktopServices>

namespace {
const char* const schemes[] = {"file", "http", "https", "mailto"};
}

UrlRecorder::UrlRecorder()
{
    for (const char* scheme : schemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
}

UrlRecorder::~UrlRecorder()
{
    for (const char* scheme : schemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void UrlRecorder::openUrl(const QUrl& url)
{
    urls << url;
}
