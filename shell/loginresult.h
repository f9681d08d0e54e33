#pragma once

#include <QString>

// What the login dialog reports to the login routine, which owns the record on its stack.
struct LoginResult
{
    // Stays true when the dialog ends by Esc or its close button.
    bool cancelled = true;
    QString firstName;
    QString lastName;
    // As stored in the database, whatever letter case was typed.
    QString loginName;
    // "DB_CHANGED" asks the caller to log out and log in again on the newly active inventory database.
    QString roleName;
    QString roleId;
};
