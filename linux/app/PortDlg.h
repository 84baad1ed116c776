// The Linux edition's dialogs and message boxes, with the texts of the Windows edition's.
#pragma once

#include "core/CommandHost.h"

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;

// "ポート接続": picks the LED's serial port among the devices that exist.
class PortDialog : public QDialog {
    Q_OBJECT
public:
    // configured is preselected when it is listed; the list is taken once, when the dialog opens.
    explicit PortDialog(const std::wstring &configured, QWidget *parent = nullptr);
    // The chosen device path; empty when none was chosen.
    std::wstring chosenPort() const;

private:
    QComboBox *m_ports;
    std::vector<std::string> m_paths;
};

// "動作設定": the poll interval, the port and the three options.
class SettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingDialog(const SettingChoices &shown, QWidget *parent = nullptr);
    SettingChoices choices() const;

private:
    QComboBox *m_interval;
    QComboBox *m_ports;
    QCheckBox *m_autoConnect;
    QCheckBox *m_alnumOff;
    QCheckBox *m_startAtLogin;
    std::vector<std::string> m_paths;
};

// The About box: the text read-only, OK in front, and the button offering the help page.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const QString &text, QWidget *parent = nullptr);

signals:
    void helpPageRequested();
};

// A message box captioned with the application title: a warning with OK, or a yes/no question.
Answer showMessageBox(const QString &text, MessageKind kind);
