// Character packages: the shipped one, broken ones, and which package the server takes by default.
#include <QImage>

#include <chrono>
#include <filesystem>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const std::string text = dir.read("Figuren/eulalia.acp");
    const auto section = text.find("\n[Animationen]");
    ASSERT_NE(section, std::string::npos);
    const auto make = [&](const std::string& name, int n) {
        std::string many;
        for (int i = 0; i < n; ++i) many += "Extra" + std::to_string(i) + "=halb 60\n";
        std::string package = text;
        package.insert(package.find('\n', section + 1) + 1, many);
        dir.write("Figuren/" + name, package);
    };
    const auto load = [&](const std::string& name, int n) {
        std::string error;
        auto pkg = CharacterPackage::Load(dir.file("Figuren/" + name), error);
        ASSERT_TRUE(pkg) << error;
        EXPECT_TRUE(pkg->FindAnimation("extra" + std::to_string(n - 1)));
        EXPECT_TRUE(pkg->FindAnimation("Blink"));
    };
    make("einige.acp", 10000);
    make("viele.acp", 100000);
    // Ten times the animations take about ten times as long; looking the keys up one by one took a
    // hundred times as long.
    const double ratio = testsupport::TimeRatio([&] { load("einige.acp", 10000); }, [&] { load("viele.acp", 100000); });
    EXPECT_LT(ratio, 15.0);
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

namespace {

// The shipped package with one text replaced, written into its folder under a new name.
std::string Variant(testsupport::TempDir& dir, const std::string& name, const std::string& from, const std::string& to) {
    std::string text = dir.read("Figuren/eulalia.acp");
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    dir.write("Figuren/" + name, text);
    return dir.file("Figuren/" + name);
}

} // namespace

TEST_F(Packages, APackageReadsOnlyRegularFilesInsideItsFolder) {
    // A FIFO as picture: refused at once, where opening it waited for a writer forever.
    const std::string fifo = dir.file("Figuren/rohr.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string withFifo = Variant(dir, "rohr.acp", "ruhe=eulalia_ruhe.png", "ruhe=rohr.png");
    auto loading = std::async(std::launch::async, [&] {
        std::string error;
        const bool loaded = CharacterPackage::Load(withFifo, error) != nullptr;
        return std::make_pair(loaded, error);
    });
    const bool returned =
        loading.wait_for(std::chrono::milliseconds(testsupport::ScaledBelow(5000, 20000))) == std::future_status::ready;
    if (!returned) {  // free the hung reader so that the test ends
        const int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (w >= 0) ::close(w);
    }
    const auto [loaded, fifoError] = loading.get();
    EXPECT_TRUE(returned) << "a FIFO picture hung the loader";
    EXPECT_FALSE(loaded);
    EXPECT_EQ(fifoError, "Die Figur \"Eulalia\" wurde nicht geladen: das Bild \"rohr.png\" ist keine gewöhnliche Datei.");
    // A package file beyond 16 MB is not read at all.
    const std::string padded =
        Variant(dir, "gepolstert.acp", "[Bilder]\n", "[Bilder]\n; " + std::string(17 * 1024 * 1024, 'x') + "\n");
    std::string packageError;
    EXPECT_FALSE(CharacterPackage::Load(padded, packageError));
    EXPECT_EQ(packageError, "Die Figur \"gepolstert.acp\" wurde nicht geladen: die Datei ist größer als 16 MB.");

    // Pictures outside the folder: by "..", by an absolute path, by a link leading out.
    std::filesystem::copy_file(dir.file("Figuren/eulalia_ruhe.png"), dir.file("aussen.png"));
    std::filesystem::create_symlink(dir.file("aussen.png"), dir.file("Figuren/verweis.png"));
    const std::vector<std::pair<std::string, std::string>> outside = {
        {"oben.acp", "../aussen.png"},
        {"tief.acp", "../../../../../../.." + dir.file("aussen.png")},
        {"absolut.acp", dir.file("aussen.png")},
        {"verweis.acp", "verweis.png"},
    };
    for (const auto& [name, file] : outside) {
        const std::string path = Variant(dir, name, "ruhe=eulalia_ruhe.png", "ruhe=" + file);
        std::string error;
        EXPECT_FALSE(CharacterPackage::Load(path, error)) << file;
        EXPECT_EQ(error, "Die Figur \"Eulalia\" wurde nicht geladen: das Bild \"" + file +
                             "\" liegt außerhalb ihres Ordners.");
        EXPECT_LT(LoadResult(*server, path), 0) << file;
        EXPECT_EQ(Agent::LastCharacterLoadError(), error) << "the program logs why";
    }
    // A link that stays inside the folder is still fine, and so is the shipped package.
    std::filesystem::create_symlink(dir.file("Figuren/eulalia_ruhe.png"), dir.file("Figuren/innen.png"));
    std::string error;
    EXPECT_TRUE(CharacterPackage::Load(Variant(dir, "innen.acp", "ruhe=eulalia_ruhe.png", "ruhe=innen.png"), error))
        << error;
    EXPECT_TRUE(CharacterPackage::Load(ShippedPackage(), error)) << error;
}

// A package file that is a link leads only to a package of its own folder, as its pictures do: one
// linked from outside is refused, whole and valid as it is there.
TEST_F(Packages, APackageLinkedFromOutsideItsFolderIsRefused) {
    std::filesystem::create_directories(dir.path() / "aussen");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "Figuren"))
        std::filesystem::copy_file(entry.path(), dir.path() / "aussen" / entry.path().filename());
    std::filesystem::create_symlink(dir.file("aussen/eulalia.acp"), dir.file("Figuren/fremd.acp"));
    std::string error;
    EXPECT_TRUE(CharacterPackage::Load(dir.file("aussen/eulalia.acp"), error)) << error;
    EXPECT_FALSE(CharacterPackage::Load(dir.file("Figuren/fremd.acp"), error));
    EXPECT_EQ(error, "Die Figur \"fremd.acp\" wurde nicht geladen: die Datei liegt außerhalb ihres Ordners.");
    EXPECT_LT(LoadResult(*server, dir.file("Figuren/fremd.acp")), 0);
    EXPECT_EQ(Agent::LastCharacterLoadError(), error);
    // A link to a package of the same folder is that package.
    std::filesystem::create_symlink(dir.file("Figuren/eulalia.acp"), dir.file("Figuren/innen.acp"));
    EXPECT_TRUE(CharacterPackage::Load(dir.file("Figuren/innen.acp"), error)) << error;
}

TEST_F(Packages, OversizedPicturesAreRefusedWithoutDecodingThem) {
    // One bit a pixel: a small file that decodes to 100 MB.
    QImage huge(5000, 5000, QImage::Format_Mono);
    huge.fill(1);
    ASSERT_TRUE(huge.save(QString::fromStdString(dir.file("Figuren/riesig.png")), "PNG"));
    std::string refs;
    for (int i = 0; i < 12; ++i) refs += "riesig" + std::to_string(i) + "=riesig.png\n";
    const std::string path = Variant(dir, "riesig.acp", "[Bilder]\n", "[Bilder]\n" + refs);
    std::string error;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CharacterPackage::Load(path, error));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(error, "Die Figur \"Eulalia\" wurde nicht geladen: das Bild \"riesig.png\" ist größer als 2000 x 2000 "
                     "Bildpunkte.");
    // Decoding the twelve took many seconds; the headers alone take milliseconds.
    EXPECT_LT(ms, testsupport::ScaledBelow(1000, 4000));

    // Pictures each allowed but together too large: refused before any is decoded.
    QImage large(2000, 2000, QImage::Format_Mono);
    large.fill(1);
    ASSERT_TRUE(large.save(QString::fromStdString(dir.file("Figuren/gross.png")), "PNG"));
    refs.clear();
    for (int i = 0; i < 17; ++i) refs += "gross" + std::to_string(i) + "=gross.png\n";
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CharacterPackage::Load(Variant(dir, "viel.acp", "[Bilder]\n", "[Bilder]\n" + refs), error));
    ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(error, "Die Figur \"Eulalia\" wurde nicht geladen: ihre Bilder brauchen mehr als 256 MB Speicher.");
    EXPECT_LT(ms, testsupport::ScaledBelow(1000, 4000));

    // More pictures than any character needs.
    refs.clear();
    for (int i = 0; i < 257; ++i) refs += "mehr" + std::to_string(i) + "=eulalia_ruhe.png\n";
    EXPECT_FALSE(CharacterPackage::Load(Variant(dir, "mehr.acp", "[Bilder]\n", "[Bilder]\n" + refs), error));
    EXPECT_EQ(error, "Die Figur \"Eulalia\" wurde nicht geladen: sie nennt mehr als 256 Bilder.");
}
