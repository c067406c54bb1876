// The engine on the headless host, driven by a byte stream of keys, pastes
// and clicks, against a small reference model written apart from it in
// 64-bit integers. Entries stay whole and below ten digits, so the model's
// integer arithmetic is exactly what the engine's doubles compute.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "headless_host.h"

namespace {

using tickwell::Control;

constexpr std::int64_t kMin32 = -2147483648LL, kMax32 = 2147483647LL;

struct Model {
    std::string box[3];  // hours, minutes, seconds
    int focus = 0;       // 0..2 a box, 3 a button
    std::int64_t total = 0;
    bool subtract = false, typed = false, chain = false;
    int errors = 0;

    // Texts here are "", "-", or an optional "-" and digits.
    static std::int64_t Read(const std::string& s) {
        return s.empty() || s == "-" ? 0 : std::stoll(s);
    }
    bool Fits(std::int64_t v) const { return v >= kMin32 && v <= kMax32; }
    // Whole seconds of the entry, or false for an overflow.
    bool Entry(std::int64_t& seconds) const {
        seconds = Read(box[0]) * 3600 + Read(box[1]) * 60 + Read(box[2]);
        return Fits(seconds);
    }
    void Clear() {
        box[0] = box[1] = box[2] = "";
        focus = 0;
    }
    void Error() {
        ++errors;
        ClearEntry();
    }
    void ClearEntry() {
        if (!typed) return;
        Clear();
        typed = false;
        if (chain) {
            Equals();
            focus = 3;
        }
    }
    void Apply(bool minus) {
        std::int64_t e;
        if (!Entry(e)) return Error();
        const std::int64_t t = subtract ? total - e : total + e;
        if (!Fits(t)) return Error();
        total = t;
        subtract = minus;
        chain = true;
        Clear();
    }
    void Equals() {
        if (!chain) {
            const std::int64_t s = Read(box[2]);
            if (!Fits(s)) return Error();
            const std::int64_t m = Read(box[1]) + s / 60;
            if (!Fits(m)) return Error();
            box[0] = std::to_string(Read(box[0]) + m / 60);
            box[1] = std::to_string(m % 60);
            box[2] = std::to_string(s % 60);
            return;
        }
        std::int64_t e;
        if (!Entry(e)) return Error();
        const std::int64_t t = subtract ? total - e : total + e;
        if (!Fits(t)) return Error();
        box[0] = std::to_string(t / 3600);
        box[1] = std::to_string(t % 3600 / 60);
        box[2] = std::to_string(t % 60);
        total = 0;
        subtract = typed = chain = false;
    }
    void Minutes() {
        const std::int64_t s = Read(box[2]);
        if (!Fits(s)) return Error();
        box[1] = std::to_string(Read(box[0]) * 60 + Read(box[1]) + s / 60);
        box[2] = std::to_string(s % 60);
        box[0] = "";
        typed = false;
    }
    void Seconds() {
        std::int64_t e;
        if (!Entry(e)) return Error();
        box[2] = std::to_string(e);
        box[0] = box[1] = "";
        typed = false;
    }
    void Command(char c) {
        switch (c) {
            case '+': Apply(false); break;
            case '-': Apply(true); break;
            case '=': Equals(); break;
            case 'm': Minutes(); break;
            case 's': Seconds(); break;
            case 'e': ClearEntry(); break;
            case 'c':
                total = 0;
                subtract = typed = chain = false;
                Clear();
                break;
        }
    }
};

Control ButtonOf(char c) {
    switch (c) {
        case '+': return Control::cmdPlus;
        case '-': return Control::cmdMinus;
        case '=': return Control::cmdEquals;
        case 'm': return Control::cmdMinutes;
        case 's': return Control::cmdSeconds;
        case 'e': return Control::cmdClearEntry;
        default: return Control::cmdClearAll;
    }
}

const Control kBoxes[3] = {Control::txtHours, Control::txtMinutes, Control::txtSeconds};

int FocusIndex(Control c) {
    for (int i = 0; i < 3; ++i)
        if (c == kBoxes[i]) return i;
    return 3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tickwell::HeadlessHost host;
    Model model;
    const char commands[] = "+-=msec";
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t op = data[i];
        switch (op % 4) {
            case 0: {  // a typed digit or backspace into whatever has the focus
                const int d = (op >> 2) % 11;
                const int f = model.focus;
                if (f < 3 && d < 10 && model.box[f].size() >= 9) break;  // stay exact
                host.TypeCode(d == 10 ? 8 : static_cast<std::uint16_t>('0' + d));
                model.typed = true;
                if (f < 3) {
                    if (d == 10) {
                        if (!model.box[f].empty()) model.box[f].pop_back();
                    } else {
                        model.box[f] += static_cast<char>('0' + d);
                    }
                }
                break;
            }
            case 1: {  // a command key: the focus moves to its button first
                const char c = commands[(op >> 2) % 7];
                host.Type(std::string(1, c));
                model.focus = 3;
                model.Command(c);
                break;
            }
            case 2: {  // a click on a button: no focus move by the dispatcher
                const char c = commands[(op >> 2) % 7];
                host.Calc().Click(ButtonOf(c));
                model.Command(c);
                break;
            }
            case 3: {  // "/" or a paste of a small number into one box
                if ((op >> 2) % 4 == 0) {
                    host.Type("/");
                    model.focus = model.focus < 2 ? model.focus + 1 : 0;
                    break;
                }
                const int b = (op >> 2) % 3;
                const std::string text = std::to_string(static_cast<int>(op) * 37 % 100000);
                host.SetText(kBoxes[b], text);
                model.box[b] = text;
                break;
            }
        }
        for (int b = 0; b < 3; ++b) {
            if (host.GetText(kBoxes[b]) != model.box[b] ||
                static_cast<int>(host.MsgBoxes().size()) != model.errors ||
                host.Calc().CalculationInProgress() != model.chain ||
                host.Calc().EntryTyped() != model.typed ||
                FocusIndex(host.Focus()) != model.focus) {
                std::fprintf(stderr, "step %zu (op %u): box %d engine \"%s\" model \"%s\"\n", i, op,
                             b, host.GetText(kBoxes[b]).c_str(), model.box[b].c_str());
                std::abort();
            }
        }
    }
    return 0;
}
