// The About box: the text read-only, OK in front, and the button offering the help page.
#pragma once

#include <QDialog>

class AboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit AboutDlg(const QString &text, QWidget *parent = nullptr);

signals:
    void helpPageRequested();
};
