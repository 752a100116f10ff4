// Character packages: the shipped one, broken ones, and which package the server takes by default.
#include <QImage>

#include <chrono>

#include "CharacterPackage.h"
#include "Registry.h"
#include "SpeechTestSupport.h"
#include "TestTime.h"

using namespace speechtest;
using Agent::Detail::CharacterPackage;

namespace {

class Packages : public WithServer {};

std::int32_t LoadResult(Agent::IAgentEx& server, const std::string& key) {
    std::int32_t id = 0, req = 0;
    return server.Load(key, id, req);
}

} // namespace

TEST_F(Packages, ShippedCharacterHasEveryAnimationTheProgramPlays) {
    std::string error;
    auto pkg = CharacterPackage::Load(ShippedPackage(), error);
    ASSERT_TRUE(pkg) << error;
    EXPECT_EQ(pkg->Name(), "Eulalia");
    EXPECT_EQ(pkg->Width(), 128);
    EXPECT_EQ(pkg->Height(), 128);
    for (const char* name : {"Show", "Hide", "RestPose", "Blink", "Wave", "Read", "ReadContinued", "ReadReturn",
                             "LookDown", "Announce", "GetAttention", "GetAttentionContinued", "GetAttentionReturn",
                             "Surprised", "GestureDown"})
        EXPECT_TRUE(pkg->FindAnimation(name)) << name;
    EXPECT_TRUE(pkg->FindAnimation("getattention")) << "names ignore case";
    EXPECT_FALSE(pkg->FindAnimation("Fly"));
    EXPECT_GE(pkg->SpeakingFrames().size(), 2u);
    const QImage* rest = pkg->Picture(pkg->RestPicture());
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->size(), QSize(128, 128));
    EXPECT_EQ(qAlpha(rest->pixel(0, 0)), 0) << "the picture is cut out";
    EXPECT_EQ(qAlpha(rest->pixel(64, 90)), 255);
}

TEST_F(Packages, BrokenPackagesFailToLoad) {
    const std::string good = dir.read("Figuren/eulalia.acp");
    auto variant = [&](const std::string& name, const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        dir.write("Figuren/" + name, text);
        return dir.file("Figuren/" + name);
    };
    dir.write("Figuren/leer.acp", "");
    dir.write("Figuren/binaer.acp", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const std::vector<std::string> broken = {
        dir.file("Figuren/leer.acp"),
        dir.file("Figuren/binaer.acp"),
        dir.file("Figuren/gibtesnicht.acp"),
        variant("ohnebild.acp", "eulalia_ruhe.png", "fehlt.png"),
        variant("ohnegroesse.acp", "Breite=128", "Breite=0"),
        variant("falschefolge.acp", "Blink=halb 60", "Blink=halb sechzig"),
        variant("fremdesbild.acp", "LookDown=unten 700", "LookDown=nirgends 700"),
    };
    for (const std::string& path : broken) {
        std::string error;
        EXPECT_FALSE(CharacterPackage::Load(path, error)) << path;
        EXPECT_FALSE(error.empty());
        EXPECT_LT(LoadResult(*server, path), 0) << path;
    }
    // A picture that is no picture.
    dir.write("Figuren/eulalia_zu.png", "kein Bild");
    EXPECT_LT(LoadResult(*server, ShippedPackage()), 0);
}

TEST_F(Packages, APackageWithVeryManyAnimationsLoadsInLinearTime) {
    std::string text = dir.read("Figuren/eulalia.acp");
    const auto section = text.find("\n[Animationen]");
    ASSERT_NE(section, std::string::npos);
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "Extra" + std::to_string(i) + "=halb 60\n";
    text.insert(text.find('\n', section + 1) + 1, many);
    dir.write("Figuren/viele.acp", text);
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    auto pkg = CharacterPackage::Load(dir.file("Figuren/viele.acp"), error);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(pkg) << error;
    EXPECT_TRUE(pkg->FindAnimation("extra99999"));
    EXPECT_TRUE(pkg->FindAnimation("Blink"));
    // Seconds at most (less in a release build); looking the keys up one by one took minutes.
    EXPECT_LT(ms, testsupport::ScaledBelow(30000, 90000));
}

TEST_F(Packages, DefaultCharacterIsTheChosenOneElseTheFirstInTheFolder) {
    // A second character, first by name.
    std::string text = dir.read("Figuren/eulalia.acp");
    text.replace(text.find("Name=Eulalia"), 12, "Name=Adele");
    dir.write("Figuren/adele.acp", text);

    std::int32_t id = 0, req = 0;
    ASSERT_EQ(server->Load("", id, req), Agent::S_OK);
    std::shared_ptr<Agent::IAgentCharacterEx> c;
    ASSERT_EQ(server->GetCharacterEx(id, c), Agent::S_OK);
    EXPECT_EQ(std::dynamic_pointer_cast<Agent::Detail::Character>(c)->Package().Name(), "Adele");

    Agent::Detail::SetDefaultCharacterPath(ShippedPackage());
    ASSERT_EQ(server->Load("", id, req), Agent::S_OK);
    ASSERT_EQ(server->GetCharacterEx(id, c), Agent::S_OK);
    EXPECT_EQ(std::dynamic_pointer_cast<Agent::Detail::Character>(c)->Package().Name(), "Eulalia");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin\\Figur", false));
    EXPECT_EQ(reg.ReadString("Standardfigur"), ShippedPackage());

    // A chosen package that has gone: the first one again.
    Agent::Detail::SetDefaultCharacterPath(dir.file("Figuren/weg.acp"));
    EXPECT_EQ(Agent::Detail::DefaultCharacterPath(), dir.file("Figuren/adele.acp"));
}

TEST_F(Packages, EmptyFolderHasNoDefaultCharacter) {
    std::filesystem::remove_all(dir.path() / "Figuren");
    EXPECT_LT(LoadResult(*server, ""), 0);
    EXPECT_EQ(Agent::Detail::DefaultCharacterPath(), "");
}

TEST_F(Packages, SizesAndUnload) {
    LoadShipped();
    int w = 0, h = 0;
    EXPECT_EQ(character->GetOriginalSize(w, h), Agent::S_OK);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 128);
    EXPECT_EQ(character->SetSize(85, 85), Agent::S_OK);
    EXPECT_EQ(character->GetSize(w, h), Agent::S_OK);
    EXPECT_EQ(w, 85);
    EXPECT_EQ(character->GetOriginalSize(w, h), Agent::S_OK);
    EXPECT_EQ(w, 128) << "the original size stays";
    EXPECT_LT(character->SetSize(0, 10), 0);

    std::vector<std::string> names;
    EXPECT_EQ(character->GetAnimationNames(names), Agent::S_OK);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "RestPose") << "in the package's order";

    EXPECT_EQ(server->Unload(characterId), Agent::S_OK);
    std::int32_t req = 0;
    EXPECT_LT(character->Play("Wave", req), 0) << "an unloaded character refuses requests";
    EXPECT_LT(server->Unload(characterId), 0);
    std::shared_ptr<Agent::IAgentCharacterEx> c;
    EXPECT_LT(server->GetCharacterEx(characterId, c), 0);
}
