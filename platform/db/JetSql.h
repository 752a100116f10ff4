#pragma once
// Turns the Jet SQL the system writes into SQLite SQL, in one pass that knows string literals,
// bracketed names and comments:
//   #m/d/yyyy#, #m/d/yyyy h:nn[:ss] [AM|PM]#, #yyyy-mm-dd ...# and #h:nn# become the TDateTime
//   number (days since 1899-12-30; negative numbers in parentheses);
//   "text" is a string literal in Jet and becomes 'text';
//   true / false become 1 / 0.
// Everything else is copied unchanged, the placeholders `?` and `:name` of bound values among it;
// MONTH(), YEAR() and the other date functions are registered on every connection instead. A '#'
// that does not start a valid date literal raises EDatabaseError, because SQLite would otherwise
// read it as an unbound parameter.
#include <string>

namespace JetSql {

std::string Translate(const std::string& sql);

// The TDateTime a date literal's inner text stands for; false when it is no valid date.
bool ParseDateLiteral(const std::string& text, double& value);

} // namespace JetSql
