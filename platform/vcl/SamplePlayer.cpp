#include "SamplePlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

namespace Vcl::Detail {

SamplePlayer::SamplePlayer(std::function<void()> Finished) : finished_(std::move(Finished)) {}

SamplePlayer::~SamplePlayer() { Stop(); }

bool SamplePlayer::Start(const MMSystem::WaveData& Wave, bool Loop) {
    Stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setChannelCount(Wave.Channels);
    format.setSampleRate(Wave.SampleRate);
    using T = MMSystem::WaveData::SampleType;
    format.setSampleFormat(Wave.Type == T::UInt8   ? QAudioFormat::UInt8
                           : Wave.Type == T::Int16 ? QAudioFormat::Int16
                           : Wave.Type == T::Int32 ? QAudioFormat::Int32
                                                   : QAudioFormat::Float);
    if (!device.isFormatSupported(format)) return false;
    buffer_ = new QBuffer;
    buffer_->setData(Wave.Samples.data(), static_cast<qsizetype>(Wave.Samples.size()));
    buffer_->open(QIODevice::ReadOnly);
    sink_ = new QAudioSink(device, format);
    loop_ = Loop;
    QObject::connect(sink_, &QAudioSink::stateChanged, &context_, [this](QAudio::State state) { StateChanged(state); });
    starting_ = true;
    sink_->start(buffer_);
    starting_ = false;
    if (sink_->error() != QAudio::NoError) {
        Stop();
        return false;
    }
    return true;
}

void SamplePlayer::StateChanged(int state) {
    // A failure while starting is Start's to answer.
    if (!sink_ || starting_) return;
    if (state == QAudio::IdleState) {
        // The end of the samples: start over when looping.
        if (loop_) {
            buffer_->seek(0);
            sink_->start(buffer_);
            return;
        }
    } else if (state != QAudio::StoppedState || sink_->error() == QAudio::NoError) {
        return;
    }
    ++inSignal_;
    Stop();
    --inSignal_;
    // Last: the owner may start the next sound here, or go.
    if (finished_) finished_();
}

void SamplePlayer::Stop() {
    if (sink_) {
        QAudioSink* sink = sink_;
        sink_ = nullptr;
        sink->disconnect(&context_);
        sink->stop();
        if (inSignal_) sink->deleteLater();
        else delete sink;
    }
    if (buffer_) {
        if (inSignal_) buffer_->deleteLater();
        else delete buffer_;
        buffer_ = nullptr;
    }
    loop_ = false;
}

bool SamplePlayer::Playing() const {
    if (!sink_) return false;
    const QAudio::State state = sink_->state();
    return state == QAudio::ActiveState || state == QAudio::SuspendedState || (state == QAudio::IdleState && loop_);
}

} // namespace Vcl::Detail
