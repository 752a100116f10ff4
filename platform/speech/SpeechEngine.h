// Speech from espeak-ng. The library keeps global state and is not thread-safe, so every call into
// it runs on one worker thread of ours; callers get the synthesized samples back as a job they poll.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Agent::Detail {

struct Voice {
    std::string name;  // the language's German name ("Deutsch"), else espeak-ng's
    std::string id;    // its language code ("de"), which selects it
};

struct Pcm {
    std::vector<std::int16_t> samples;  // mono
    int sampleRate = 22050;
    int DurationMs() const {
        return sampleRate > 0 ? static_cast<int>(samples.size() * 1000ull / static_cast<unsigned>(sampleRate)) : 0;
    }
};

// One text being synthesized. Done turns true once samples holds everything (or the job was cancelled).
struct SpeechJob {
    std::string text;
    std::string voice;
    int rate = 175;    // words per minute
    int volume = 100;  // espeak-ng's scale, 100 = normal
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    bool failed = false;  // read only after done
    Pcm pcm;              // read only after done
};

class SpeechEngine {
public:
    static SpeechEngine& Instance();
    ~SpeechEngine();

    // espeak-ng loads and initialises (tried once).
    bool Available();
    // The voices, one per language code: the German one first, then sorted by name.
    std::vector<Voice> Voices();
    bool HasVoice(const std::string& id);
    // Queues the job; its done flag turns true on the worker.
    void Start(std::shared_ptr<SpeechJob> job);
    // Synthesizes at once and waits for it.
    Pcm Synthesize(const std::string& text, const std::string& voice, int rate = 175, int volume = 100);

private:
    SpeechEngine();
    struct Worker;
    std::unique_ptr<Worker> worker_;
};

} // namespace Agent::Detail
