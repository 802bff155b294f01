#pragma once

#include <QWidget>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace ostrel {

class CConfigDialog;

// The "Connections" page: the recorder to reach and how to log in, the PTZ camera type, the
// viewing options and where recordings go. It reads and writes the settings only through its
// dialog's accessors and mutators: FillFromSettings when the dialog starts, ApplyToSettings
// when the operator confirms.
class CConfigConnections : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kPortMessage = "Please enter an integer between 1 and 65535.";
    static constexpr size_t kMaxRecordPathChars = 259;
    static constexpr const char* kLongPathMessage =
        "The folder's path is longer than 259 bytes; choose a folder with a shorter path.";

    explicit CConfigConnections(CConfigDialog* pDialog);

    // Every control from the settings.
    void FillFromSettings();
    // Every control into the settings. A port that is not a number from 1 to 65535, or an
    // address that is neither empty nor a whole address or host name, or a record path longer than
    // the settings' 259 bytes, shows its message, takes the focus and applies nothing: false. A list without a selection (a stored index it does
    // not have) keeps the stored index.
    bool ApplyToSettings();

    // "Browse..": the chosen folder becomes the record path; a cancelled chooser keeps it.
    void OnBrowse();
    // "IP Load": RecordCurrentEntry, then the address book; its choice fills name, address and port.
    void OnIpLoad();
    // Puts the entry being edited into the address book when its name is not empty, its address
    // is a whole dotted address other than "0.0.0.0" and its port is valid. True when recorded.
    bool RecordCurrentEntry();

    // The texts the dialog's OK check reads, at most 127 characters each.
    std::string NameText() const;
    std::string AddressText() const;
    std::string PortText() const;

    QWidget* FirstControl() const;
    QWidget* LastControl() const;

    // The controls, for the tests.
    QLineEdit* NameEdit() const { return m_pName; }
    QPushButton* IpLoadButton() const { return m_pIpLoad; }
    QLineEdit* AddressEdit() const { return m_pAddress; }
    QLineEdit* PortEdit() const { return m_pPort; }
    QLineEdit* UserIdEdit() const { return m_pUserId; }
    QLineEdit* PasswordEdit() const { return m_pPassword; }
    QComboBox* PtzTypeList() const { return m_pPtzType; }
    QComboBox* RotateIntervalList() const { return m_pRotateInterval; }
    QComboBox* ScanRateList() const { return m_pScanRate; }
    QComboBox* ReconnectCountList() const { return m_pReconnectCount; }
    QCheckBox* FullScreenCheck() const { return m_pFullScreen; }
    QCheckBox* ReceiveEventCheck() const { return m_pReceiveEvent; }
    QLineEdit* RecordPathEdit() const { return m_pRecordPath; }
    QPushButton* BrowseButton() const { return m_pBrowse; }
    QComboBox* RecordIntervalList() const { return m_pRecordInterval; }
    QCheckBox* DateShowCheck() const { return m_pDateShow; }
    QComboBox* AviCodecList() const { return m_pAviCodec; }

private:
    QWidget* CreateConnectionGroup();
    QWidget* CreateOptionGroup();
    QWidget* CreateSaveGroup();

    CConfigDialog* m_pDialog;
    QLineEdit* m_pName = nullptr;
    QPushButton* m_pIpLoad = nullptr;
    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pPort = nullptr;
    QLineEdit* m_pUserId = nullptr;
    QLineEdit* m_pPassword = nullptr;
    QComboBox* m_pPtzType = nullptr;
    QComboBox* m_pRotateInterval = nullptr;
    QComboBox* m_pScanRate = nullptr;
    QComboBox* m_pReconnectCount = nullptr;
    QCheckBox* m_pFullScreen = nullptr;
    QCheckBox* m_pReceiveEvent = nullptr;
    QLineEdit* m_pRecordPath = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QComboBox* m_pRecordInterval = nullptr;
    QComboBox* m_pAviCodec = nullptr;
    QCheckBox* m_pDateShow = nullptr;
};

} // namespace ostrel
