#pragma once

#include "singleinstance.h"

#include <QString>

class QApplication;
class QTranslator;

// Steps of the program start that run before and just after the QApplication exists.

// The QT_SCALE_FACTOR text for a fixed scaling factor ("1.0" for 1, "2.0" for 11).
QString ScaleFactorText(float scalingFactor);
// Reads the scaling settings and sets or clears QT_SCALE_FACTOR; must run before QApplication.
void ApplyScalingSettings();

bool HasRestartArgument(int argc, char** argv);

// The translation file for a language setting, empty for English or an unknown name.
QString TranslationFileFor(const QString& language);
// Loads and installs the translation; returns whether the language is available.
bool InstallTranslation(QApplication& app, QTranslator& translator, const QString& language);
