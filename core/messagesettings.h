#pragma once

#include <QMap>
#include <QObject>
#include <QString>

// Show flags of the numbered notices "err_msg_1" ... "err_msg_49".
class MessageSettings : public QObject
{
public:
    struct Flags
    {
        bool show = false;
        bool changed = false; // the user changed it in this run, so it is written back
    };

    static MessageSettings* Instance();

    void Load();
    void Save();
    // An unknown id is entered as not shown.
    Flags& operator[](const QString& id);

private:
    MessageSettings();
    QMap<QString, Flags> flags;
};
