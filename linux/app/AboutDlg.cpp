#include "linux/app/AboutDlg.h"

#include "core/Texts.h"
#include "linux/app/MessageBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDlg::AboutDlg(const QString &text, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(uiText(texts::kAboutDialogCaption));
    auto *shown =
        new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    shown->setAlignment(Qt::AlignCenter);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *help =
        buttons->addButton(uiText(texts::kHelpPageButton), QDialogButtonBox::ActionRole);
    QPushButton *ok = buttons->addButton(uiText(texts::kOk), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    ok->setFocus();
    connect(help, &QPushButton::clicked, this, &AboutDlg::helpPageRequested);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(shown);
    layout->addWidget(buttons);
}
