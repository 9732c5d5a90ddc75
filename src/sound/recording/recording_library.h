#pragma once
// A stand-in for the sound library that records each call as a line
// "sound FUNCTION [FILE|0] [FLAG]", naming buffers by the wave file they were
// made from. Without a record function it keeps its state and makes no lines.
#include <functional>
#include <map>
#include <set>
#include <string>

#include "sound/ds_library.h"

namespace korvalo {

class RecordingDsLibrary : public DsLibrary {
public:
    // hasDevice false: dsInitialize answers 0, as without an audio device.
    RecordingDsLibrary(std::function<void(const std::string&)> record, bool hasDevice = true)
        : record_(std::move(record)), hasDevice_(hasDevice) {}

    int32_t dsInitialize(int32_t window) override;
    int32_t dsCreateDSB(int32_t library, const void* image, int32_t flags,
                        const std::string& sourceName) override;
    int32_t dsPlay(int32_t buffer) override;
    int32_t dsPlayLooping(int32_t buffer) override;
    int32_t dsStop(int32_t buffer) override;
    int32_t dsFree(int32_t buffer) override;
    int32_t dsTerminate(int32_t library) override;

    // The wave file a buffer was made from, "0" for handle 0.
    std::string nameOf(int32_t buffer) const;
    std::set<int32_t> looping;  // buffers looping now
    bool terminated = false;

private:
    std::function<void(const std::string&)> record_;
    bool hasDevice_;
    int32_t nextHandle_ = 1;
    std::map<int32_t, std::string> names_;
};

}  // namespace korvalo
