// The wave reader: any file is read or refused without harm, and what it reads an output can play.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "MMSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MMSystem::WaveData wave;
    const bool read = MMSystem::ParseWave(bytes, wave);
    FUZZ_CHECK(read == MMSystem::IsWaveData(bytes));
    if (read) {
        FUZZ_CHECK(wave.Channels >= 1 && wave.Channels <= 8);
        FUZZ_CHECK(wave.SampleRate >= 1000 && wave.SampleRate <= 384000);
        FUZZ_CHECK(wave.Samples.size() % static_cast<std::size_t>(wave.BytesPerFrame()) == 0);
        // Samples come from the file (24-bit ones grow by a third).
        FUZZ_CHECK(wave.Samples.size() <= bytes.size() * 4 / 3 + 4);
        FUZZ_CHECK(wave.DurationMs() >= 0);
    }
    return 0;
}
