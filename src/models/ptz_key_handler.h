#pragma once

namespace ostrel {

// Where presses and releases of the PTZ keys go: the view reports them, the PTZ panel acts on
// them. nParameter is the key's parameter (1324.. for the pad, 13 and 14 for the channel keys).
class PtzKeyHandler {
public:
    virtual ~PtzKeyHandler() = default;
    virtual void OnPtzKey(int nParameter, bool bPressed) = 0;
};

} // namespace ostrel
