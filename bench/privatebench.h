#pragma once

#include <QString>

#include <functional>

class PrivateServer;
class QSqlDatabase;

// Starts the private server, connects the database manager to it and creates the inventory and sales
// databases there; the error text, empty on success.
QString StartWithDatabases(PrivateServer& server, const QString& inventory, const QString& sales);

// Runs fill over a connection of its own to the inventory database, so the sale screen's connections
// start fresh; the error text, empty on success.
QString FillInventory(const PrivateServer& server, const QString& inventory,
                      const std::function<QString(QSqlDatabase&)>& fill);
