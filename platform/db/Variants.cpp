#include "Variants.h"

#include <charconv>
#include <cmath>

namespace {

bool ParsePlainDouble(const std::string& s, double& out) {
    std::string t = SysUtils::Trim(s);
    if (t.empty()) return false;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    return ec == std::errc() && p == t.data() + t.size();
}

} // namespace

Int64 Variant::AsInt64() const {
    switch (VarType()) {
    case varNull: return 0;
    case varInt64: return IntValue();
    // A shared database may hold any real number, NaN and 1e308 included.
    case varDouble: return SysUtils::RoundToInt64(DoubleValue());
    case varString: {
        Int64 v = 0;
        if (SysUtils::TryStrToInt64(SysUtils::Trim(StringValue()), v)) return v;
        double d = 0;
        if (ParsePlainDouble(StringValue(), d) && std::isfinite(d) && std::fabs(d) < 9.2e18)
            return static_cast<Int64>(std::nearbyint(d));
        throw SysUtils::EConvertError("'" + StringValue() + "' is not a valid integer value");
    }
    }
    return 0;
}

double Variant::AsDouble() const {
    switch (VarType()) {
    case varNull: return 0.0;
    case varInt64: return static_cast<double>(IntValue());
    case varDouble: return DoubleValue();
    case varString: {
        double d = 0;
        if (SysUtils::TryStrToFloat(StringValue(), d) || ParsePlainDouble(StringValue(), d)) return d;
        throw SysUtils::EConvertError("'" + StringValue() + "' is not a valid floating point value");
    }
    }
    return 0.0;
}

AnsiString Variant::AsString() const {
    switch (VarType()) {
    case varNull: return AnsiString();
    case varInt64: return SysUtils::IntToStr(IntValue());
    case varDouble: return SysUtils::FloatToStr(DoubleValue());
    case varString: return StringValue();
    }
    return AnsiString();
}

bool Variant::AsBoolean() const {
    switch (VarType()) {
    case varNull: return false;
    case varInt64: return IntValue() != 0;
    case varDouble: return DoubleValue() != 0.0;
    case varString: {
        std::string t = SysUtils::Trim(StringValue());
        if (SysUtils::SameText(t, "True")) return true;
        if (SysUtils::SameText(t, "False")) return false;
        return AsDouble() != 0.0;
    }
    }
    return false;
}
