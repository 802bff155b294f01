#include "config/config_connections.h"

#include "config/config_dialog.h"
#include "config/config_fields.h"
#include "config/folder_chooser.h"
#include "config/ip_history_book.h"
#include "config/ip_history_dlg.h"
#include "platform/notifier.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace ostrel {

namespace {

// Lets through only what is, or can still become, a recorder address or host name.
class AddressValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& strInput, int&) const override
    {
        switch (ClassifyAddressText(strInput.toStdString())) {
        case AddressText::Acceptable:
            return Acceptable;
        case AddressText::Intermediate:
            return Intermediate;
        case AddressText::Invalid:
            break;
        }
        return Invalid;
    }
};

template <size_t N>
QComboBox* MakeList(const std::array<const char*, N>& names, QWidget* pParent)
{
    auto* pList = new QComboBox(pParent);
    for (const char* pName : names)
        pList->addItem(QString::fromLatin1(pName));
    return pList;
}

QLabel* MakeLabel(const char* pText, QWidget* pBuddy, QWidget* pParent)
{
    auto* pLabel = new QLabel(QString::fromLatin1(pText), pParent);
    pLabel->setBuddy(pBuddy);
    return pLabel;
}

// The label to the left of its control, both in one row of the group's grid.
void AddLabelled(QGridLayout* pGrid, const char* pLabel, QWidget* pControl, int nRow, int nColumn = 0)
{
    pGrid->addWidget(MakeLabel(pLabel, pControl, pGrid->parentWidget()), nRow, nColumn);
    pGrid->addWidget(pControl, nRow, nColumn + 1);
}

// A value the page cannot apply: says why and hands the operator the field. Always false.
bool Refuse(Notifier& rNotifier, const char* pMessage, QLineEdit* pField)
{
    rNotifier.ShowMessage(pMessage, CConfigDialog::kTitle);
    pField->setFocus();
    pField->selectAll();
    return false;
}

void Select(QComboBox* pList, int nIndex)
{
    pList->setCurrentIndex(nIndex < pList->count() ? nIndex : -1);
}

// The chosen entry, or the stored index when nothing is chosen.
uint8_t IndexOf(const QComboBox* pList, uint8_t byStored)
{
    return pList->currentIndex() < 0 ? byStored : static_cast<uint8_t>(pList->currentIndex());
}

std::string FieldText(const QLineEdit* pEdit)
{
    return pEdit->text().left(static_cast<int>(CConfigDialog::kMaxFieldChars)).toStdString();
}

} // namespace

CConfigConnections::CConfigConnections(CConfigDialog* pDialog) : QWidget(pDialog), m_pDialog(pDialog)
{
    setObjectName(QStringLiteral("Connections"));
    auto* pTop = new QHBoxLayout;
    pTop->addWidget(CreateConnectionGroup(), 3);
    pTop->addWidget(CreateOptionGroup(), 2);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addWidget(CreateSaveGroup());
    pLayout->addStretch(1);

    const QWidget* const order[] = {m_pName,         m_pIpLoad,    m_pAddress,        m_pPort,      m_pUserId,
                                    m_pPassword,     m_pPtzType,   m_pRotateInterval, m_pScanRate,  m_pReconnectCount,
                                    m_pFullScreen,   m_pReceiveEvent, m_pRecordPath,  m_pBrowse,    m_pRecordInterval,
                                    m_pAviCodec,     m_pDateShow};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));

    connect(m_pIpLoad, &QPushButton::clicked, this, &CConfigConnections::OnIpLoad);
    connect(m_pBrowse, &QPushButton::clicked, this, &CConfigConnections::OnBrowse);
}

QWidget* CConfigConnections::CreateConnectionGroup()
{
    auto* pGroup = new QGroupBox(QStringLiteral("CONNECTION"), this);
    m_pName = new QLineEdit(pGroup);
    m_pName->setMaxLength(static_cast<int>(CConfigDialog::kMaxLabelBytes));
    // "]" and control characters would break the address book's lines.
    m_pName->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\]\\x00-\\x1f]*")), m_pName));
    m_pIpLoad = new QPushButton(QStringLiteral("IP Load"), pGroup);
    m_pAddress = new QLineEdit(pGroup);
    m_pAddress->setMaxLength(static_cast<int>(kMaxHostChars));
    m_pAddress->setValidator(new AddressValidator(m_pAddress));
    m_pAddress->setPlaceholderText(QStringLiteral("0.0.0.0"));
    m_pPort = new QLineEdit(pGroup);
    m_pPort->setMaxLength(static_cast<int>(CConfigDialog::kMaxFieldChars));
    m_pPort->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pPort));
    m_pUserId = new QLineEdit(pGroup);
    m_pUserId->setMaxLength(63);
    m_pPassword = new QLineEdit(pGroup);
    m_pPassword->setMaxLength(31);
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pPtzType = MakeList(kPtzTypeNames, pGroup);

    // Room for a whole address and a five-digit port at any font size.
    const QFontMetrics metrics(font());
    m_pAddress->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("000.000.000.000")) + 16);
    m_pPort->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("000000")) + 16);

    auto* pGrid = new QGridLayout(pGroup);
    AddLabelled(pGrid, "Name :", m_pName, 0);
    pGrid->addWidget(m_pIpLoad, 0, 2, 1, 2);
    AddLabelled(pGrid, "IP Address :", m_pAddress, 1);
    AddLabelled(pGrid, "Port :", m_pPort, 1, 2);
    AddLabelled(pGrid, "User ID :", m_pUserId, 2);
    AddLabelled(pGrid, "Password :", m_pPassword, 2, 2);
    AddLabelled(pGrid, "PT Types", m_pPtzType, 3);
    pGrid->setColumnStretch(1, 3);
    pGrid->setColumnStretch(3, 2);
    pGrid->setRowStretch(4, 1);
    return pGroup;
}

QWidget* CConfigConnections::CreateOptionGroup()
{
    auto* pGroup = new QGroupBox(QStringLiteral("OPTION"), this);
    m_pRotateInterval = MakeList(kRotateIntervalNames, pGroup);
    m_pScanRate = MakeList(kScanRateNames, pGroup);
    m_pReconnectCount = MakeList(kReconnectCountNames, pGroup);
    m_pFullScreen = new QCheckBox(QStringLiteral("Run in Full Screen Mode"), pGroup);
    m_pReceiveEvent = new QCheckBox(QStringLiteral("Receive Event"), pGroup);

    auto* pGrid = new QGridLayout(pGroup);
    AddLabelled(pGrid, "Circula Monitoring Interval", m_pRotateInterval, 0);
    AddLabelled(pGrid, "Scan Rate", m_pScanRate, 1);
    AddLabelled(pGrid, "Reconnecting Count", m_pReconnectCount, 2);
    pGrid->addWidget(m_pFullScreen, 3, 0, 1, 2);
    pGrid->addWidget(m_pReceiveEvent, 4, 0, 1, 2);
    pGrid->setRowStretch(5, 1);
    return pGroup;
}

QWidget* CConfigConnections::CreateSaveGroup()
{
    auto* pGroup = new QGroupBox(QStringLiteral("SAVE OPTION"), this);
    m_pRecordPath = new QLineEdit(pGroup);
    m_pRecordPath->setMaxLength(static_cast<int>(kMaxRecordPathChars));
    m_pBrowse = new QPushButton(QStringLiteral("Browse.."), pGroup);
    m_pRecordInterval = MakeList(kRecordIntervalNames, pGroup);
    m_pAviCodec = MakeList(kAviCodecNames, pGroup);
    m_pDateShow = new QCheckBox(QStringLiteral("Display Date "), pGroup);

    auto* pGrid = new QGridLayout(pGroup);
    pGrid->addWidget(MakeLabel("Set Path to Save Recored Images", m_pRecordPath, pGroup), 0, 0, 1, 3);
    pGrid->addWidget(m_pRecordPath, 1, 0, 1, 2);
    pGrid->addWidget(m_pBrowse, 1, 2);
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(MakeLabel("Set Record Interval", m_pRecordInterval, pGroup));
    pRow->addWidget(m_pRecordInterval);
    pRow->addSpacing(24);
    pRow->addWidget(MakeLabel("Avi Codec", m_pAviCodec, pGroup));
    pRow->addWidget(m_pAviCodec);
    pRow->addSpacing(24);
    pRow->addWidget(m_pDateShow);
    pRow->addStretch(1);
    pGrid->addLayout(pRow, 2, 0, 1, 3);
    pGrid->setColumnStretch(0, 1);
    return pGroup;
}

QWidget* CConfigConnections::FirstControl() const
{
    return m_pName;
}

QWidget* CConfigConnections::LastControl() const
{
    return m_pDateShow;
}

void CConfigConnections::FillFromSettings()
{
    const CConfigDialog& d = *m_pDialog;
    m_pAddress->setText(QString::fromStdString(d.GetHostAddress()));
    m_pUserId->setText(QString::fromStdString(d.GetUserId()));
    m_pPassword->setText(QString::fromStdString(d.GetPassword()));
    m_pPort->setText(QString::number(d.GetHostPort()));
    Select(m_pPtzType, d.GetPtzType());
    const ConfigOptions options = d.GetOptions();
    m_pFullScreen->setChecked(options.bUseFullScreen);
    m_pReceiveEvent->setChecked(options.bUseAlertMode);
    Select(m_pRotateInterval, options.byRotateInterval);
    Select(m_pReconnectCount, options.byReconnectCount);
    Select(m_pScanRate, options.byRequestSpeed);
    Select(m_pRecordInterval, options.byRecordInterval);
    Select(m_pAviCodec, options.byAviCodec);
    m_pRecordPath->setText(QString::fromStdString(options.strRecordPath));
    m_pDateShow->setChecked(options.bDateShow);
    m_pName->setText(QString::fromStdString(d.GetIpLabel()));
}

bool CConfigConnections::ApplyToSettings()
{
    Notifier& rNotifier = m_pDialog->Services().rNotifier;
    const std::optional<int> port = ParsePort(PortText());
    if (!port)
        return Refuse(rNotifier, kPortMessage, m_pPort);
    const std::string strAddress = AddressText();
    if (!strAddress.empty() && !IsRecorderAddress(strAddress))
        return Refuse(rNotifier, CConfigDialog::kAddressMessage, m_pAddress);
    // The field counts characters, the settings bytes: a typed path is refused as Browse.. does.
    const std::string strRecordPath = m_pRecordPath->text().toStdString();
    if (strRecordPath.size() > kMaxRecordPathChars)
        return Refuse(rNotifier, kLongPathMessage, m_pRecordPath);

    CConfigDialog& d = *m_pDialog;
    d.SetConnection(strAddress, *port, m_pUserId->text().toStdString(), m_pPassword->text().toStdString(),
                    IndexOf(m_pPtzType, d.GetPtzType()));
    const ConfigOptions stored = d.GetOptions();
    d.SetOptions({.byRotateInterval = IndexOf(m_pRotateInterval, stored.byRotateInterval),
                  .byRequestSpeed = IndexOf(m_pScanRate, stored.byRequestSpeed),
                  .byReconnectCount = IndexOf(m_pReconnectCount, stored.byReconnectCount),
                  .bUseFullScreen = m_pFullScreen->isChecked(),
                  .bUseAlertMode = m_pReceiveEvent->isChecked(),
                  .byRecordInterval = IndexOf(m_pRecordInterval, stored.byRecordInterval),
                  .strRecordPath = strRecordPath,
                  .bDateShow = m_pDateShow->isChecked(),
                  .byAviCodec = IndexOf(m_pAviCodec, stored.byAviCodec)});
    d.SetIpLabel(m_pName->text().toStdString());
    return true;
}

void CConfigConnections::OnBrowse()
{
    const std::optional<std::string> chosen =
        m_pDialog->Services().rFolders.ChooseFolder(m_pRecordPath->text().toStdString());
    if (!chosen)
        return;
    const QString strPath = QString::fromStdString(*chosen);
    // The settings keep 259 bytes; a longer path would be cut into another folder's name.
    if (chosen->size() > kMaxRecordPathChars) {
        m_pDialog->Services().rNotifier.ShowMessage(kLongPathMessage, CConfigDialog::kTitle);
        return;
    }
    m_pRecordPath->setText(strPath);
}

bool CConfigConnections::RecordCurrentEntry()
{
    const std::string strName = NameText();
    const std::string strAddress = AddressText();
    const std::string strPort = PortText();
    if (strName.empty() || !IsRecorderAddress(strAddress) || strAddress == "0.0.0.0" || !ParsePort(strPort))
        return false;
    IpHistoryBook book(m_pDialog->Services().strWorkDir, m_pDialog->Services().rFiles);
    const std::string strRefused = HistoryMessage(book.AddHistoryEntry(strName, strAddress, strPort));
    if (!strRefused.empty()) {
        m_pDialog->Services().rNotifier.ShowMessage(strRefused, CConfigDialog::kTitle);
        return false;
    }
    return true;
}

void CConfigConnections::OnIpLoad()
{
    RecordCurrentEntry();
    const ConfigServices& services = m_pDialog->Services();
    CIpHistoryDlg dlg(services.strWorkDir, services.rFiles, services.rNotifier, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    m_pName->setText(QString::fromStdString(dlg.SelectedName()));
    m_pAddress->setText(QString::fromStdString(dlg.SelectedIp()));
    m_pPort->setText(QString::fromStdString(dlg.SelectedPort()));
}

std::string CConfigConnections::NameText() const
{
    return FieldText(m_pName);
}

std::string CConfigConnections::AddressText() const
{
    return FieldText(m_pAddress);
}

std::string CConfigConnections::PortText() const
{
    return FieldText(m_pPort);
}

} // namespace ostrel
