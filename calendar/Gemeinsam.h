#pragma once
// The tags every template may use: today's date, the quote of the day, the template folder and the
// navigation images as file URLs, the navigation labels and three values of the settings.
#include <functional>

#include "Classes.h"
#include "HTTPProd.h"

namespace Gemeinsam {

// Sets ReplaceText for the common tags and leaves it empty for any other. ProgramFolder is the
// folder of the program with a trailing delimiter.
void CommonTagHandler(const AnsiString& ProgramFolder, TObject* Sender, TTag Tag,
                      const AnsiString& TagString, TStrings* TagParams, AnsiString& ReplaceText);

// The URL of a file or folder of the template folder, named as it is on disk.
AnsiString TemplateURL(const AnsiString& ProgramFolder, const AnsiString& Name);

// The quote of the day lives for the whole run. Tests reset it and give their own random source
// (Next returns the next value of the generator; the default seeds with the time, as srand/rand).
void ResetQuoteOfTheDay();
void SetQuoteRandom(std::function<int()> Next);

} // namespace Gemeinsam
