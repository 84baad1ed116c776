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

// Takes the session-wide name that marks the running instance on the session bus: false only when
// another process holds it. Without a session bus, or with a bus daemon that does not answer
// within a second, there is no session to be alone in, and the claim succeeds.
bool claimInstanceName(const QString &name);
// Gives the name up, waiting a second at most for the bus daemon.
void releaseInstanceName(const QString &name);
