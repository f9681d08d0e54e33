#pragma once

#include <functional>

class QString;

// A point of the database layer where a test lands a fault at an exact step, for example a server stopped right
// after a write was committed and before anything reads. Unset, it costs one test of an empty function.
namespace DatabaseHooks {

// The action runs once, right after the next transaction committed on the connection of that name.
void RunAfterNextCommit(const QString& connectionName, std::function<void()> action);
// Told by the connection manager after each commit that succeeded.
void Committed(const QString& connectionName);

} // namespace DatabaseHooks
