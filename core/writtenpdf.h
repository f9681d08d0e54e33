#pragma once

class QString;
class QWidget;

// Shows a PDF the program has just written in the user's PDF viewer. Where no program opens it
// (no viewer installed, or none registered for PDF files on the desktop) the user is told where the
// file was written, so that it is not lost.
void OpenWrittenPdf(const QString& path, QWidget* parent);

// Clears the way for a new PDF at path (its folder made, the old file removed, if need be after making it
// writable, and what an ended print left half-written beside it) so that a stale file is never shown as the new
// print. When the old file is locked and stays, the user is told and false returned.
bool ClearOldPdf(const QString& path, bool retryWithPermissions = true);

// Removes an old file at path. Where that fails and makeWritable is set, a regular file (not a folder, not a link) is
// given its owner's write permission and removed once more; it is never opened to other accounts.
bool RemoveOldFile(const QString& path, bool makeWritable = true);

// The name a PDF is written under, beside path, until it is complete and renamed to path: a print ended midway
// never leaves a broken file under the name a user opens.
QString PartialPdfPath(const QString& path);
