// The character server: loads character packages from the characters folder, hands out their
// characters and forwards their notifications to the registered sinks.
#include "AgentServer.h"

#include <QApplication>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>

#include "AgentDialogs.h"
#include "Character.h"
#include "Registry.h"
#include "SpeechEngine.h"
#include "SysUtils.h"
#include "VclPrivate.h"

namespace Agent {
namespace Detail {

OutputSettings ReadOutputSettings() {
    OutputSettings s;
    const std::string key = ServerKey();
    TRegistry reg;
    if (key.empty() || !reg.OpenKeyReadOnly(key)) return s;
    try {
        if (reg.ValueExists("Sprechtempo")) s.rate = std::clamp(reg.ReadInteger("Sprechtempo"), 80, 450);
    } catch (...) {}
    try {
        if (reg.ValueExists("Lautstaerke")) s.volume = std::clamp(reg.ReadInteger("Lautstaerke"), 0, 100);
    } catch (...) {}
    try {
        if (reg.ValueExists("Sprechblase")) s.balloon = reg.ReadBool("Sprechblase");
    } catch (...) {}
    return s;
}

void WriteOutputSettings(const OutputSettings& s) {
    const std::string key = ServerKey();
    TRegistry reg;
    if (key.empty() || !reg.OpenKey(key, true)) return;
    reg.WriteInteger("Sprechtempo", std::clamp(s.rate, 80, 450));
    reg.WriteInteger("Lautstaerke", std::clamp(s.volume, 0, 100));
    reg.WriteBool("Sprechblase", s.balloon);
}

std::vector<std::string> CharacterPackages() {
    std::vector<std::string> files;
    std::error_code ec;
    const std::filesystem::path folder(CharactersFolder());
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc)) continue;
        if (SysUtils::LowerCase(it->path().extension().string()) == ".acp") files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string DefaultCharacterPath() {
    std::string chosen;
    try {
        const std::string key = ServerKey();
        TRegistry reg;
        if (!key.empty() && reg.OpenKeyReadOnly(key)) chosen = reg.ReadString("Standardfigur");
    } catch (...) {
        chosen.clear();
    }
    if (!chosen.empty() && SysUtils::FileExists(chosen)) return chosen;
    const std::vector<std::string> packages = CharacterPackages();
    return packages.empty() ? std::string() : packages.front();
}

void SetDefaultCharacterPath(const std::string& path) {
    const std::string key = ServerKey();
    TRegistry reg;
    if (!key.empty() && reg.OpenKey(key, true)) reg.WriteString("Standardfigur", path);
}

namespace {

std::string& LoadError() {
    static std::string error;
    return error;
}

class Server : public IAgentEx {
public:
    ~Server() override {
        for (auto& entry : characters_) entry.second->Unload();
    }

    HRESULT Load(const std::string& key, std::int32_t& characterId, std::int32_t& requestId) override {
        const std::string path = key.empty() ? DefaultCharacterPath() : key;
        std::string error;
        std::unique_ptr<CharacterPackage> package = CharacterPackage::Load(path, error);
        LoadError() = error;
        if (!package) return E_FAIL;
        const std::int32_t id = ++lastCharacterId_;
        characters_[id] = std::make_shared<Character>(id, std::move(package), notifier_);
        characterId = id;
        requestId = notifier_->NextRequestId();
        return S_OK;
    }

    HRESULT Unload(std::int32_t characterId) override {
        auto it = characters_.find(characterId);
        if (it == characters_.end()) return E_INVALIDARG;
        it->second->Unload();
        characters_.erase(it);
        return S_OK;
    }

    HRESULT GetCharacterEx(std::int32_t characterId, std::shared_ptr<IAgentCharacterEx>& character) override {
        auto it = characters_.find(characterId);
        if (it == characters_.end()) return E_INVALIDARG;
        character = it->second;
        return S_OK;
    }

    HRESULT Register(std::shared_ptr<IAgentNotifySink> sink, std::int32_t& sinkId) override {
        if (!sink) return E_INVALIDARG;
        sinkId = notifier_->Register(std::move(sink));
        return S_OK;
    }

    HRESULT Unregister(std::int32_t sinkId) override { return notifier_->Unregister(sinkId) ? S_OK : E_INVALIDARG; }

    HRESULT ShowDefaultCharacterProperties(int x, int y, bool useDefaultPosition) override {
        RunCharacterChooser(x, y, useDefaultPosition);
        return S_OK;
    }

    HRESULT ShowOutputProperties() override {
        RunOutputDialog();
        return S_OK;
    }

private:
    std::shared_ptr<Notifier> notifier_ = std::make_shared<Notifier>();
    std::map<std::int32_t, std::shared_ptr<Character>> characters_;
    std::int32_t lastCharacterId_ = 0;
};

AgentServerFactory& Factory() {
    static AgentServerFactory factory;
    return factory;
}

} // namespace
} // namespace Detail

std::shared_ptr<IAgentEx> CreateAgentServer() {
    if (Detail::Factory()) return Detail::Factory()();
    // The character is a window: without a window system there is no server.
    if (!Vcl::Detail::EnsureQtApp() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    return std::make_shared<Detail::Server>();
}

AgentServerFactory SetAgentServerFactory(AgentServerFactory factory) {
    AgentServerFactory old = std::move(Detail::Factory());
    Detail::Factory() = std::move(factory);
    return old;
}

namespace {
// Named once at start; read by whichever thread reads the settings.
std::mutex serverKeyLock;
std::string& ServerKeyText() {
    static std::string key;
    return key;
}
} // namespace

void SetServerKey(const std::string& key) {
    std::lock_guard<std::mutex> guard(serverKeyLock);
    ServerKeyText() = key;
}

std::string ServerKey() {
    std::lock_guard<std::mutex> guard(serverKeyLock);
    return ServerKeyText();
}

std::string CharactersFolder() { return SysUtils::ProgramFolder() + "Figuren"; }

bool CanLoadCharacter(const std::string& path) {
    std::string error;
    return Detail::CharacterPackage::Load(path, error) != nullptr;
}

std::string LastCharacterLoadError() { return Detail::LoadError(); }

bool SpeechLibraryAvailable() { return Detail::SpeechEngine::Instance().Available(); }

} // namespace Agent
