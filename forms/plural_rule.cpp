#include "plural_rule.h"

#include <algorithm>
#include <string>

namespace tickwell::forms {

namespace {

constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxRule = 512;

// Recursive descent over C's precedence: ?:, ||, &&, == !=, < > <= >=, + -,
// * / %, unary !, and primaries (n, a number, parentheses).
class RuleParser {
public:
    RuleParser(std::string_view text, std::vector<PluralRule::Node>& nodes)
        : mText(text), mNodes(nodes) {}

    bool Whole(int& root) {
        root = Conditional(0);
        Blanks();
        return root >= 0 && mAt == mText.size();
    }

private:
    void Blanks() {
        while (mAt < mText.size() &&
               (mText[mAt] == ' ' || mText[mAt] == '\t' || mText[mAt] == '\n'))
            ++mAt;
    }
    bool Take(std::string_view token) {
        Blanks();
        if (mText.substr(mAt, token.size()) != token) return false;
        // "<" is not the start of "<=", nor "=" the one "==" lacks.
        if (token.size() == 1 && mAt + 1 < mText.size() && mText[mAt + 1] == '=' &&
            (token == "<" || token == ">" || token == "!"))
            return false;
        mAt += token.size();
        return true;
    }
    int Add(char op, int a, int b = -1, int c = -1, std::uint64_t value = 0) {
        if (a < 0 || (op != '!' && op != 'n' && op != '#' && b < 0) || (op == '?' && c < 0))
            return -1;
        mNodes.push_back({op, value, a, b, c});
        return static_cast<int>(mNodes.size()) - 1;
    }
    int Conditional(int depth) {
        if (depth > kMaxDepth) return -1;
        const int test = Binary(0, depth);
        if (test < 0 || !Take("?")) return test;
        const int yes = Conditional(depth + 1);
        if (yes < 0 || !Take(":")) return -1;
        return Add('?', test, yes, Conditional(depth + 1));
    }
    // Levels of binary operators, loosest first; each token maps to one op
    // (a plain table: the program carries no container for it).
    struct Operator {
        int level;
        const char* token;
        char op;
    };
    static constexpr Operator kOperators[] = {
        {0, "||", '|'}, {1, "&&", '&'}, {2, "==", '='}, {2, "!=", 'x'}, {3, "<=", 'l'},
        {3, ">=", 'g'}, {3, "<", '<'},  {3, ">", '>'},  {4, "+", '+'},  {4, "-", '-'},
        {5, "*", '*'},  {5, "/", '/'},  {5, "%", '%'},
    };
    static constexpr int kLevels = 6;
    int Binary(int level, int depth) {
        if (level == kLevels) return Unary(depth);
        int left = Binary(level + 1, depth);
        for (bool more = left >= 0; more;) {
            more = false;
            for (const Operator& o : kOperators) {
                if (o.level != level || !Take(o.token)) continue;
                left = Add(o.op, left, Binary(level + 1, depth));
                more = left >= 0;
                break;
            }
        }
        return left;
    }
    int Unary(int depth) {
        if (depth > kMaxDepth) return -1;
        if (Take("!")) return Add('!', Unary(depth + 1));
        if (Take("(")) {
            const int inner = Conditional(depth + 1);
            return inner >= 0 && Take(")") ? inner : -1;
        }
        if (Take("n")) return Add('n', 0);
        Blanks();
        std::uint64_t value = 0;
        const std::size_t start = mAt;
        while (mAt < mText.size() && mText[mAt] >= '0' && mText[mAt] <= '9' && mAt - start < 9)
            value = value * 10 + static_cast<std::uint64_t>(mText[mAt++] - '0');
        return mAt > start ? Add('#', 0, -1, -1, value) : -1;
    }

    std::string_view mText;
    std::size_t mAt = 0;
    std::vector<PluralRule::Node>& mNodes;
};

std::uint64_t Evaluate(const std::vector<PluralRule::Node>& nodes, int at, std::uint64_t n) {
    const PluralRule::Node& node = nodes[static_cast<std::size_t>(at)];
    auto a = [&] { return Evaluate(nodes, node.a, n); };
    auto b = [&] { return Evaluate(nodes, node.b, n); };
    switch (node.op) {
        case 'n': return n;
        case '#': return node.value;
        case '?': return a() ? b() : Evaluate(nodes, node.c, n);
        case '!': return !a();
        case '|': return a() || b();
        case '&': return a() && b();
        case '=': return a() == b();
        case 'x': return a() != b();
        case 'l': return a() <= b();
        case 'g': return a() >= b();
        case '<': return a() < b();
        case '>': return a() > b();
        case '+': return a() + b();
        case '-': return a() - b();
        case '*': return a() * b();
        case '/': {
            const auto d = b();
            return d ? a() / d : 0;
        }
        case '%': {
            const auto d = b();
            return d ? a() % d : 0;
        }
        default: return 0;
    }
}

}  // namespace

PluralRule::PluralRule() {
    // n != 1
    mNodes = {{'n', 0, 0, -1, -1}, {'#', 1, 0, -1, -1}, {'x', 0, 0, 1, -1}};
    mRoot = 2;
}

bool PluralRule::Parse(std::string_view header) {
    const auto line = header.find("Plural-Forms:");
    if (line == std::string_view::npos) return false;
    std::string_view rest = header.substr(line);
    rest = rest.substr(0, std::min(rest.find('\n'), kMaxRule));
    const auto count = rest.find("nplurals=");
    const auto rule = rest.find("plural=", count == std::string_view::npos ? 0 : count + 9);
    if (count == std::string_view::npos || rule == std::string_view::npos) return false;
    int forms = 0;
    for (std::size_t i = count + 9; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i)
        if ((forms = forms * 10 + (rest[i] - '0')) > 6) return false;  // and never overflows
    if (forms < 1 || forms > 6) return false;
    std::string_view expression = rest.substr(rule + 7);
    expression = expression.substr(0, expression.find(';'));
    std::vector<Node> nodes;
    int root = -1;
    if (!RuleParser(expression, nodes).Whole(root)) return false;
    mNodes = std::move(nodes);
    mRoot = root;
    mCount = forms;
    return true;
}

int PluralRule::Form(std::uint64_t n) const {
    const std::uint64_t form = Evaluate(mNodes, mRoot, n);
    return form < static_cast<std::uint64_t>(mCount) ? static_cast<int>(form) : 0;
}

}  // namespace tickwell::forms
