// Sounds over Qt Multimedia.
#include "MMSystem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSoundEffect>
#include <QUrl>

#include <atomic>
#include <cstring>
#include <memory>

#include "SysUtils.h"
#include "VclPrivate.h"

namespace {

std::atomic<unsigned> beeps{0};

QSoundEffect*& Current() {
    static QSoundEffect* effect = nullptr;
    return effect;
}

void Stop() {
    if (QSoundEffect*& e = Current()) {
        e->stop();
        e->deleteLater();
        e = nullptr;
    }
}

} // namespace

bool MMSystem::IsWaveData(const std::string& bytes) {
    return bytes.size() >= 20 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WAVE", 4) == 0 && bytes.find("fmt ", 12) != std::string::npos;
}

unsigned MMSystem::BeepCount() { return beeps.load(); }

BOOL MessageBeep(UINT) {
    ++beeps;
    if (Vcl::Detail::EnsureQtApp()) QApplication::beep();
    return TRUE;
}

BOOL PlaySound(const char* pszSound, HMODULE, DWORD fdwSound) {
    if (!Vcl::Detail::EnsureQtApp()) return FALSE;
    if (!pszSound || (fdwSound & SND_PURGE)) {
        Stop();
        return TRUE;
    }
    // Only files are sounds here: the platform's sound aliases and resources do not exist.
    if ((fdwSound & SND_MEMORY) || (fdwSound & SND_RESOURCE) == SND_RESOURCE ||
        ((fdwSound & SND_ALIAS) && !(fdwSound & SND_FILENAME))) {
        if (!(fdwSound & SND_NODEFAULT)) MessageBeep(0);
        return FALSE;
    }
    const std::string path = SysUtils::ResolvePath(pszSound);
    std::string head;
    if (SysUtils::FileExists(path)) {
        try {
            head = SysUtils::ReadFileBytes(path).substr(0, 64);
        } catch (const std::exception&) {
            head.clear();
        }
    }
    if (!MMSystem::IsWaveData(head)) {
        if (!(fdwSound & SND_NODEFAULT)) MessageBeep(0);
        return FALSE;
    }
    if ((fdwSound & SND_NOSTOP) && Current() && Current()->isPlaying()) return FALSE;
    Stop();
    auto* effect = new QSoundEffect;
    Current() = effect;
    effect->setSource(QUrl::fromLocalFile(QString::fromStdString(SysUtils::ExpandFileName(path))));
    effect->setLoopCount((fdwSound & SND_LOOP) ? QSoundEffect::Infinite : 1);
    effect->play();
    if (!(fdwSound & SND_ASYNC) && !(fdwSound & SND_LOOP)) {
        // Waits for the end, running messages meanwhile; a sound that never starts (no audio device)
        // gives up after a short while rather than hang the caller.
        QElapsedTimer clock;
        clock.start();
        while (Current() == effect && effect->status() != QSoundEffect::Error) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            const bool started = effect->isPlaying();
            if (!started && effect->status() == QSoundEffect::Ready && clock.elapsed() > 500) break;
            if (!started && clock.elapsed() > 2000) break;
            if (clock.elapsed() > 600000) break;
            if (started) {
                while (Current() == effect && effect->isPlaying()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
                break;
            }
        }
    }
    return TRUE;
}
