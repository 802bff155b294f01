#pragma once

#include <QDialog>

#include <cstdint>
#include <string>
#include <string_view>

class QDialogButtonBox;
class QTabWidget;

namespace ostrel {

class CConfigConnections;
class FileStore;
class FolderChooser;
class Notifier;
struct ViewSettings;

// What the settings dialog works on.
struct ConfigServices {
    ViewSettings& rSettings;
    std::string strWorkDir; // ini/cnn.ini and the PTZ command files are below it
    Notifier& rNotifier;
    FileStore& rFiles;      // the address book
    FolderChooser& rFolders;
};

// The page's options as the settings keep them; the lists' choices are their indices.
struct ConfigOptions {
    uint8_t byRotateInterval = 0; // "Rotate Interval"
    uint8_t byRequestSpeed = 0;   // "Request Speed" (the page's "Scan Rate")
    uint8_t byReconnectCount = 0; // "Reconnect Count"
    bool bUseFullScreen = false;
    bool bUseAlertMode = false;   // the page's "Receive Event"
    uint8_t byRecordInterval = 0; // "Record Interval"
    std::string strRecordPath;
    bool bDateShow = false;       // stored as 1 or 0
    uint8_t byAviCodec = 0;       // "Avi Codec"
};

// "Configurations": the one dialog where the operator edits the client's own settings. It
// carries one tab, "Connections" (CConfigConnections), which fills itself from the settings
// when the dialog is built and writes back through the accessors and mutators below only when
// OK succeeds. Cancel leaves the settings as they were, unless an OK before it already applied
// them and stopped at the address check.
class CConfigDialog : public QDialog {
    Q_OBJECT
public:
    // The page's address when the stored one is "0.0.0.0" (unlike the settings' default address).
    static constexpr const char* kZeroAddressSubstitute = "192.168.0.100";
    static constexpr const char* kUntitled = "UNTITLE";
    static constexpr const char* kAddressMessage = "Please Input correct IP/PORT or Press [IP Load] button.";
    static constexpr const char* kTitle = "Configurations";
    static constexpr size_t kMaxLabelBytes = 64;
    static constexpr size_t kMaxFieldChars = 127; // of a control read as text

    explicit CConfigDialog(ConfigServices services, QWidget* pParent = nullptr);
    ~CConfigDialog() override;

    // The settings as the page reads them.
    std::string GetHostAddress() const; // kZeroAddressSubstitute for "0.0.0.0"
    std::string GetIpLabel() const;     // kUntitled for an empty label
    std::string GetUserId() const;
    std::string GetPassword() const;
    int GetHostPort() const;
    uint8_t GetPtzType() const;
    ConfigOptions GetOptions() const;

    // The page's values into the settings; texts are cut to their fields (the label to 64 bytes).
    void SetConnection(std::string_view strAddress, int nPort, std::string_view strUserId,
                       std::string_view strPassword, uint8_t byPtzType);
    void SetOptions(const ConfigOptions& options);
    void SetIpLabel(std::string_view strLabel);

    // The PTZ command file of a camera type under the work folder; empty outside 0-5.
    std::string GetPtzFilePath(int nType) const;

    // The OK button (and Enter): apply the page, then check the address. A port the page
    // refuses applies nothing and keeps the dialog open; an empty or "0.0.0.0" address shows
    // kAddressMessage and keeps it open with the values applied; otherwise the entry goes into
    // the address book (an empty name as kUntitled) and the dialog closes with OK.
    void OnOK();
    void accept() override { OnOK(); }

    const ConfigServices& Services() const { return m_services; }
    CConfigConnections& Page() const { return *m_pPage; }
    QTabWidget* Sheet() const { return m_pSheet; }
    QDialogButtonBox* Buttons() const { return m_pButtons; }

private:
    ConfigServices m_services;
    QTabWidget* m_pSheet = nullptr;
    CConfigConnections* m_pPage = nullptr;
    QDialogButtonBox* m_pButtons = nullptr;
};

} // namespace ostrel
