#include "SpeechOutput.h"

#include <atomic>

namespace Agent::Detail {
namespace {
std::atomic<bool> deviceAllowed{true};
}

void SpeechOutput::SetDeviceAllowed(bool allowed) { deviceAllowed = allowed; }

SpeechOutput::SpeechOutput(std::function<void()> finished)
    : finished_(std::move(finished)), player_([this] { Finish(); }) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { Finish(); });
}

SpeechOutput::~SpeechOutput() { Stop(); }

void SpeechOutput::Start(const Pcm& pcm) {
    Stop();
    playing_ = true;
    const int duration = pcm.DurationMs();
    if (deviceAllowed && !pcm.samples.empty()) {
        MMSystem::WaveData wave;
        wave.Type = MMSystem::WaveData::SampleType::Int16;
        wave.Channels = 1;
        wave.SampleRate = pcm.sampleRate;
        wave.Samples.assign(reinterpret_cast<const char*>(pcm.samples.data()), pcm.samples.size() * sizeof(std::int16_t));
        if (player_.Start(wave, false)) {
            // Should the device stall, the speech still ends a little after its time.
            timer_.start(duration + 1500);
            return;
        }
    }
    timer_.start(duration);
}

void SpeechOutput::Stop() {
    timer_.stop();
    player_.Stop();
    playing_ = false;
}

void SpeechOutput::Finish() {
    if (!playing_) return;
    Stop();
    if (finished_) finished_();
}

} // namespace Agent::Detail
