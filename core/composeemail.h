#pragma once

#include <QString>

// Writes an unsent e-mail with the file attached to the temporary folder and
// hands it to the desktop's mail program. Returns whether the draft was written and opened.
bool ComposeEmail(const QString& to, const QString& from, const QString& subject, const QString& body,
                  const QString& attachmentPath);
