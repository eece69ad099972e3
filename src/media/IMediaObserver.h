#pragma once

namespace tessaron {

// Told of a medium's state changes: (loaded flag, code) where code is 0 opened/closed,
// 2 playing, 3 stopped, 0x200 armed.
class IMediaObserver {
public:
    virtual ~IMediaObserver() = default;
    virtual void MediaStateChanged(int loaded, int code) = 0;
};

}  // namespace tessaron
