// "ポート接続": picks the LED's COM port.
#pragma once

#include "windows/app/PortListDlg.h"
#include "windows/res/resource.h"

#include <utility>

class CPortDlg : public CPortListDlg {
public:
    explicit CPortDlg(CComPortList ports) : CPortListDlg(IDD_PORT_DIALOG, std::move(ports)) {}
};
