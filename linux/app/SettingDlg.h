// "動作設定": the poll interval, the port, the three options, how the LED is wired and the lamp at
// the caret.
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
    // Where no program may place a window (Wayland), the lamp at the caret cannot show: its box is
    // greyed out the same way.
    void showCaretLampUnavailable();

private:
    QComboBox *m_interval;
    QComboBox *m_ports;
    QCheckBox *m_autoConnect;
    QCheckBox *m_alnumOff;
    QLabel *m_alnumHint;
    QCheckBox *m_startAtLogin;
    QComboBox *m_ledLines;
    QCheckBox *m_ledInverted;
    QCheckBox *m_caretLamp;
    QLabel *m_caretLampHint;
    std::vector<std::string> m_paths;
};
