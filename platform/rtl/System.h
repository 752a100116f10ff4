#pragma once
// The basic types the system's code is written with.
#include <cstdint>
#include <functional>
#include <string>

using AnsiString = std::string;   // UTF-8 text
using String = std::string;
using Byte = std::uint8_t;
using Word = std::uint16_t;
using DWORD = std::uint32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
