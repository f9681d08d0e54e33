// Prints, for each notice id given, whether a new process would show it.
#include "messagesettings.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessageSettings::Instance()->Load();
    QTextStream out(stdout);
    for (const QString& id : app.arguments().mid(1))
        out << id << '=' << ((*MessageSettings::Instance())[id].show ? "show" : "skip") << '\n';
    return 0;
}
