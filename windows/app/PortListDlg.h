// What both dialogs that pick the LED's port share: the port list, which the template fills with
// COM1 to COM20 and which gets the ports above COM20 that exist when it opens, and under it the
// name of the device behind the selected port, where Windows knows one.
#pragma once

#include "windows/afx/Afx.h"
#include "windows/system/Ports.h"

#include <string>

class CPortListDlg : public CDialog {
public:
    CPortListDlg(UINT nIDTemplate, CComPortList ports);

    std::wstring m_strPort;  // the port shown and, on OK, chosen; empty: none

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowDeviceName();

    CComPortList m_ports;
};
