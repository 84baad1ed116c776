// What the Linux edition's dialogs share: message boxes captioned with the application title, the
// OK and Cancel buttons, the rule above them, and a text of the shared table as Qt shows it.
#pragma once

#include "core/CommandHost.h"

#include <QString>

class QDialog;
class QDialogButtonBox;
class QFrame;
class QWidget;

// A warning with OK, or a yes/no question.
Answer showMessageBox(const QString &text, MessageKind kind);

// OK and ｷｬﾝｾﾙ, labelled as on Windows whatever Qt's own translations are; OK takes the focus, as
// the dialogs open there with the focus on OK.
QDialogButtonBox *okCancelButtons(QDialog *dialog);
// The horizontal rule above the buttons.
QFrame *horizontalRule(QWidget *parent);

// A text in the desktop's language: one of the shared table's (core/Texts.h), or one only the
// Linux edition shows, given in UTF-8. The Japanese text is the key of its translation.
QString uiText(const wchar_t *text);
QString uiText(const char *text);
