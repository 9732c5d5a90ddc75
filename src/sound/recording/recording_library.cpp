#include "sound/recording/recording_library.h"

namespace korvalo {

std::string RecordingDsLibrary::nameOf(int32_t buffer) const
{
    auto it = names_.find(buffer);
    return it == names_.end() ? std::to_string(buffer) : it->second;
}

int32_t RecordingDsLibrary::dsInitialize(int32_t)
{
    if (record_)
        record_("sound dsInitialize");
    return hasDevice_ ? 1 : 0;
}

int32_t RecordingDsLibrary::dsCreateDSB(int32_t library, const void*, int32_t flags,
                                        const std::string& sourceName)
{
    if (record_)
        record_("sound dsCreateDSB " + sourceName + " " + std::to_string(flags));
    if (library == 0)
        return 0;
    const int32_t handle = ++nextHandle_;
    names_[handle] = sourceName;
    return handle;
}

int32_t RecordingDsLibrary::dsPlay(int32_t buffer)
{
    if (record_)
        record_("sound dsPlay " + nameOf(buffer));
    return 0;
}

int32_t RecordingDsLibrary::dsPlayLooping(int32_t buffer)
{
    if (record_)
        record_("sound dsPlayLooping " + nameOf(buffer));
    if (buffer != 0)
        looping.insert(buffer);
    return 0;
}

int32_t RecordingDsLibrary::dsStop(int32_t buffer)
{
    if (record_)
        record_("sound dsStop " + nameOf(buffer));
    looping.erase(buffer);
    return 0;
}

int32_t RecordingDsLibrary::dsFree(int32_t buffer)
{
    if (record_)
        record_("sound dsFree " + nameOf(buffer));
    looping.erase(buffer);
    return 0;
}

int32_t RecordingDsLibrary::dsTerminate(int32_t)
{
    if (record_)
        record_("sound dsTerminate");
    terminated = true;
    return 0;
}

}  // namespace korvalo
