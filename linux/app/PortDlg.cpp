#include "linux/app/Dialogs.h"

#include "linux/system/Ports.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// OK and ｷｬﾝｾﾙ, labelled as on Windows whatever Qt's own translations are; OK takes the focus,
// as the dialogs open there with the focus on OK.
QDialogButtonBox *okCancelButtons(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    ok->setFocus();
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// The horizontal rule above the buttons.
QFrame *rule(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// Fills combo with the ports that exist (and configured, when it is a device given by hand) and
// selects configured; paths receives the path of each item.
void fillPorts(QComboBox *combo, std::vector<std::string> &paths, const std::wstring &configured)
{
    const std::string strConfigured = QString::fromStdWString(configured).toStdString();
    for (const SerialPortEntry &entry : listSerialPorts(strConfigured)) {
        combo->addItem(QString::fromStdString(entry.name));
        paths.push_back(entry.path);
        if (entry.path == strConfigured)
            combo->setCurrentIndex(combo->count() - 1);
    }
    if (strConfigured.empty() || combo->currentIndex() < 0 ||
        paths[static_cast<size_t>(combo->currentIndex())] != strConfigured)
        combo->setCurrentIndex(-1);
}

std::wstring pathAt(const std::vector<std::string> &paths, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= paths.size())
        return {};
    return QString::fromStdString(paths[static_cast<size_t>(index)]).toStdWString();
}

}  // namespace

PortDialog::PortDialog(const std::wstring &configured, QWidget *parent)
    : QDialog(parent), m_ports(new QComboBox(this))
{
    setWindowTitle(QStringLiteral("ポート接続"));
    fillPorts(m_ports, m_paths, configured);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("LED接続ポート番号"), m_ports);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(rule(this));
    layout->addWidget(okCancelButtons(this));
}

std::wstring PortDialog::chosenPort() const { return pathAt(m_paths, m_ports->currentIndex()); }

SettingDialog::SettingDialog(const SettingChoices &shown, QWidget *parent)
    : QDialog(parent), m_interval(new QComboBox(this)), m_ports(new QComboBox(this)),
      m_autoConnect(new QCheckBox(QStringLiteral("起動と同時にポートを開く"), this)),
      m_alnumOff(new QCheckBox(QStringLiteral("英数入力中は消灯する"), this)),
      m_startAtLogin(new QCheckBox(QStringLiteral("ログイン時に開始する"), this))
{
    setWindowTitle(QStringLiteral("動作設定"));
    for (int i = 1; i <= 10; ++i)
        m_interval->addItem(QStringLiteral("%1msec").arg(i * 100));
    m_interval->setCurrentIndex(shown.nIntervalIndex < m_interval->count() ? shown.nIntervalIndex
                                                                           : -1);
    fillPorts(m_ports, m_paths, shown.strPort);
    m_autoConnect->setChecked(shown.bAutoConnect == 1);
    m_alnumOff->setChecked(shown.bAlnumOff == 1);
    m_startAtLogin->setChecked(shown.bStartAtLogin == 1);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("IME状態の監視間隔"), m_interval);
    form->addRow(QStringLiteral("LED接続ポート番号"), m_ports);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_autoConnect);
    layout->addWidget(m_alnumOff);
    layout->addWidget(m_startAtLogin);
    layout->addWidget(rule(this));
    layout->addWidget(okCancelButtons(this));
}

SettingChoices SettingDialog::choices() const
{
    SettingChoices chosen;
    chosen.nIntervalIndex = m_interval->currentIndex();
    chosen.strPort = pathAt(m_paths, m_ports->currentIndex());
    chosen.bAutoConnect = m_autoConnect->isChecked() ? 1 : 0;
    chosen.bAlnumOff = m_alnumOff->isChecked() ? 1 : 0;
    chosen.bStartAtLogin = m_startAtLogin->isChecked() ? 1 : 0;
    return chosen;
}

AboutDialog::AboutDialog(const QString &text, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ﾀﾞｲｱﾛｸﾞ"));
    auto *shown =
        new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    shown->setAlignment(Qt::AlignCenter);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *help =
        buttons->addButton(QStringLiteral("作者Webページ"), QDialogButtonBox::ActionRole);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    ok->setFocus();
    connect(help, &QPushButton::clicked, this, &AboutDialog::helpPageRequested);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(shown);
    layout->addWidget(buttons);
}

Answer showMessageBox(const QString &text, MessageKind kind)
{
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationName());
    box.setText(text);
    if (kind == MessageKind::Warning) {
        box.setIcon(QMessageBox::Warning);
        box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
        box.exec();
        return Answer::Ok;
    }
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == no ? Answer::No : Answer::Yes;
}
