// The About box: name, version, credit and home page, and under them the settings file in use;
// its other button offers the help page.
#pragma once

#include "windows/afx/Afx.h"
#include "core/CommandHost.h"
#include "core/Commands.h"
#include "windows/res/resource.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(ICommandHost& host) : CDialog(IDD_ABOUTBOX), m_host(host) {}

    std::wstring m_strHelpUrl;
    std::wstring m_strText;
    std::wstring m_strIniPath;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_ABOUT_TEXT, m_strText);
        DDX_Text(pDX, IDC_INI_PATH, m_strIniPath);
    }

    BOOL OnCommand(UINT nID) override
    {
        if (nID == IDC_HELP_PAGE) {
            OnButtonHelpPage();
            return TRUE;
        }
        return CDialog::OnCommand(nID);
    }

private:
    void OnButtonHelpPage() { HelpPageCommand(m_host, m_strHelpUrl); }

    ICommandHost& m_host;
};
