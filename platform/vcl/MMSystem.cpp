// Sounds over Qt Multimedia's audio output. Wave files are read here and handed to the sample player,
// so no loader thread of the media framework outlives the program.
#include "MMSystem.h"

#include <QApplication>
#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>

#include "Classes.h"
#include "SamplePlayer.h"  // the output beneath PlaySound; it takes this unit's WaveData
#include "SysUtils.h"
#include "VclPrivate.h"

namespace {

std::atomic<unsigned> beeps{0};

std::uint32_t U32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}
std::uint16_t U16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

using Vcl::Detail::SamplePlayer;

SamplePlayer*& Player() {
    static SamplePlayer* player = nullptr;
    return player;
}

// The output goes with the application object, before the libraries' own statics do.
SamplePlayer& ThePlayer() {
    SamplePlayer*& p = Player();
    if (!p) {
        p = new SamplePlayer;
        QObject::connect(qApp, &QObject::destroyed, [] {
            delete Player();
            Player() = nullptr;
        });
    }
    return *p;
}

} // namespace

int MMSystem::WaveData::BytesPerFrame() const {
    const int bytes = Type == SampleType::UInt8 ? 1 : Type == SampleType::Int16 ? 2 : 4;
    return bytes * Channels;
}

long long MMSystem::WaveData::DurationMs() const {
    const long long frame = BytesPerFrame();
    if (frame <= 0 || SampleRate <= 0) return 0;
    return static_cast<long long>(Samples.size()) / frame * 1000 / SampleRate;
}

bool MMSystem::ParseWave(const std::string& bytes, WaveData& wave) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    int tag = 0, channels = 0, bits = 0, blockAlign = 0;
    std::uint32_t rate = 0;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const std::uint64_t size = U32(bytes, at + 4);
        const std::size_t body = at + 8;
        const std::uint64_t available = bytes.size() - body;
        if (id == "fmt ") {
            if (size < 16 || size > available) return false;
            tag = U16(bytes, body);
            channels = U16(bytes, body + 2);
            rate = U32(bytes, body + 4);
            blockAlign = U16(bytes, body + 12);
            bits = U16(bytes, body + 14);
            // The extensible header names the real format in the first two bytes of its sub-format.
            if (tag == 0xFFFE && size >= 26) tag = U16(bytes, body + 24);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) return false;
            // A data chunk longer than the file (a recording cut short) plays what is there.
            const std::size_t length = static_cast<std::size_t>(size < available ? size : available);
            if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000) return false;
            const int bytesPerSample = bits / 8;
            if (bits % 8 != 0 || bytesPerSample < 1 || bytesPerSample > 4 || blockAlign != bytesPerSample * channels)
                return false;
            const std::size_t frames = length / static_cast<std::size_t>(blockAlign);
            const char* in = bytes.data() + body;
            wave.Channels = channels;
            wave.SampleRate = static_cast<int>(rate);
            if (tag == 3 && bits == 32) {
                wave.Type = WaveData::SampleType::Float;
                wave.Samples.assign(in, frames * blockAlign);
            } else if (tag != 1) {
                return false;
            } else if (bits == 8) {
                wave.Type = WaveData::SampleType::UInt8;
                wave.Samples.assign(in, frames * blockAlign);
            } else if (bits == 16) {
                wave.Type = WaveData::SampleType::Int16;
                wave.Samples.assign(in, frames * blockAlign);
            } else if (bits == 32) {
                wave.Type = WaveData::SampleType::Int32;
                wave.Samples.assign(in, frames * blockAlign);
            } else {
                // 24 bits: the output takes 32, so each sample moves into the high bytes.
                wave.Type = WaveData::SampleType::Int32;
                const std::size_t count = frames * static_cast<std::size_t>(channels);
                wave.Samples.assign(count * 4, '\0');
                for (std::size_t i = 0; i < count; ++i) std::memcpy(&wave.Samples[i * 4 + 1], in + i * 3, 3);
            }
            return true;
        }
        // Chunks are padded to an even length.
        const std::uint64_t next = body + size + (size & 1);
        if (next > bytes.size()) return false;
        at = static_cast<std::size_t>(next);
    }
    return false;
}

bool MMSystem::IsWaveData(const std::string& bytes) {
    WaveData wave;
    return ParseWave(bytes, wave);
}

bool MMSystem::AudioOutputAvailable() {
    if (!Vcl::Detail::EnsureQtApp()) return false;
    return !QMediaDevices::defaultAudioOutput().isNull();
}

unsigned MMSystem::BeepCount() { return beeps.load(); }

BOOL MessageBeep(UINT) {
    ++beeps;
    if (Vcl::Detail::EnsureQtApp()) QApplication::beep();
    return TRUE;
}

namespace {

// Sounds asked for without waiting are read on threads of their own: a file of many megabytes read
// on the caller's thread would hold the window meanwhile. Only the latest request plays.
class SoundReaders {
public:
    ~SoundReaders() { JoinAll(); }
    unsigned NextRequest() { return ++latest_; }
    bool Latest(unsigned Request) const { return latest_ == Request; }
    void Start(std::function<void()> Read) {
        std::lock_guard<std::mutex> lock(mutex_);
        // Those that are done go; the others are few, each ends once its file is read.
        for (auto it = readers_.begin(); it != readers_.end();) {
            if (!it->done->load()) {
                ++it;
                continue;
            }
            it->thread.join();
            it = readers_.erase(it);
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        readers_.push_back({std::thread([Read = std::move(Read), done] {
                                Read();
                                *done = true;
                            }),
                            done});
    }
    void JoinAll() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& r : readers_) r.thread.join();
        readers_.clear();
    }

private:
    struct Reader {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::atomic<unsigned> latest_{0};
    std::mutex mutex_;
    std::list<Reader> readers_;
};

SoundReaders& Readers() {
    static SoundReaders readers;
    return readers;
}

// The wave in an open file, read whole; false when it is none.
bool ReadWave(SysUtils::TRegularFile& File, MMSystem::WaveData& Wave) {
    try {
        return MMSystem::ParseWave(File.ReadAll(), Wave);
    } catch (const SysUtils::EFileRefused& e) {
        SysUtils::TellRefusedFile(e);
    } catch (const std::exception&) {
    }
    return false;
}

} // namespace

BOOL PlaySound(const char* pszSound, HMODULE, DWORD fdwSound) {
    if (!Vcl::Detail::EnsureQtApp()) return FALSE;
    const unsigned request = Readers().NextRequest();
    const auto fail = [fdwSound] {
        if (!(fdwSound & SND_NODEFAULT)) MessageBeep(0);
        return FALSE;
    };
    if (!pszSound || (fdwSound & SND_PURGE)) {
        if (Player()) Player()->Stop();
        return TRUE;
    }
    // Only files are sounds here: the platform's sound aliases and resources do not exist.
    if ((fdwSound & SND_MEMORY) || (fdwSound & SND_RESOURCE) == SND_RESOURCE ||
        ((fdwSound & SND_ALIAS) && !(fdwSound & SND_FILENAME)))
        return fail();
    // Only a regular file of sound size, opened without waiting; what no wave file begins with is
    // refused before it is read.
    std::shared_ptr<SysUtils::TRegularFile> file;
    try {
        file = SysUtils::TRegularFile::Open(pszSound, SysUtils::MaxSoundFileBytes);
    } catch (const SysUtils::EFileRefused& e) {
        SysUtils::TellRefusedFile(e);
        return fail();
    }
    if (!file) return fail();
    const std::string head = file->Peek(12);
    if (head.size() < 12 || head.compare(0, 4, "RIFF") != 0 || head.compare(8, 4, "WAVE") != 0) return fail();
    if ((fdwSound & SND_NOSTOP) && Player() && Player()->Playing()) return FALSE;
    const bool loop = (fdwSound & SND_LOOP) != 0;
    if (fdwSound & SND_ASYNC) {
        Readers().Start([file, request, loop, fail] {
            auto wave = std::make_shared<MMSystem::WaveData>();
            const bool read = ReadWave(*file, *wave);
            Classes::QueueOnMainThread([wave, read, request, loop, fail] {
                // A later request (another sound, or silence) has the say.
                if (!Readers().Latest(request)) return;
                if (!read || !ThePlayer().Start(*wave, loop)) fail();
            });
        });
        return TRUE;
    }
    MMSystem::WaveData wave;
    if (!ReadWave(*file, wave)) return fail();
    const long long duration = wave.DurationMs();
    if (!ThePlayer().Start(wave, loop)) return fail();
    if (!loop) {
        // Waits for the end, running messages meanwhile; an output that stalls does not hold the
        // caller much longer than the sound would have lasted.
        QElapsedTimer clock;
        clock.start();
        while (ThePlayer().Playing() && clock.elapsed() < duration + 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ThePlayer().Stop();
    }
    return TRUE;
}
