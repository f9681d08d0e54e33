#include "databasehooks.h"

#include <QString>

#include <utility>

namespace DatabaseHooks {

namespace {
QString& Connection()
{
    static QString name;
    return name;
}
std::function<void()>& Action()
{
    static std::function<void()> action;
    return action;
}
const QObject*& HeldList()
{
    static const QObject* list = nullptr;
    return list;
}
std::function<void()>& HeldListAction()
{
    static std::function<void()> action;
    return action;
}
std::function<void()>& DumpsAction()
{
    static std::function<void()> action;
    return action;
}
} // namespace

void RunAfterNextCommit(const QString& connectionName, std::function<void()> action)
{
    Connection() = connectionName;
    Action() = std::move(action);
}

void Committed(const QString& connectionName)
{
    if (!Action() || Connection() != connectionName)
        return;
    const std::function<void()> action = std::exchange(Action(), nullptr);
    action();
}

void RunBeforeHeldListRead(const QObject* list, std::function<void()> action)
{
    HeldList() = list;
    HeldListAction() = std::move(action);
}

void ReadingHeldList(const QObject* list)
{
    if (!HeldListAction() || HeldList() != list)
        return;
    const std::function<void()> action = std::exchange(HeldListAction(), nullptr);
    action();
}

void RunBeforeNextDumps(std::function<void()> action)
{
    DumpsAction() = std::move(action);
}

void Dumping()
{
    if (!DumpsAction())
        return;
    const std::function<void()> action = std::exchange(DumpsAction(), nullptr);
    action();
}

} // namespace DatabaseHooks
