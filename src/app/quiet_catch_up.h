#pragma once
// The sound library as the window's game uses it. While the window catches up
// with a network game under way, the moves it runs at once make no sound:
// otherwise every stone set down and turned so far would click in one burst.
// The music and everything else go on as the game asks.
#include <functional>

#include "sound/ds_library.h"

namespace korvalo {

class QuietWhileCatchingUp : public DsLibrary {
public:
    // library must outlive this.
    QuietWhileCatchingUp(DsLibrary& library, std::function<bool()> catchingUp)
        : library_(library), catchingUp_(std::move(catchingUp))
    {
    }

    void openAhead() override { library_.openAhead(); }
    int32_t dsInitialize(int32_t window) override { return library_.dsInitialize(window); }
    int32_t dsCreateDSB(int32_t library, const void* image, int32_t flags, const std::string& sourceName) override
    {
        return library_.dsCreateDSB(library, image, flags, sourceName);
    }
    int32_t createBuffer(int32_t library, const QByteArray& image, int32_t flags,
                         const std::string& sourceName) override
    {
        return library_.createBuffer(library, image, flags, sourceName);
    }
    int32_t dsPlay(int32_t buffer) override { return catchingUp_() ? 0 : library_.dsPlay(buffer); }
    int32_t dsPlayLooping(int32_t buffer) override { return library_.dsPlayLooping(buffer); }
    int32_t dsStop(int32_t buffer) override { return library_.dsStop(buffer); }
    int32_t dsFree(int32_t buffer) override { return library_.dsFree(buffer); }
    int32_t dsTerminate(int32_t library) override { return library_.dsTerminate(library); }

private:
    DsLibrary& library_;
    std::function<bool()> catchingUp_;
};

}  // namespace korvalo
