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
    std::string GetRecordPath() const;
    int GetHostPort() const;
    uint8_t GetPtzType() const;
    uint8_t GetRotateInterval() const;
    uint8_t GetRequestSpeed() const;
    uint8_t GetReconnectCount() const;
    uint8_t GetRecordInterval() const;
    uint8_t GetAviCodec() const;   // "Avi Codec"
    void SetAviCodec(uint8_t byCodec);
    uint8_t GetDateShow() const;
    bool GetUseFullScreen() const;
    bool GetUseAlertMode() const;

    // The page's values into the settings; texts are cut to their fields (the label to 64 bytes).
    void SetConnection(std::string_view strAddress, int nPort, std::string_view strUserId,
                       std::string_view strPassword, uint8_t byPtzType);
    void SetOptions(uint8_t byRotateInterval, uint8_t byRequestSpeed, uint8_t byReconnectCount, bool bUseFullScreen,
                    bool bUseAlertMode, uint8_t byRecordInterval, std::string_view strRecordPath, uint8_t byDateShow);
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
