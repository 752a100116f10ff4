#include "SpeechEngine.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <thread>

#include "SysUtils.h"
#include "VoiceNames.h"

namespace Agent::Detail {

struct SpeechEngine::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread thread;
    // Touched only on the worker thread.
    bool triedInit = false;
    int sampleRate = 0;
    std::vector<Voice> voices;

    Worker() : thread([this] { Run(); }) {}
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }

    void Post(std::function<void()> task) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            tasks.push_back(std::move(task));
        }
        wake.notify_all();
    }

    template <typename T>
    T Call(std::function<T()> f) {
        auto promise = std::make_shared<std::promise<T>>();
        std::future<T> result = promise->get_future();
        Post([promise, f] { promise->set_value(f()); });
        return result.get();
    }

    void Run() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return stopping || !tasks.empty(); });
                if (tasks.empty()) break;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
        if (sampleRate > 0) espeak_Terminate();
    }

    static int Collect(short* wav, int count, espeak_EVENT* events) {
        auto* job = events ? static_cast<SpeechJob*>(events->user_data) : nullptr;
        if (!job) return 0;
        if (wav && count > 0) job->pcm.samples.insert(job->pcm.samples.end(), wav, wav + count);
        return job->cancelled.load() ? 1 : 0;
    }

    bool Init() {
        if (!triedInit) {
            triedInit = true;
            // What espeak_Initialize does, but a missing voice data folder is reported instead of
            // ending the process.
            espeak_ng_InitializePath(nullptr);
            espeak_ng_ERROR_CONTEXT context = nullptr;
            const espeak_ng_STATUS status = espeak_ng_Initialize(&context);
            espeak_ng_ClearErrorContext(&context);
            if (status != ENS_OK || espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr) != ENS_OK)
                return false;
            sampleRate = espeak_ng_GetSampleRate();
            if (sampleRate <= 0) {
                sampleRate = 0;
                return false;
            }
            espeak_SetSynthCallback(&Worker::Collect);
            const espeak_VOICE** list = espeak_ListVoices(nullptr);
            for (int i = 0; list && list[i]; ++i) {
                const espeak_VOICE* v = list[i];
                // languages: a priority byte, then a language code, repeated; the first is the voice's own.
                if (!v->languages || !v->languages[0] || !v->name) continue;
                const std::string id = v->languages + 1;
                if (id.empty()) continue;
                Voice voice{GermanVoiceName(id, v->name), id};
                const bool known = std::any_of(voices.begin(), voices.end(),
                                               [&](const Voice& o) { return o.id == voice.id; });
                if (!known) voices.push_back(voice);
            }
            // The program speaks German: its voice comes first, the others follow in German order.
            std::sort(voices.begin(), voices.end(), [](const Voice& a, const Voice& b) {
                if ((a.id == "de") != (b.id == "de")) return a.id == "de";
                if (const int c = SysUtils::AnsiCompareText(a.name, b.name)) return c < 0;
                return a.id < b.id;
            });
        }
        return sampleRate > 0;
    }

    void Synthesize(SpeechJob& job) {
        job.pcm.samples.clear();
        if (!Init()) {
            job.failed = true;
            return;
        }
        job.pcm.sampleRate = sampleRate;
        if (espeak_SetVoiceByName(job.voice.c_str()) != EE_OK) {
            espeak_VOICE wanted;
            std::memset(&wanted, 0, sizeof wanted);
            wanted.languages = job.voice.c_str();
            if (espeak_SetVoiceByProperties(&wanted) != EE_OK) {
                job.failed = true;
                return;
            }
        }
        espeak_SetParameter(espeakRATE, std::clamp(job.rate, espeakRATE_MINIMUM, espeakRATE_MAXIMUM), 0);
        espeak_SetParameter(espeakVOLUME, std::clamp(job.volume, 0, 200), 0);
        const espeak_ERROR e = espeak_Synth(job.text.c_str(), job.text.size() + 1, 0, POS_CHARACTER, 0,
                                            espeakCHARS_UTF8, nullptr, &job);
        job.failed = e != EE_OK;
    }
};

SpeechEngine::SpeechEngine() : worker_(std::make_unique<Worker>()) {}
SpeechEngine::~SpeechEngine() = default;

SpeechEngine& SpeechEngine::Instance() {
    static SpeechEngine engine;
    return engine;
}

bool SpeechEngine::Available() {
    Worker* w = worker_.get();
    return w->Call<bool>([w] { return w->Init(); });
}

std::vector<Voice> SpeechEngine::Voices() {
    Worker* w = worker_.get();
    return w->Call<std::vector<Voice>>([w] {
        w->Init();
        return w->voices;
    });
}

bool SpeechEngine::HasVoice(const std::string& id) {
    for (const Voice& v : Voices())
        if (v.id == id) return true;
    return false;
}

void SpeechEngine::Start(std::shared_ptr<SpeechJob> job) {
    Worker* w = worker_.get();
    w->Post([w, job] {
        if (!job->cancelled.load()) w->Synthesize(*job);
        job->done.store(true);
    });
}

Pcm SpeechEngine::Synthesize(const std::string& text, const std::string& voice, int rate, int volume) {
    auto job = std::make_shared<SpeechJob>();
    job->text = text;
    job->voice = voice;
    job->rate = rate;
    job->volume = volume;
    Worker* w = worker_.get();
    w->Call<bool>([w, job] {
        w->Synthesize(*job);
        job->done.store(true);
        return true;
    });
    return job->pcm;
}

} // namespace Agent::Detail
