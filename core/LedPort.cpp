#include "core/LedPort.h"

#include "core/Settings.h"
#include "core/Texts.h"

bool ConnectPort(const std::wstring& strPort)
{
    if (!sys::OpenLedPort(strPort))
        return false;
    ShowLed(false);
    return true;
}

sys::LineResult ShowLed(bool bLit)
{
    // Where the lines outlive the port, the LED is left dark, as wired now.
    sys::SetLedLinesAtClose(LedLinesOf(g_nLedLines), g_nLedInverted == 1);
    return sys::SetLedLines(LedLinesOf(g_nLedLines), bLit != (g_nLedInverted == 1));
}

sys::LedLines LedLinesOf(int nLedLines)
{
    switch (nLedLines) {
    case 1:
        return sys::LedLines::Dtr;
    case 2:
        return sys::LedLines::Rts;
    default:
        return sys::LedLines::Both;
    }
}

std::wstring PortOpenFailedText()
{
    std::wstring strText = sys::LocalText(texts::kPortOpenFailed);
    const sys::OpenFailure failure = sys::LastOpenFailure();
    auto addLine = [&strText](const wchar_t* pszText, const std::wstring& strGroup = {}) {
        strText += L"\r\n" + texts::Fill(sys::LocalText(pszText).c_str(), strGroup, strGroup);
    };
    switch (failure.problem) {
    case sys::OpenProblem::Held:
        addLine(texts::kPortHeldHint);
        break;
    case sys::OpenProblem::NoRights:
        addLine(texts::kPortRightsHint);
        if (!failure.strGroup.empty())
            addLine(texts::kPortGroupHint, failure.strGroup);
        break;
    case sys::OpenProblem::SessionTerminal:
        addLine(texts::kPortTerminalHint);
        break;
    case sys::OpenProblem::NotSerial:
        addLine(texts::kPortNotSerialHint);
        break;
    case sys::OpenProblem::None:
        break;
    }
    return strText;
}
