// "ポート接続": picks the LED's serial port among the devices that exist.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;

class PortDlg : public QDialog {
    Q_OBJECT
public:
    // configured is preselected when it is listed; the list is taken once, when the dialog opens.
    explicit PortDlg(const std::wstring &configured, QWidget *parent = nullptr);
    // The chosen device path; empty when none was chosen.
    std::wstring chosenPort() const;

private:
    QComboBox *m_ports;
    std::vector<std::string> m_paths;
};

// The port list both dialogs show: fills combo with the ports that exist (and configured, when it
// is a device given by hand) and selects configured; paths receives the path of each item.
void fillPorts(QComboBox *combo, std::vector<std::string> &paths, const std::wstring &configured);
// The path of item index; empty for none.
std::wstring pathAt(const std::vector<std::string> &paths, int index);
