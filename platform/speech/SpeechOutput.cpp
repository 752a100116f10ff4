#include "SpeechOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <atomic>

namespace Agent::Detail {
namespace {
std::atomic<bool> deviceAllowed{true};
}

void SpeechOutput::SetDeviceAllowed(bool allowed) { deviceAllowed = allowed; }

SpeechOutput::SpeechOutput(std::function<void()> finished) : finished_(std::move(finished)) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { Finish(); });
}

SpeechOutput::~SpeechOutput() { Stop(); }

void SpeechOutput::Start(const Pcm& pcm) {
    Stop();
    playing_ = true;
    const int duration = pcm.DurationMs();
    if (deviceAllowed && !pcm.samples.empty()) {
        QAudioFormat format;
        format.setSampleRate(pcm.sampleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (!device.isNull() && device.isFormatSupported(format)) {
            buffer_ = new QBuffer;
            buffer_->setData(reinterpret_cast<const char*>(pcm.samples.data()),
                             static_cast<qsizetype>(pcm.samples.size() * sizeof(std::int16_t)));
            buffer_->open(QIODevice::ReadOnly);
            sink_ = new QAudioSink(device, format);
            QObject::connect(sink_, &QAudioSink::stateChanged, &context_, [this](QAudio::State state) {
                if (!sink_) return;
                // Idle: every sample has been played. Stopped with an error: the device went away.
                if (state == QAudio::IdleState ||
                    (state == QAudio::StoppedState && sink_->error() != QAudio::NoError))
                    Finish();
            });
            sink_->start(buffer_);
            // Should the device stall, the speech still ends a little after its time.
            timer_.start(duration + 1500);
            return;
        }
    }
    timer_.start(duration);
}

void SpeechOutput::Stop() {
    timer_.stop();
    if (sink_) {
        QAudioSink* sink = sink_;
        sink_ = nullptr;
        sink->disconnect(&context_);
        sink->stop();
        // Possibly inside the sink's own signal: it goes once that has returned.
        sink->deleteLater();
    }
    if (buffer_) buffer_->deleteLater();
    buffer_ = nullptr;
    playing_ = false;
}

void SpeechOutput::Finish() {
    if (!playing_) return;
    Stop();
    if (finished_) finished_();
}

} // namespace Agent::Detail
