// A catalogue's "Plural-Forms" rule: which of a text's plural forms goes with
// a number, as gettext reads it (a C expression over n). The rule comes from
// a file, so it is parsed once with bounded depth and length, and evaluating
// it never traps: a division by zero gives 0.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tickwell::forms {

class PluralRule {
public:
    // English's rule until one is parsed: one form for 1, another for the rest.
    PluralRule();
    // Reads "nplurals=N; plural=EXPR;" from a catalogue header. False, and the
    // rule unchanged, when the header has no such line or it does not read.
    bool Parse(std::string_view header);
    int Count() const { return mCount; }
    // The form for `n`, always below Count().
    int Form(std::uint64_t n) const;

    struct Node {
        char op;  // 'n', '#' (a number), '?' or an operator ("=" is ==, "!" is !=, ...)
        std::uint64_t value;
        int a, b, c;  // operands by index; -1 for none
    };

private:
    std::vector<Node> mNodes;
    int mRoot = 0;
    int mCount = 2;
};

}  // namespace tickwell::forms
