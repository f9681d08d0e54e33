#pragma once

#include <QString>

class QApplication;
class QSharedMemory;
class QTranslator;

// Steps of the program start that run before and just after the QApplication exists.

inline const QString SINGLE_INSTANCE_KEY = QStringLiteral("10eef311-69b6-4968-b04c-a26775c857d8");

// The QT_SCALE_FACTOR text for a fixed scaling factor ("1.0" for 1, "2.0" for 11).
QString ScaleFactorText(float scalingFactor);
// Reads the scaling settings and sets or clears QT_SCALE_FACTOR; must run before QApplication.
void ApplyScalingSettings();

bool HasRestartArgument(int argc, char** argv);

// Takes the single-instance segment. A segment left behind by a killed copy is
// cleared first; one held by a live copy makes this fail.
bool AcquireSingleInstance(QSharedMemory& guard);

// The translation file for a language setting, empty for English or an unknown name.
QString TranslationFileFor(const QString& language);
// Loads and installs the translation; returns whether the language is available.
bool InstallTranslation(QApplication& app, QTranslator& translator, const QString& language);
