#pragma once

#include "link/link_archive.h"
#include "link/link_view.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ostrel::test {

// A main view as the link sees it: settable inputs, and what the link told it, kept for assertions.
class FakeLinkView : public LinkView {
public:
    uint16_t SingleChannel() const override { return wSingleCh; }
    uint32_t LiveChannelMask() const override { return dwLiveChMask; }
    std::string HostAddress() const override { return strHost; }
    uint16_t HostPort() const override { return wPort; }
    std::string UserId() const override { return strUserId; }
    std::string Password() const override { return strPassword; }
    uint8_t ReconnectCount() const override { return byReconnectCount; }
    bool AlertModeOn() const override { return bAlertMode; }

    void SetConnectState(ConnectState state) override { byConnectState = static_cast<uint8_t>(state); }
    void SetChannelCount(uint8_t byCount) override { byChannelCount = byCount; }
    void OnLinkStatus(const LinkStatus& status) override
    {
        statuses.push_back(static_cast<uint8_t>(status.code));
        statusEvents.push_back(status);
    }
    void DrawPositions(uint32_t, uint32_t) override {}
    void ToggleActivityLamp() override { ++nLampToggles; }
    void OnLinkLost(LinkLoss reason) override
    {
        losses.push_back(reason);
        if (onLinkLost)
            onLinkLost(reason);
    }
    void OnPicture(uint8_t byChannel, const Picture& picture) override
    {
        drawn.push_back(byChannel);
        if (byChannel < kChannelCount)
            pictures[byChannel] = picture;
        if (onPicture)
            onPicture(byChannel, picture);
    }

    uint16_t wSingleCh = 256;
    uint32_t dwLiveChMask = 0xFFFF;
    std::string strHost = "127.0.0.1";
    uint16_t wPort = 8000;
    std::string strUserId = "admin";
    std::string strPassword = "1";
    uint8_t byReconnectCount = 3;
    bool bAlertMode = false;

    uint8_t byConnectState = 0;
    uint8_t byChannelCount = 16;
    int nLampToggles = 0;
    std::vector<uint8_t> statuses;
    std::vector<LinkStatus> statusEvents;
    std::vector<LinkLoss> losses;
    std::function<void(LinkLoss)> onLinkLost; // the view's answer, if the test gives one
    std::function<void(uint8_t, const Picture&)> onPicture; // sees each picture as it is drawn
    Picture pictures[kChannelCount]; // the newest picture of each channel
    std::vector<uint8_t> drawn;      // channels of OnPicture, in order
};

// The archive side as the link sees it: its play state, its playback events and the event-log
// refresh, each kept for assertions.
class FakeLinkArchive : public LinkPlayState, public LinkPlayback, public LinkEventLog {
public:
    bool IsArchiveActive() const override { return bActive; }
    PlayState State() const override { return PlayState{wPlayState}; }
    bool IsSearching() const override { return bSearching; }

    void OnRecordRange(uint32_t dwP2, uint32_t dwP3, uint32_t dwP4, uint32_t dwP5) override
    {
        ranges.push_back({dwP2, dwP3, dwP4, dwP5});
    }
    void OnPlayImageTimeSeconds(uint32_t dwSeconds) override { playSeconds.push_back(dwSeconds); }
    void OnPlayImageTimePacked(uint32_t dwP0, uint32_t dwP1) override
    {
        playPacked.push_back({dwP0, dwP1});
    }
    void OnPlayPosition(uint32_t dwPosition) override { playPositions.push_back(dwPosition); }
    void OnPlayResult(PlayResult result) override { playResults.push_back(static_cast<uint8_t>(result)); }
    void FlipReceiveIndicator() override {}
    void RefreshAlarmEvents() override { ++nAlarmRefreshes; }
    void OnPlayImage(uint8_t byChannel, const Picture& picture) override
    {
        ++nPlayImages;
        if (picture) {
            drawn.push_back(byChannel);
            if (byChannel < kChannelCount)
                pictures[byChannel] = picture;
        }
    }

    bool bActive = false;
    uint16_t wPlayState = 0;
    bool bSearching = false;
    Picture pictures[kChannelCount];
    std::vector<uint8_t> drawn; // channels of accepted play pictures, in order
    int nPlayImages = 0;        // completed play payloads, accepted or not

    std::vector<std::vector<uint32_t>> ranges;
    std::vector<uint32_t> playSeconds;
    std::vector<std::vector<uint32_t>> playPacked;
    std::vector<uint32_t> playPositions;
    std::vector<uint8_t> playResults;
    int nAlarmRefreshes = 0;
};

} // namespace ostrel::test
