// The desktop session's side of the Linux edition that the application sets up itself.
#pragma once

class QLocale;
class QString;

// Speaks the language of locale: Japanese, the source language of every text, for Japanese, and
// English for every other language. Call it once, with the desktop's locale, before any window
// or text is made.
void useLanguage(const QLocale &locale);

// Takes the session-wide name that marks the running instance on the session bus: false only when
// another process holds it. Without a session bus, or with a bus daemon that does not answer
// within a second, there is no session to be alone in, and the claim succeeds.
bool claimInstanceName(const QString &name);
// Gives the name up, waiting a second at most for the bus daemon.
void releaseInstanceName(const QString &name);
