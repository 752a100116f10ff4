// The names of espeak-ng's voices as a German user reads them.
#pragma once

#include <string>

namespace Agent::Detail {

// The German name of the language espeak-ng speaks under Id ("sq" gives "Albanisch"); a language
// the table does not know keeps espeak-ng's own name.
std::string GermanVoiceName(const std::string& Id, const std::string& EspeakName);

} // namespace Agent::Detail
