#pragma once
// Inside the speech library only (and its tests): plays synthesized speech through the default audio
// device. Without a device (tests, servers) the speech still takes its time: the end is reported once
// the samples' duration has passed.
// Reached by a path past the include directories, it still refuses what lies above the platform.
#ifndef ZB_PLATFORM_PRIVATE
#error "the Qt side of the speech library is for the platform and its tests only"
#endif

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

#include "SamplePlayer.h"
#include "SpeechEngine.h"

namespace Agent::Detail {

class SpeechOutput {
public:
    explicit SpeechOutput(std::function<void()> finished);
    ~SpeechOutput();
    void Start(const Pcm& pcm);
    // Stops without reporting the end.
    void Stop();
    bool Playing() const { return playing_; }
    // Whether a device took the samples (else a timer stands in for it).
    bool UsesDevice() const { return player_.Playing(); }

    // Tests keep the device out, so nothing sounds and the timing is the samples' duration.
    static void SetDeviceAllowed(bool allowed);

private:
    void Finish();
    std::function<void()> finished_;
    QObject context_;
    QTimer timer_;
    Vcl::Detail::SamplePlayer player_;
    bool playing_ = false;
};

} // namespace Agent::Detail
