#include "windows/app/IndicatorApp.h"

#include "windows/app/IndicatorDlg.h"

CIndicatorApp theApp;

BOOL CIndicatorApp::InitInstance()
{
    CIndicatorDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
