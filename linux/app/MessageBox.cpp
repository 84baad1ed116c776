#include "linux/app/MessageBox.h"

#include "core/Platform.h"
#include "core/Texts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QMessageBox>
#include <QPushButton>

Answer showMessageBox(const QString &text, MessageKind kind)
{
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationName());
    box.setText(text);
    if (kind == MessageKind::Warning) {
        box.setIcon(QMessageBox::Warning);
        box.setDefaultButton(box.addButton(uiText(texts::kOk), QMessageBox::AcceptRole));
        box.exec();
        return Answer::Ok;
    }
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(uiText("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(uiText("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == no ? Answer::No : Answer::Yes;
}

QDialogButtonBox *okCancelButtons(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *ok = buttons->addButton(uiText(texts::kOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(uiText(texts::kCancel), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    ok->setFocus();
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QFrame *horizontalRule(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QString uiText(const wchar_t *text) { return QString::fromStdWString(sys::LocalText(text)); }

QString uiText(const char *text) { return QCoreApplication::translate("Lumidot", text); }
