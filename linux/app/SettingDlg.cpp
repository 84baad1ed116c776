#include "linux/app/SettingDlg.h"

#include "core/Platform.h"
#include "core/Texts.h"
#include "linux/app/MessageBox.h"
#include "linux/app/PortDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

SettingDlg::SettingDlg(const SettingChoices &shown, QWidget *parent)
    : QDialog(parent), m_interval(new QComboBox(this)), m_ports(new QComboBox(this)),
      m_autoConnect(new QCheckBox(uiText(texts::kAutoConnectCheck), this)),
      m_alnumOff(new QCheckBox(uiText(texts::kAlnumOffCheck), this)), m_alnumHint(new QLabel(this)),
      m_startAtLogin(new QCheckBox(uiText("ログイン時に開始する"), this)),
      m_ledLines(new QComboBox(this)),
      m_ledInverted(new QCheckBox(uiText(texts::kLedInvertedCheck), this)),
      m_caretLamp(new QCheckBox(uiText(texts::kCaretLampCheck), this)),
      m_caretLampHint(new QLabel(this))
{
    setWindowTitle(uiText(texts::kSettingDialogCaption));
    for (int i = 1; i <= 10; ++i)
        m_interval->addItem(QString::fromStdWString(
            texts::Fill(sys::LocalText(texts::kIntervalItem).c_str(), std::to_wstring(i * 100))));
    m_interval->setCurrentIndex(shown.nIntervalIndex < m_interval->count() ? shown.nIntervalIndex
                                                                           : -1);
    fillPorts(m_ports, m_paths, shown.strPort);
    m_autoConnect->setChecked(shown.bAutoConnect == 1);
    m_alnumOff->setChecked(shown.bAlnumOff == 1);
    m_alnumHint->setWordWrap(true);
    m_alnumHint->hide();
    m_startAtLogin->setChecked(shown.bStartAtLogin == 1);
    for (const wchar_t *item : texts::kLedLinesItems)
        m_ledLines->addItem(uiText(item));
    m_ledLines->setCurrentIndex(shown.nLedLines);
    m_ledInverted->setChecked(shown.bLedInverted == 1);
    m_caretLamp->setChecked(shown.bCaretLamp == 1);
    m_caretLampHint->setWordWrap(true);
    m_caretLampHint->hide();

    auto *form = new QFormLayout;
    form->addRow(uiText(texts::kIntervalLabel), m_interval);
    form->addRow(uiText(texts::kPortLabel), m_ports);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_autoConnect);
    layout->addWidget(m_alnumOff);
    layout->addWidget(m_alnumHint);
    layout->addWidget(m_startAtLogin);
    auto *wiring = new QFormLayout;
    wiring->addRow(uiText(texts::kLedLinesLabel), m_ledLines);
    layout->addLayout(wiring);
    layout->addWidget(m_ledInverted);
    layout->addWidget(m_caretLamp);
    layout->addWidget(m_caretLampHint);
    layout->addWidget(horizontalRule(this));
    layout->addWidget(okCancelButtons(this));
}

void SettingDlg::showModeUnknown()
{
    m_alnumOff->setEnabled(false);
    m_alnumHint->setText(
        uiText("fcitx5のトレイアイコンがないため、英数入力かどうかを判別できません"));
    m_alnumHint->show();
}

void SettingDlg::showCaretLampUnavailable()
{
    m_caretLamp->setEnabled(false);
    m_caretLampHint->setText(
        uiText("Waylandではウィンドウの位置を決められないため、入力位置にランプを表示できません"));
    m_caretLampHint->show();
}

SettingChoices SettingDlg::choices() const
{
    SettingChoices chosen;
    chosen.nIntervalIndex = m_interval->currentIndex();
    chosen.strPort = pathAt(m_paths, m_ports->currentIndex());
    chosen.bAutoConnect = m_autoConnect->isChecked() ? 1 : 0;
    chosen.bAlnumOff = m_alnumOff->isChecked() ? 1 : 0;
    chosen.bStartAtLogin = m_startAtLogin->isChecked() ? 1 : 0;
    chosen.nLedLines = m_ledLines->currentIndex();
    chosen.bLedInverted = m_ledInverted->isChecked() ? 1 : 0;
    chosen.bCaretLamp = m_caretLamp->isChecked() ? 1 : 0;
    return chosen;
}
