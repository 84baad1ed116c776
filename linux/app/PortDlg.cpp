#include "linux/app/PortDlg.h"

#include "core/Platform.h"
#include "core/Texts.h"
#include "linux/app/MessageBox.h"
#include "linux/system/Ports.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

void fillPorts(QComboBox *combo, std::vector<std::string> &paths, const std::wstring &configured)
{
    const std::string strConfigured = QString::fromStdWString(configured).toStdString();
    for (const SerialPortEntry &entry : listSerialPorts(strConfigured)) {
        const QString name = QString::fromStdString(entry.name);
        combo->addItem(entry.present ? name
                                     : QString::fromStdWString(texts::Fill(
                                           sys::LocalText(texts::kPortNotPresent).c_str(),
                                           name.toStdWString())));
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

PortDlg::PortDlg(const std::wstring &configured, QWidget *parent)
    : QDialog(parent), m_ports(new QComboBox(this))
{
    setWindowTitle(uiText(texts::kPortDialogCaption));
    fillPorts(m_ports, m_paths, configured);
    auto *form = new QFormLayout;
    form->addRow(uiText(texts::kPortLabel), m_ports);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(horizontalRule(this));
    layout->addWidget(okCancelButtons(this));
}

std::wstring PortDlg::chosenPort() const { return pathAt(m_paths, m_ports->currentIndex()); }
