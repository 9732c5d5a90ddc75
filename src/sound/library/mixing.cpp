#include "sound/library/mixing.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace korvalo::sound {

namespace {

// Below the knee the output is the exact sum; above it the limiter's curve
// bends towards the ceiling and never reaches it. A single sound at full
// scale comes out at 0.91 (-0.8 dB).
constexpr float knee = 0.65f;
constexpr float ceiling = 0.98f;

int16_t scaled(int16_t sample, float gain) { return static_cast<int16_t>(std::lrintf(sample * gain)); }

// Raised-cosine ramp: the gain after `at` of `length` frames of a fade in. A
// fade out is its mirror, and the two sum to one, so a sound restarted over
// itself never gets louder than it is.
float rising(int at, int length)
{
    return 0.5f - 0.5f * std::cos(std::numbers::pi_v<float> * static_cast<float>(at) / static_cast<float>(length));
}

}  // namespace

void Voice::start(bool fadeIn)
{
    stopping_.store(false);
    silent_.store(false);
    falling_ = false;
    rising_ = fadeIn;
    rampAt_ = 0;
    gain_ = fadeIn ? 0.0f : 1.0f;
}

bool Voice::attach(int channel, int channels, int rate)
{
    channels_ = channels > 0 ? channels : 1;
    rampFrames_ = rate * rampMilliseconds / 1000;
    if (rampFrames_ < 1)
        rampFrames_ = 1;
    return Mix_RegisterEffect(channel, &Voice::effect, nullptr, this) != 0;
}

void Voice::effect(int /*channel*/, void* stream, int length, void* voice)
{
    auto* self = static_cast<Voice*>(voice);
    self->apply(static_cast<int16_t*>(stream), length / static_cast<int>(sizeof(int16_t)) / self->channels_);
}

void Voice::apply(int16_t* samples, int frames)
{
    if (silent_.load()) {
        std::memset(samples, 0, static_cast<std::size_t>(frames * channels_) * sizeof(int16_t));
        return;
    }
    if (stopping_.load() && !falling_) {
        falling_ = true;
        rising_ = false;
        fallFrom_ = gain_;
        rampAt_ = 0;
    }
    if (!falling_ && !rising_)
        return;  // full gain: the samples pass unchanged
    for (int frame = 0; frame < frames; ++frame) {
        if (falling_) {
            rampAt_ = rampAt_ < rampFrames_ ? rampAt_ + 1 : rampFrames_;
            gain_ = fallFrom_ * (1.0f - rising(rampAt_, rampFrames_));
            if (rampAt_ == rampFrames_)
                gain_ = 0.0f;
        } else if (rising_) {
            ++rampAt_;
            gain_ = rising(rampAt_, rampFrames_);
            if (rampAt_ >= rampFrames_) {
                rising_ = false;
                gain_ = 1.0f;
            }
        }
        for (int c = 0; c < channels_; ++c) {
            int16_t& s = samples[frame * channels_ + c];
            s = scaled(s, gain_);
        }
    }
    if (falling_ && rampAt_ == rampFrames_)
        silent_.store(true);
}

void Feed::start(const int16_t* samples, int64_t frames, bool repeat)
{
    samples_ = samples;
    frames_ = frames;
    at_ = 0;
    repeat_ = repeat;
    ended_.store(false);
}

bool Feed::attach(int channel, int channels)
{
    channels_ = channels > 0 ? channels : 1;
    return Mix_RegisterEffect(channel, &Feed::effect, nullptr, this) != 0;
}

void Feed::effect(int /*channel*/, void* stream, int length, void* feed)
{
    auto* self = static_cast<Feed*>(feed);
    self->write(static_cast<int16_t*>(stream), length / static_cast<int>(sizeof(int16_t)) / self->channels_);
}

void Feed::write(int16_t* out, int frames)
{
    for (int frame = 0; frame < frames; ++frame) {
        int16_t sample = 0;
        if (at_ < frames_) {
            sample = samples_[at_];
            if (++at_ == frames_ && repeat_)
                at_ = 0;
        }
        for (int c = 0; c < channels_; ++c)
            out[frame * channels_ + c] = sample;
    }
    if (at_ >= frames_ && !repeat_)
        ended_.store(true);
}

float limited(float x)
{
    const float size = std::fabs(x);
    if (size <= knee)
        return x;
    const float bent = knee + (ceiling - knee) * std::tanh((size - knee) / (ceiling - knee));
    return std::copysign(bent, x);
}

void limitOutput(void* mixes, Uint8* stream, int length)
{
    auto* samples = reinterpret_cast<int16_t*>(stream);
    const int count = length / static_cast<int>(sizeof(int16_t));
    constexpr int kneeLevel = static_cast<int>(knee * 32768);
    for (int i = 0; i < count; ++i) {
        const int level = samples[i] * makeupGain;
        if (level >= -kneeLevel && level <= kneeLevel)
            samples[i] = static_cast<int16_t>(level);
        else
            samples[i] = static_cast<int16_t>(std::lrintf(limited(static_cast<float>(level) / 32768.0f) * 32768.0f));
    }
    if (mixes)
        static_cast<std::atomic<uint32_t>*>(mixes)->fetch_add(1);
}

}  // namespace korvalo::sound
