#include "translate.h"

namespace tickwell {

namespace {
Translator gTranslator = nullptr;
}

void SetTranslator(Translator translator) { gTranslator = translator; }

const char* Translate(const char* english) {
    return gTranslator && english ? gTranslator(english) : english;
}

std::string Translate(const std::string& english) { return Translate(english.c_str()); }

}  // namespace tickwell
