#pragma once
// The functions of the sound library Korvalo.dll that the program calls.
// The real library is loaded at run time (dll_loader.h); tests and the
// scenario driver use a recording stand-in.
#include <QByteArray>

#include <cstdint>
#include <string>

namespace korvalo {

class DsLibrary {
public:
    virtual ~DsLibrary() = default;
    // Opens the sound device ahead, on the calling thread, so that the next
    // dsInitialize answers at once with that opening's result (a library that
    // cannot does nothing here and opens in dsInitialize).
    virtual void openAhead() {}
    // Library handle, 0 when there is no sound device.
    virtual int32_t dsInitialize(int32_t window) = 0;
    // Buffer handle made from a whole wave-file image. The image is only valid
    // during the call. sourceName names the file for diagnostics; it is not
    // passed to the library.
    virtual int32_t dsCreateDSB(int32_t library, const void* image, int32_t flags,
                                const std::string& sourceName) = 0;
    // The same from an image held in shared bytes, which a library that
    // makes buffers in the background keeps until it is done (without a
    // copy). By default the buffer is made at once.
    virtual int32_t createBuffer(int32_t library, const QByteArray& image, int32_t flags,
                                 const std::string& sourceName)
    {
        return dsCreateDSB(library, image.constData(), flags, sourceName);
    }
    virtual int32_t dsPlay(int32_t buffer) = 0;
    virtual int32_t dsPlayLooping(int32_t buffer) = 0;
    virtual int32_t dsStop(int32_t buffer) = 0;
    virtual int32_t dsFree(int32_t buffer) = 0;
    virtual int32_t dsTerminate(int32_t library) = 0;
};

}  // namespace korvalo
