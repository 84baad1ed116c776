// The desktop session's side of the Linux edition that the application sets up itself.
#pragma once

class QLocale;

// Speaks the language of locale: Japanese, the source language of every text, for Japanese, and
// English for every other language. Call it once, with the desktop's locale, before any window
// or text is made.
void useLanguage(const QLocale &locale);
