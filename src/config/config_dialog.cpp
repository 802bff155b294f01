#include "config/config_dialog.h"

#include "config/config_connections.h"
#include "config/config_fields.h"
#include "config/ip_history_book.h"
#include "platform/notifier.h"
#include "session/view_settings.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace ostrel {

CConfigDialog::CConfigDialog(ConfigServices services, QWidget* pParent)
    : QDialog(pParent), m_services(std::move(services))
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setObjectName(QStringLiteral("configDialog"));

    m_pSheet = new QTabWidget(this);
    m_pPage = new CConfigConnections(this);
    m_pSheet->addTab(m_pPage, QStringLiteral("Connections"));

    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &CConfigDialog::OnOK);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pSheet);
    pLayout->addWidget(m_pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);

    // The page first, then OK and Cancel, then the tab.
    setTabOrder(m_pPage->LastControl(), m_pButtons->button(QDialogButtonBox::Ok));
    setTabOrder(m_pButtons->button(QDialogButtonBox::Ok), m_pButtons->button(QDialogButtonBox::Cancel));

    m_pPage->FillFromSettings();
    m_pPage->FirstControl()->setFocus();
}

CConfigDialog::~CConfigDialog() = default;

std::string CConfigDialog::GetHostAddress() const
{
    const std::string_view strAddress = GetText(m_services.rSettings.szHostAddress);
    return strAddress == "0.0.0.0" ? kZeroAddressSubstitute : std::string(strAddress);
}

std::string CConfigDialog::GetIpLabel() const
{
    const std::string_view strLabel = GetText(m_services.rSettings.szIpLabel);
    return strLabel.empty() ? kUntitled : std::string(strLabel);
}

std::string CConfigDialog::GetUserId() const
{
    return std::string(GetText(m_services.rSettings.szUserId));
}

std::string CConfigDialog::GetPassword() const
{
    return std::string(GetText(m_services.rSettings.szPassword));
}

int CConfigDialog::GetHostPort() const
{
    return m_services.rSettings.nHostPort;
}

uint8_t CConfigDialog::GetPtzType() const
{
    return m_services.rSettings.byPtzType;
}

ConfigOptions CConfigDialog::GetOptions() const
{
    const ViewSettings& s = m_services.rSettings;
    return {.byRotateInterval = s.byRotateInterval,
            .byRequestSpeed = s.byRequestSpeed,
            .byReconnectCount = s.byReconnectCount,
            .bUseFullScreen = s.bUseFullScreen != 0,
            .bUseAlertMode = s.bUseAlertMode != 0,
            .byRecordInterval = s.byRecordInterval,
            .strRecordPath = std::string(GetText(s.szRecordPath)),
            .bDateShow = s.byDateShow != 0,
            .byAviCodec = s.byAviCodec};
}

void CConfigDialog::SetConnection(std::string_view strAddress, int nPort, std::string_view strUserId,
                                  std::string_view strPassword, uint8_t byPtzType)
{
    ViewSettings& s = m_services.rSettings;
    SetText(s.szHostAddress, strAddress);
    s.nHostPort = nPort;
    SetText(s.szUserId, strUserId);
    SetText(s.szPassword, strPassword);
    s.byPtzType = byPtzType;
}

void CConfigDialog::SetOptions(const ConfigOptions& options)
{
    ViewSettings& s = m_services.rSettings;
    s.byRotateInterval = options.byRotateInterval;
    s.byRequestSpeed = options.byRequestSpeed;
    s.byReconnectCount = options.byReconnectCount;
    s.bUseFullScreen = options.bUseFullScreen ? 1 : 0;
    s.bUseAlertMode = options.bUseAlertMode ? 1 : 0;
    s.byRecordInterval = options.byRecordInterval;
    if (options.strRecordPath != GetText(s.szRecordPath))
        s.bRecordPathReplaced = false; // a folder chosen now replaces the one that was unusable
    SetText(s.szRecordPath, options.strRecordPath);
    s.byDateShow = options.bDateShow ? 1 : 0;
    s.byAviCodec = options.byAviCodec;
}

void CConfigDialog::SetIpLabel(std::string_view strLabel)
{
    // The field has room for more, but a label keeps to 64 bytes (never half a character).
    std::array<char, kMaxLabelBytes + 1> cut{};
    SetText(cut, strLabel);
    SetText(m_services.rSettings.szIpLabel, GetText(cut));
}

std::string CConfigDialog::GetPtzFilePath(int nType) const
{
    return PtzFilePath(m_services.strWorkDir, nType);
}

void CConfigDialog::OnOK()
{
    if (!m_pPage->ApplyToSettings())
        return;
    std::string strName = m_pPage->NameText();
    const std::string strAddress = m_pPage->AddressText();
    const std::string strPort = m_pPage->PortText();
    if (strName.empty())
        strName = kUntitled;
    if (strAddress.empty() || strAddress == "0.0.0.0") {
        m_services.rNotifier.ShowMessage(kAddressMessage, kTitle);
        return;
    }
    IpHistoryBook book(m_services.strWorkDir, m_services.rFiles);
    const std::string strRefused = HistoryMessage(book.AddHistoryEntry(strName, strAddress, strPort));
    // The settings are in effect either way; the operator only learns that the book lacks the entry.
    if (!strRefused.empty())
        m_services.rNotifier.ShowMessage(strRefused, kTitle);
    QDialog::accept();
}

} // namespace ostrel
