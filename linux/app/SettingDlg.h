// "動作設定": the poll interval, the port, the three options and how the LED is wired.
#pragma once

#include "core/CommandHost.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;

class SettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit SettingDlg(const SettingChoices &shown, QWidget *parent = nullptr);
    SettingChoices choices() const;
    // Where nothing tells alphanumeric input apart, the box would do nothing: it is greyed out
    // (keeping its value) and the reason shown beside it.
    void showModeUnknown();

private:
    QComboBox *m_interval;
    QComboBox *m_ports;
    QCheckBox *m_autoConnect;
    QCheckBox *m_alnumOff;
    QLabel *m_alnumHint;
    QCheckBox *m_startAtLogin;
    QComboBox *m_ledLines;
    QCheckBox *m_ledInverted;
    std::vector<std::string> m_paths;
};
