#pragma once

// The languages offered for number formatting: entry i names QLocale::Language value i,
// so the stored index is the language itself.
constexpr int CURRENCY_LANGUAGE_COUNT = 315;
extern const char* const CURRENCY_LANGUAGES[CURRENCY_LANGUAGE_COUNT];
