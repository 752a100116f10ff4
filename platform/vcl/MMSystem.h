#pragma once
// Sounds: wave files and the desktop's bell.
#include "WinApi.h"

constexpr DWORD SND_SYNC = 0x0000, SND_ASYNC = 0x0001, SND_NODEFAULT = 0x0002, SND_MEMORY = 0x0004,
                SND_LOOP = 0x0008, SND_NOSTOP = 0x0010, SND_PURGE = 0x0040, SND_ALIAS = 0x00010000,
                SND_FILENAME = 0x00020000, SND_RESOURCE = 0x00040004;

// Plays the wave file pszSound (SND_FILENAME), waiting for its end unless SND_ASYNC; SND_LOOP repeats
// it until the next call. A null name stops what plays. A missing or unreadable file, or one that is no
// RIFF wave, answers FALSE (with the bell unless SND_NODEFAULT).
BOOL PlaySound(const char* pszSound, HMODULE hmod, DWORD fdwSound);

namespace MMSystem {
// How often MessageBeep (or a failed PlaySound) rang the bell in this process.
unsigned BeepCount();
// True when the bytes start like a RIFF wave file with a format chunk.
bool IsWaveData(const std::string& bytes);
} // namespace MMSystem
