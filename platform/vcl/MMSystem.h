#pragma once
// Sounds: wave files and the desktop's bell.
#include <string>

#include "WinApi.h"

constexpr DWORD SND_SYNC = 0x0000, SND_ASYNC = 0x0001, SND_NODEFAULT = 0x0002, SND_MEMORY = 0x0004,
                SND_LOOP = 0x0008, SND_NOSTOP = 0x0010, SND_PURGE = 0x0040, SND_ALIAS = 0x00010000,
                SND_FILENAME = 0x00020000, SND_RESOURCE = 0x00040004;

// Plays the wave file pszSound (SND_FILENAME), waiting for its end unless SND_ASYNC; SND_LOOP repeats
// it until the next call. A null name stops what plays. A missing or unreadable file, one that is no
// playable RIFF wave, or a machine without a sound output answers FALSE (with the bell unless
// SND_NODEFAULT). Only a regular file of at most SysUtils::MaxSoundFileBytes is read (anything else
// is told once, SysUtils::TellRefusedFile). With SND_ASYNC the file is read on a thread of its own
// and played from the main thread's queue once read; what only the reading shows (a damaged wave, no
// output) rings the bell then, and a later call plays instead of it.
BOOL PlaySound(const char* pszSound, HMODULE hmod, DWORD fdwSound);

namespace MMSystem {
// How often MessageBeep (or a failed PlaySound) rang the bell in this process.
unsigned BeepCount();

// The samples of a wave file, as a sound output takes them.
struct WaveData {
    enum class SampleType { UInt8, Int16, Int32, Float };
    SampleType Type = SampleType::Int16;
    int Channels = 0;
    int SampleRate = 0;
    // Interleaved frames; 24-bit samples are widened to 32 bits.
    std::string Samples;
    int BytesPerFrame() const;
    // Playing time in milliseconds.
    long long DurationMs() const;
};
// Reads an uncompressed PCM or float RIFF wave (also the extensible header). False for anything else,
// for a file cut short and for a format no output could play.
bool ParseWave(const std::string& bytes, WaveData& wave);
// True when the bytes are a wave ParseWave can read.
bool IsWaveData(const std::string& bytes);
// Whether this machine has a sound output at all.
bool AudioOutputAvailable();
} // namespace MMSystem
