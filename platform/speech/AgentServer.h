// The speaking character's server: an in-process stand-in for the character server the program
// talks to. Operations keep the server's names and its convention that a negative result is a
// failure; requests (Show, Hide, Play, Speak, Think, MoveTo) are queued per character and run one
// after the other on the main thread. Notifications reach a registered sink as queued calls on the
// main thread, never from inside the operation that caused them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Agent {

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

// All request types, for StopAll.
constexpr std::int32_t STOP_TYPE_ALL = -1;
// Single request types for StopAll, to be combined: Play, MoveTo, Speak and Think, Show and Hide.
constexpr std::int32_t STOP_TYPE_PLAY = 0x1;
constexpr std::int32_t STOP_TYPE_MOVE = 0x2;
constexpr std::int32_t STOP_TYPE_SPEAK = 0x4;
constexpr std::int32_t STOP_TYPE_VISIBLE = 0x8;

// What the server tells its clients. Every notification is delivered on the main thread.
class IAgentNotifySink {
public:
    virtual ~IAgentNotifySink() = default;
    // cause: 1 = the user hid or showed it, 2 = a program did.
    virtual void VisibleState(std::int32_t characterId, bool visible, std::int32_t cause) = 0;
    // start true when the request queue has run empty (about half a second after the last request
    // ended), false when a new request starts. A queue that ends with Hide reports no idle (the
    // user's "Ausblenden", which ends whatever the character was doing, does).
    virtual void Idle(std::int32_t characterId, bool start) = 0;
    virtual void DblClick(std::int32_t characterId, int x, int y) = 0;
};

// One loaded character. Positions and sizes are screen pixels; `requestId` receives the id of the
// queued request.
class IAgentCharacterEx {
public:
    virtual ~IAgentCharacterEx() = default;
    // 7 = German. A language without a voice fails.
    virtual HRESULT SetLanguageID(std::int32_t languageId) = 0;
    // "{mode id}" as the voice list gives it (TDirectSS::ModeID); an unknown voice fails.
    virtual HRESULT SetTTSModeID(const std::string& modeId) = 0;
    virtual HRESULT GetOriginalSize(int& width, int& height) = 0;
    virtual HRESULT GetSize(int& width, int& height) = 0;
    virtual HRESULT SetSize(int width, int height) = 0;
    virtual HRESULT GetPosition(int& left, int& top) = 0;
    virtual HRESULT SetPosition(int left, int top) = 0;
    virtual HRESULT Show(bool fast, std::int32_t& requestId) = 0;
    virtual HRESULT Hide(bool fast, std::int32_t& requestId) = 0;
    // An unknown animation name plays nothing.
    virtual HRESULT Play(const std::string& animation, std::int32_t& requestId) = 0;
    // "|" separates alternatives, one of which is spoken. Text is UTF-8.
    virtual HRESULT Speak(const std::string& text, const std::string& url, std::int32_t& requestId) = 0;
    // The balloon without the voice.
    virtual HRESULT Think(const std::string& text, std::int32_t& requestId) = 0;
    // speed: the move's duration in milliseconds; 0 or less moves at once.
    virtual HRESULT MoveTo(std::int16_t x, std::int16_t y, std::int32_t speed, std::int32_t& requestId) = 0;
    virtual HRESULT StopAll(std::int32_t types) = 0;
    virtual HRESULT Stop(std::int32_t requestId) = 0;
    // The character's animations, in the character's own order.
    virtual HRESULT GetAnimationNames(std::vector<std::string>& names) = 0;
};

class IAgentEx {
public:
    virtual ~IAgentEx() = default;
    // key: the path of a character file, or empty for the default character.
    virtual HRESULT Load(const std::string& key, std::int32_t& characterId, std::int32_t& requestId) = 0;
    virtual HRESULT Unload(std::int32_t characterId) = 0;
    virtual HRESULT GetCharacterEx(std::int32_t characterId, std::shared_ptr<IAgentCharacterEx>& character) = 0;
    virtual HRESULT Register(std::shared_ptr<IAgentNotifySink> sink, std::int32_t& sinkId) = 0;
    virtual HRESULT Unregister(std::int32_t sinkId) = 0;
    // The chooser of the default character (modal), at (x, y) unless useDefaultPosition.
    virtual HRESULT ShowDefaultCharacterProperties(int x, int y, bool useDefaultPosition) = 0;
    // The server's own output settings (voice speed, volume, balloon), as a modal dialog.
    virtual HRESULT ShowOutputProperties() = 0;
};

// Creates the server; null when it cannot run here. Tests put a factory of their own in place.
std::shared_ptr<IAgentEx> CreateAgentServer();
using AgentServerFactory = std::function<std::shared_ptr<IAgentEx>()>;
// Returns the factory it replaces; an empty factory restores the real server.
AgentServerFactory SetAgentServerFactory(AgentServerFactory factory);

// The registry key of the server's own settings (speech rate, volume, balloon, default character),
// named by the program at start, e.g. "\Software\Maker\Program\Figur". Until it is named
// the settings are the defaults and nothing is written.
void SetServerKey(const std::string& key);
std::string ServerKey();

// The folder the character packages ("*.acp") lie in: "Figuren" in the program folder.
std::string CharactersFolder();
// Whether the server can load the character package at path: a readable "*.acp" file whose
// pictures lie beside it.
bool CanLoadCharacter(const std::string& path);
// Why the server's last Load of a character failed, in German for the user; empty after a success.
std::string LastCharacterLoadError();
// Whether the speech library can be used (it loads and has been initialised).
bool SpeechLibraryAvailable();

} // namespace Agent
