#pragma once

#include "link/channel_picture.h"

#include <cstdint>

namespace ostrel {

// What the link reads from and tells the archive dialog once the dialog has registered.
// Calls come from inside the link's handlers and must not call back into the link.
class LinkArchive {
public:
    virtual ~LinkArchive() = default;

    virtual bool IsArchiveActive() const = 0;   // m_bArchiveActive
    virtual uint16_t PlayState() const = 0;     // m_wPlayState: low byte 1 = playing
    virtual uint8_t SelectedChannel() const = 0; // m_nSelChannel, 0-based; 255 = none

    // Recorded range: P2..P5 of a login reply or status reply, as the protocol version encodes it.
    virtual void OnRecordRange(uint32_t dwP2, uint32_t dwP3, uint32_t dwP4, uint32_t dwP5) = 0;
    virtual void OnPlayImageTimeSeconds(uint32_t dwSeconds) = 0;          // version 1
    virtual void OnPlayImageTimePacked(uint32_t dwP0, uint32_t dwP1) = 0; // later versions
    virtual void OnPlayPosition(uint32_t dwPosition) = 0;
    virtual void OnPlayResult(uint8_t byCode) = 0;   // a play image without a picture
    virtual void FlipReceiveIndicator() = 0;
    virtual void RefreshAlarmEvents() = 0;           // "AlarmEvent.am" was rewritten

    // The dialog's 16 picture slots, filled by the link before it calls DrawChannel.
    virtual ChannelPicture* ChannelSlots() = 0;
    virtual void DrawChannel(uint8_t byChannel) = 0;
    virtual bool IsSearching() const = 0;            // m_bSearching
    // The first picture of a search arrived: clear m_bSearching, blank the status line.
    virtual void EndSearching() = 0;

    bool IsPlaying() const { return (PlayState() & 0xFF) == 1; }
};

} // namespace ostrel
