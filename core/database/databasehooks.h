#pragma once

#include <functional>

class QObject;
class QString;

// A point of the database layer where a test lands a fault at an exact step, for example a server stopped right
// after a write was committed and before anything reads. Unset, it costs one test of an empty function.
namespace DatabaseHooks {

// The action runs once, right after the next transaction committed on the connection of that name.
void RunAfterNextCommit(const QString& connectionName, std::function<void()> action);
// Told by the connection manager after each commit that succeeded.
void Committed(const QString& connectionName);

// The action runs once, when the held-list pass has found the list's connection answering and is about to read
// that list again.
void RunBeforeHeldListRead(const QObject* list, std::function<void()> action);
// Told by the connection manager right before it reads a held list again.
void ReadingHeldList(const QObject* list);

// The action runs once, when the backup has asked the server and is about to start its dumps.
void RunBeforeNextDumps(std::function<void()> action);
// Told by the backup right before it starts its dumps.
void Dumping();

} // namespace DatabaseHooks
