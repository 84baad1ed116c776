// The desktop session's side of the Linux edition that the application sets up itself.
#pragma once

#include <QString>

class QLocale;

// Speaks the language of locale: Japanese, the source language of every text, for Japanese, and
// English for every other language. Call it once, with the desktop's locale, before any window
// or text is made.
void useLanguage(const QLocale &locale);

// One program as the Exec value of a desktop entry, quoted and escaped as the Desktop Entry rules
// want it, and the program an Exec value starts (its first argument), read by the same rules.
QString execValueOf(const QString &program);
QString programOfExec(const QString &value);
