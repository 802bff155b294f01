#include "ptz/ptz_panel.h"

#include "platform/file_store.h"
#include "platform/notifier.h"
#include "session/recorder_session.h"

#include <algorithm>

namespace ostrel {

namespace {

struct KeySlot {
    int nKeyId;
    int nSlot;
};

// The pad's key IDs, with 1033 and 1035 among them, and what each sends while held.
constexpr KeySlot kKeySlots[] = {
    {1324, kPtzUp},       {1325, kPtzLeftUp},  {1326, kPtzLeft},     {1327, kPtzLeftDown},
    {1328, kPtzDown},     {1329, kPtzRightDown}, {1330, kPtzRight},  {1331, kPtzRightUp},
    {1332, kPtzZoomIn},   {1033, kPtzZoomOut}, {1334, kPtzFocusIn},  {1035, kPtzFocusOut},
};

} // namespace

CPtzPanel::CPtzPanel(CRecorderSession& rSession, PtzPanelServices services)
    : m_rSession(rSession), m_services(services), m_pTimers(services.rTimers.Create(*this))
{
}

CPtzPanel::~CPtzPanel()
{
    for (const KeySlot& key : kKeySlots)
        m_pTimers->Stop(key.nKeyId);
    m_pTimers->Stop(kStopTimerId);
}

int CPtzPanel::SlotOfKey(int nKeyId)
{
    for (const KeySlot& key : kKeySlots)
        if (key.nKeyId == nKeyId)
            return key.nSlot;
    return -1;
}

int CPtzPanel::Raised(int& rIntervalMs)
{
    rIntervalMs = std::max(rIntervalMs, kMinIntervalMs);
    return rIntervalMs;
}

// ---- the command table ------------------------------------------------------------------------

void CPtzPanel::LoadPtzTable()
{
    if (m_nSlotCounter != 0)
        return;
    const std::string& strDir = m_rSession.WorkDir();
    const std::string strTypeFile = GetPtzFilePath(m_rSession.Settings().byPtzType, strDir);
    m_rSession.SetPtzFile(strTypeFile);
    // Nothing of an earlier type may stay behind: a shorter or missing file leaves empty slots.
    m_table.Clear();
    const CameraTableResult result = LoadCameraTable(m_services.rFiles, strTypeFile, m_table);
    m_nSlotCounter = result.nSlotCounter;
    if (result.load == CameraTableLoad::Loaded || result.load == CameraTableLoad::NoPath)
        return;

    m_rSession.SetPtzFile(strDir + "/PTZ/" + kPtzUserCommandFile);
    m_rSession.Save();
    m_rSession.SetPtzFile(strTypeFile);
    if (result.load == CameraTableLoad::Missing) {
        static constexpr uint8_t kNothing = 0;
        if (!m_services.rFiles.WriteWhole(strTypeFile, &kNothing, 0))
            return; // the folder is missing or read-only: nothing to tell
    }
    // A file that exists but cannot be read is left as it is.
    m_services.rNotifier.ShowMessage(kCannotOpenText, kMessageTitle);
}

bool CPtzPanel::ReloadPtzTableIfTypeChanged()
{
    const int nType = m_rSession.Settings().byPtzType;
    const bool bReload = nType != m_nLoadedType;
    if (bReload) {
        m_nSlotCounter = 0;
        LoadPtzTable();
    }
    m_nLoadedType = nType;
    return bReload;
}

// ---- keys and timers ------------------------------------------------------------------------

void CPtzPanel::OnPtzKey(int nParameter, bool bPressed)
{
    const int nSlot = SlotOfKey(nParameter);
    if (nSlot < 0)
        return; // the PTZ channel keys choose the camera and send nothing
    PtzIntervals& intervals = m_rSession.PtzTiming();
    int& rKeyChannel = m_nKeyChannel[KeyIndex(nParameter)];
    if (bPressed) {
        // A stop timer that has ticked gives way to the new key; one that has not goes on.
        if (m_nStopTicks != 0) {
            m_pTimers->Stop(kStopTimerId);
            m_nStopTicks = 0;
        }
        // The camera is fixed at the press: a selector change while the key is held must not
        // move another camera nor leave this one without its stops.
        rKeyChannel = m_rSession.Layout().PtzChannel();
        SendSlot(rKeyChannel, nSlot);
        m_pTimers->Start(nParameter, Raised(intervals.nPtzCmdInterval));
    } else {
        m_pTimers->Stop(nParameter);
        m_nStopChannel = rKeyChannel;
        SendSlot(m_nStopChannel, kPtzStop);
        m_pTimers->Start(kStopTimerId, Raised(intervals.nPtzStopInterval));
    }
}

void CPtzPanel::OnTimer(int nId)
{
    if (nId == kStopTimerId) {
        if (++m_nStopTicks >= kStopRepeats) {
            m_pTimers->Stop(kStopTimerId);
            m_nStopTicks = 0;
        }
        SendSlot(m_nStopChannel, kPtzStop);
        return;
    }
    const int nSlot = SlotOfKey(nId);
    if (nSlot >= 0)
        SendSlot(m_nKeyChannel[KeyIndex(nId)], nSlot);
}

size_t CPtzPanel::KeyIndex(int nKeyId)
{
    for (size_t i = 0; i < std::size(kKeySlots); ++i)
        if (kKeySlots[i].nKeyId == nKeyId)
            return i;
    return 0;
}

void CPtzPanel::SendSlot(int nChannel, int nSlot)
{
    SendPtzCommand(m_table.At(nChannel, nSlot % kPtzPanelSlots));
}

void CPtzPanel::SendPtzCommand(const PtzCommand& command)
{
    if (command.nLength >= 1)
        m_rSession.Link().SendPtzData(command.bytes.data(),
                                      static_cast<size_t>(std::min(command.nLength, PtzCommand::kMaxBytes)));
}

} // namespace ostrel
