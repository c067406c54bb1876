// The engine's own words (its error messages and the tape's) in the user's
// language. The engine has no catalogue of its own: the window layer hands
// it its lookup at start, and until then every text is the English one.
#pragma once

#include <string>

// Marks a text for the translators' template (xgettext --keyword=N_) where
// it is defined; it is looked up where it is shown.
#define N_(text) text

namespace tickwell {

using Translator = const char* (*)(const char* english);
void SetTranslator(Translator translator);
const char* Translate(const char* english);
std::string Translate(const std::string& english);

}  // namespace tickwell
