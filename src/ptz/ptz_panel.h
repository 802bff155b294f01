#pragma once

#include "models/ptz_key_handler.h"
#include "platform/timer_service.h"
#include "ptz/ptz_command.h"

#include <array>
#include <cstddef>
#include <memory>

namespace ostrel {

class CRecorderSession;
class FileStore;
class Notifier;

// What the PTZ panel is given to work with besides the session.
struct PtzPanelServices {
    TimerFactory& rTimers; // the repeat timers (one per key ID) and the stop timer
    FileStore& rFiles;     // the command files
    Notifier& rNotifier;   // "Can't not open file!!"
};

// The PTZ panel behind the view's twelve momentary PTZ keys. A press sends the key's command of
// the selected camera at once and again every m_nPtzCmdInterval ms while held (a timer named
// after the key ID); a release sends that camera's stop at once and on four more ticks of the
// stop timer 1337, so a lost packet does not leave the camera moving. The camera is the one
// selected when the key went down, whatever the selector does while it is held. The commands come from the
// command file of the setting "Ptz Type". The PTZ channel keys 13 and 14 are the session's; here
// they do nothing, and nothing else sends PTZ commands.
//
// Drive it from the user-interface thread: LoadPtzTable once after the session has loaded its
// settings, then OnPtzKey and the timer ticks; ReloadPtzTableIfTypeChanged after the settings
// dialog closed with OK. The session must outlive the panel.
class CPtzPanel final : public PtzKeyHandler, public TimerTarget {
public:
    static constexpr int kStopTimerId = 1337;
    static constexpr int kStopRepeats = 4;       // ticks of the stop timer after a release
    static constexpr int kMinIntervalMs = 70;    // shorter intervals are raised to this
    static constexpr const char* kCannotOpenText = "Can't not open file!!";
    static constexpr const char* kMessageTitle = "Ostrel";

    CPtzPanel(CRecorderSession& rSession, PtzPanelServices services);
    ~CPtzPanel() override;
    CPtzPanel(const CPtzPanel&) = delete;
    CPtzPanel& operator=(const CPtzPanel&) = delete;

    // Loads the table from the file of "Ptz Type" unless it counts as loaded already. A missing
    // file: the settings are saved with "Ptz File Path" = PTZ/user_command.tl, the file is
    // created empty and the operator told; the keys then send nothing. Does not record the type.
    void LoadPtzTable();
    // After the settings dialog's OK: reloads when "Ptz Type" differs from the type recorded by
    // the last call (none at first, so the first call always reloads), then records it. True
    // when it reloaded.
    bool ReloadPtzTableIfTypeChanged();

    // PtzKeyHandler: a press or release of a key with its parameter.
    void OnPtzKey(int nParameter, bool bPressed) override;
    // TimerTarget: a key's repeat timer or the stop timer.
    void OnTimer(int nId) override;

    // The table slot a PTZ key sends while held; -1 for any other parameter.
    static int SlotOfKey(int nKeyId);

    const PtzCommandTable& Table() const { return m_table; }
    int LoadedType() const { return m_nLoadedType; }
    int StopTicks() const { return m_nStopTicks; }

private:
    void SendPtzCommand(const PtzCommand& command);
    void SendSlot(int nChannel, int nSlot);
    // The pad key's place in the key table; only called with pad keys.
    static size_t KeyIndex(int nKeyId);
    // Raises an interval below the minimum and stores it back; returns it.
    static int Raised(int& rIntervalMs);

    CRecorderSession& m_rSession;
    PtzPanelServices m_services;
    std::unique_ptr<TimerService> m_pTimers;
    PtzCommandTable m_table;
    int m_nSlotCounter = 0;  // slots filled by the last load; 0 = the table is not loaded
    int m_nLoadedType = -1;  // "Ptz Type" as the last settings OK found it
    int m_nStopTicks = 0;    // ticks of the stop timer since it was started
    std::array<int, 12> m_nKeyChannel{}; // the PTZ camera (0-based) of each pad key's last press
    int m_nStopChannel = 0;              // the camera the stop ticks go to
};

} // namespace ostrel
