// Speech through espeak-ng: voices, synthesis, and speech that takes its time without a device.
#include <QElapsedTimer>

#include "CharacterWindow.h"
#include "DirectSS.h"
#include "SpeechEngine.h"
#include "SpeechTestSupport.h"

using namespace speechtest;
using Agent::Detail::SpeechEngine;

namespace {
class Speech : public WithServer {};
} // namespace

TEST(Voices, ListHasGermanAndCountsFromOne) {
    ASSERT_TRUE(Agent::SpeechLibraryAvailable());
    TDirectSS ss(nullptr);
    const int n = ss.ModeCount();
    ASSERT_GT(n, 0);
    bool german = false;
    for (int i = 1; i <= n; ++i) {
        EXPECT_FALSE(ss.ModeName(i).empty()) << i;
        EXPECT_FALSE(ss.ModeID(i).empty()) << i;
        if (ss.ModeID(i) == "de") german = true;
    }
    EXPECT_TRUE(german);
    EXPECT_EQ(ss.ModeID(0), "");
    EXPECT_EQ(ss.ModeName(n + 1), "");
    TDirectSS again(nullptr);
    EXPECT_EQ(again.ModeID(1), ss.ModeID(1)) << "a stable order";
    EXPECT_EQ(again.ModeID(n), ss.ModeID(n));
}

TEST(Voices, GermanSentenceGivesSamplesOfASensibleLength) {
    const Agent::Detail::Pcm pcm = SpeechEngine::Instance().Synthesize("Guten Morgen, heute ist Montag.", "de");
    ASSERT_FALSE(pcm.samples.empty());
    EXPECT_GT(pcm.sampleRate, 8000);
    EXPECT_GT(pcm.DurationMs(), 800);
    EXPECT_LT(pcm.DurationMs(), 6000);
    const auto loudest = std::max_element(pcm.samples.begin(), pcm.samples.end());
    EXPECT_GT(*loudest, 1000) << "not silence";
    // Faster speech is shorter.
    const Agent::Detail::Pcm fast =
        SpeechEngine::Instance().Synthesize("Guten Morgen, heute ist Montag.", "de", 400);
    EXPECT_LT(fast.DurationMs(), pcm.DurationMs());
    EXPECT_TRUE(SpeechEngine::Instance().Synthesize("Hallo", "xx-nichts").samples.empty());
}

TEST_F(Speech, VoiceSelection) {
    LoadShipped();
    EXPECT_EQ(character->VoiceId(), "de");
    EXPECT_EQ(character->SetTTSModeID("{en-gb}"), Agent::S_OK);
    EXPECT_EQ(character->VoiceId(), "en-gb");
    EXPECT_LT(character->SetTTSModeID("{keine-stimme}"), 0);
    EXPECT_LT(character->SetTTSModeID("{}"), 0);
    EXPECT_EQ(character->VoiceId(), "en-gb") << "a failed choice keeps the voice";
    EXPECT_EQ(character->SetLanguageID(7), Agent::S_OK);
    EXPECT_EQ(character->VoiceId(), "de");
    EXPECT_EQ(character->SetLanguageID(0x0c), Agent::S_OK) << "French has regional voices only";
    EXPECT_EQ(character->VoiceId().substr(0, 3), "fr-");
    EXPECT_LT(character->SetLanguageID(0x3ff), 0);
}

TEST_F(Speech, SpeechEndsAfterItsDurationWithoutADevice) {
    LoadShipped();
    std::int32_t req = 0;
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    QElapsedTimer clock;
    clock.start();
    character->Speak("Sie haben heute Termine.", "", req);
    bool mouthMoved = false, balloon = false;
    const int before = sink->idleStarts;
    ASSERT_TRUE(RunUntil([&] {
        if (character->Balloon()->isVisible() && character->Balloon()->Text() == "Sie haben heute Termine.")
            balloon = true;
        if (character->Window()->Mouth().rfind("schnabel_", 0) == 0) mouthMoved = true;
        return sink->idleStarts > before;
    }, 10000));
    EXPECT_TRUE(balloon);
    EXPECT_TRUE(mouthMoved) << "the beak moves while she speaks";
    EXPECT_EQ(character->Window()->Mouth(), "") << "and closes after";
    EXPECT_GT(character->LastSpeechMs(), 500);
    EXPECT_GE(clock.elapsed(), character->LastSpeechMs()) << "the request lasts as long as the speech";
    EXPECT_FALSE(character->Balloon()->Thought());
}

TEST_F(Speech, BalloonCanBeSwitchedOff) {
    Agent::Detail::WriteOutputSettings({175, 100, false});
    LoadShipped();
    std::int32_t req = 0;
    character->Show(true, req);
    character->Speak("Hallo", "", req);
    bool balloon = false;
    ASSERT_TRUE(RunUntil([&] {
        balloon = balloon || character->Balloon()->isVisible();
        return sink->idleStarts > 0;
    }, 8000));
    EXPECT_FALSE(balloon);
    EXPECT_GT(character->LastSpeechMs(), 0) << "but the voice speaks";
}
