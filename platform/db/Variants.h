#pragma once
// The class library's Variant, reduced to what a database field holds: Null, an integer, a
// floating-point number (dates are days since 1899-12-30) or UTF-8 text.
#include <cstdint>
#include <string>
#include <variant>

#include "SysUtils.h"

enum TVarType { varNull, varInt64, varDouble, varString };

class Variant {
public:
    Variant() = default;
    Variant(int v) : v_(static_cast<std::int64_t>(v)) {}
    Variant(long v) : v_(static_cast<std::int64_t>(v)) {}
    Variant(long long v) : v_(static_cast<std::int64_t>(v)) {}
    Variant(bool v) : v_(static_cast<std::int64_t>(v ? 1 : 0)) {}
    Variant(double v) : v_(v) {}
    Variant(TDateTime v) : v_(v.Val) {}
    Variant(const char* v) : v_(std::string(v)) {}
    Variant(std::string v) : v_(std::move(v)) {}

    TVarType VarType() const { return static_cast<TVarType>(v_.index()); }
    bool IsNull() const { return v_.index() == 0; }
    // Conversions as the class library makes them; Null reads as 0, 0.0, "" or false.
    // Text that is not a number raises EConvertError.
    Int64 AsInt64() const;
    double AsDouble() const;
    AnsiString AsString() const;
    bool AsBoolean() const;
    // Direct access without conversion (undefined unless VarType matches).
    std::int64_t IntValue() const { return std::get<1>(v_); }
    double DoubleValue() const { return std::get<2>(v_); }
    const std::string& StringValue() const { return std::get<3>(v_); }
    // Text in place of the value; the room of text held before is used again.
    void AssignText(const char* Text, std::size_t Length) {
        if (auto* t = std::get_if<std::string>(&v_)) t->assign(Text, Length);
        else v_.emplace<std::string>(Text, Length);
    }

    bool operator==(const Variant& o) const { return v_ == o.v_; }
    bool operator!=(const Variant& o) const { return !(v_ == o.v_); }

private:
    std::variant<std::monostate, std::int64_t, double, std::string> v_;
};

namespace Variants {
inline Variant Null() { return Variant(); }
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
} // namespace Variants
