#include "JetSql.h"

#include <charconv>
#include <cmath>
#include <strings.h>

#include "DB.h"
#include "SysUtils.h"

namespace JetSql {
namespace {

bool IsIdentChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }
bool IsIdentStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Reads 1..maxDigits digits at s[i].
bool ReadNumber(const std::string& s, std::size_t& i, int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        if (++digits > maxDigits) return false;
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    return digits > 0;
}

bool ParseTime(const std::string& s, double& value) {
    std::size_t i = 0;
    int h = 0, n = 0, sec = 0, d = 0;
    if (!ReadNumber(s, i, 2, h, d) || i >= s.size() || s[i] != ':') return false;
    ++i;
    if (!ReadNumber(s, i, 2, n, d)) return false;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!ReadNumber(s, i, 2, sec, d)) return false;
    }
    std::string rest = Trim(s.substr(i));
    if (!rest.empty()) {
        bool pm = strcasecmp(rest.c_str(), "PM") == 0;
        if (!pm && strcasecmp(rest.c_str(), "AM") != 0) return false;
        if (h < 1 || h > 12) return false;
        h = h % 12 + (pm ? 12 : 0);
    }
    TDateTime t;
    if (!SysUtils::TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(sec), 0, t))
        return false;
    value = t.Val;
    return true;
}

bool ParseDate(const std::string& s, double& value) {
    std::size_t i = 0;
    int a = 0, b = 0, c = 0, da = 0, db = 0, dc = 0;
    if (!ReadNumber(s, i, 4, a, da) || i >= s.size() || (s[i] != '/' && s[i] != '-')) return false;
    char sep = s[i++];
    if (!ReadNumber(s, i, 2, b, db) || i >= s.size() || s[i] != sep) return false;
    ++i;
    if (!ReadNumber(s, i, 4, c, dc) || i != s.size()) return false;
    int y, m, d, yd;
    if (da == 4) { y = a; m = b; d = c; yd = 4; if (dc > 2) return false; }
    else { m = a; d = b; y = c; yd = dc; if (da > 2) return false; }
    // Two-digit years as Jet reads them: 00-29 this century, 30-99 the last.
    if (yd <= 2) y += y < 30 ? 2000 : 1900;
    TDateTime t;
    if (!SysUtils::TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), t)) return false;
    value = t.Val;
    return true;
}

std::string NumberText(double v) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, p);
    return v < 0 ? "(" + s + ")" : s;
}

} // namespace

bool ParseDateLiteral(const std::string& text, double& value) {
    std::string s = Trim(text);
    if (s.empty()) return false;
    std::size_t blank = s.find_first_of(" \t");
    std::string first = s.substr(0, blank);
    if (first.find(':') != std::string::npos) return ParseTime(s, value);
    double date = 0, time = 0;
    if (!ParseDate(first, date)) return false;
    if (blank != std::string::npos && !ParseTime(Trim(s.substr(blank)), time)) return false;
    value = date < 0 ? date - time : date + time;
    return true;
}

std::string Translate(const std::string& sql) {
    std::string out;
    out.reserve(sql.size() + 16);
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto copyUntil = [&](std::size_t end) {
        out.append(sql, i, end - i);
        i = end;
    };
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(sql[i]);
        if (c == '\'') {
            // '' inside a literal is a quote, not its end.
            std::size_t j = i + 1;
            while (j < n) {
                if (sql[j] == '\'') {
                    if (j + 1 < n && sql[j + 1] == '\'') { j += 2; continue; }
                    break;
                }
                ++j;
            }
            copyUntil(j < n ? j + 1 : n);
        } else if (c == '"') {
            std::string text;
            std::size_t j = i + 1;
            bool closed = false;
            while (j < n) {
                if (sql[j] == '"') {
                    if (j + 1 < n && sql[j + 1] == '"') { text += '"'; j += 2; continue; }
                    closed = true;
                    break;
                }
                if (sql[j] == '\'') text += '\'';
                text += sql[j++];
            }
            if (!closed) { copyUntil(n); break; }
            out += '\'';
            out += text;
            out += '\'';
            i = j + 1;
        } else if (c == '[' || c == '`') {
            std::size_t j = sql.find(c == '[' ? ']' : '`', i + 1);
            copyUntil(j == std::string::npos ? n : j + 1);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            std::size_t j = sql.find('\n', i);
            copyUntil(j == std::string::npos ? n : j);
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            std::size_t j = sql.find("*/", i + 2);
            copyUntil(j == std::string::npos ? n : j + 2);
        } else if (c == '#') {
            std::size_t j = sql.find('#', i + 1);
            double value = 0;
            if (j == std::string::npos || !ParseDateLiteral(sql.substr(i + 1, j - i - 1), value))
                throw EDatabaseError("Syntaxfehler im Datum im Abfrageausdruck '" +
                                     sql.substr(i, j == std::string::npos ? n - i : j - i + 1) + "'.");
            if (!out.empty() && IsIdentChar(static_cast<unsigned char>(out.back()))) out += ' ';
            out += NumberText(value);
            i = j + 1;
            if (i < n && (IsIdentChar(static_cast<unsigned char>(sql[i])) || sql[i] == '.')) out += ' ';
        } else if (IsIdentStart(c)) {
            std::size_t j = i;
            while (j < n && IsIdentChar(static_cast<unsigned char>(sql[j]))) ++j;
            bool qualified = !out.empty() && out.back() == '.';
            std::size_t len = j - i;
            if (!qualified && len == 4 && strncasecmp(sql.data() + i, "true", 4) == 0) {
                out += '1';
                i = j;
            } else if (!qualified && len == 5 && strncasecmp(sql.data() + i, "false", 5) == 0) {
                out += '0';
                i = j;
            } else {
                copyUntil(j);
            }
        } else if (std::isdigit(c)) {
            // A number with its exponent or a trailing name part stays one token. An exponent's sign
            // is one only before its digits: "1e--" is the number "1e" and a comment.
            std::size_t j = i;
            while (j < n && (IsIdentChar(static_cast<unsigned char>(sql[j])) || sql[j] == '.' ||
                             ((sql[j] == '+' || sql[j] == '-') && (sql[j - 1] == 'e' || sql[j - 1] == 'E') &&
                              j + 1 < n && std::isdigit(static_cast<unsigned char>(sql[j + 1])))))
                ++j;
            copyUntil(j);
        } else {
            out += sql[i++];
        }
    }
    return out;
}

} // namespace JetSql
