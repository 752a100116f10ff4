#pragma once
// Inside the platform only: samples played over the default audio output, for the sounds (PlaySound)
// and the speaking character's voice alike.
// Reached by a path past the include directories, it still refuses what lies above the platform.
#ifndef ZB_PLATFORM_PRIVATE
#error "the Qt side of the visual library is for the platform and its tests only"
#endif

#include <QObject>

#include <functional>

#include "MMSystem.h"

class QAudioSink;
class QBuffer;

namespace Vcl::Detail {

// One sound at a time: a new one cuts off the last.
class SamplePlayer {
public:
    // Finished runs once the samples have been played through (never while looping, never after
    // Stop) or the device went away while playing.
    explicit SamplePlayer(std::function<void()> Finished = {});
    ~SamplePlayer();
    SamplePlayer(const SamplePlayer&) = delete;
    SamplePlayer& operator=(const SamplePlayer&) = delete;

    // False when there is no output device, it does not take the format, or it fails to start.
    bool Start(const MMSystem::WaveData& Wave, bool Loop);
    // Stops without Finished.
    void Stop();
    bool Playing() const;

private:
    void StateChanged(int state);
    std::function<void()> finished_;
    QObject context_;
    QAudioSink* sink_ = nullptr;
    QBuffer* buffer_ = nullptr;
    bool loop_ = false;
    bool starting_ = false;
    int inSignal_ = 0;   // inside the sink's own signal: the sink may only go later
};

} // namespace Vcl::Detail
