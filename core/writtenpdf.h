#pragma once

class QString;
class QWidget;

// Shows a PDF the program has just written in the user's PDF viewer. Where no program opens it
// (no viewer installed) the user is told where the file was written, so that it is not lost.
void OpenWrittenPdf(const QString& path, QWidget* parent);
