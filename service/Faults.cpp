#include "Faults.h"

#include "Environment.h"

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tarnsvc {
namespace {

// How an entry picks the calls that fail.
enum class Kind {
    kOnce,     // `:n`, the n-th call
    kEveryNth, // `%n`, calls n, 2n, 3n, ...
    kRandom,   // `~n`, each call with the chance 1 in n
};

struct Fault {
    std::string operation;  // lower case, or "*"
    uint64_t callNumber = 0;
    Kind kind = Kind::kOnce;
    uint64_t calls = 0;
    uint64_t random = 0;  // the state of the entry's own generator
};

// The generator's first state: the same for every entry, so that the same
// sequence of calls meets the same faults in every run.
constexpr uint64_t kRandomSeed = 0x9E3779B97F4A7C15ull;

// The next number of a 64-bit xorshift generator (never 0 from a state other than 0).
uint64_t NextRandom(uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

bool Fires(Fault& fault) {
    ++fault.calls;
    switch (fault.kind) {
        case Kind::kOnce:
            return fault.calls == fault.callNumber;
        case Kind::kEveryNth:
            return fault.calls % fault.callNumber == 0;
        case Kind::kRandom:
            return NextRandom(fault.random) % fault.callNumber == 0;
    }
    return false;
}

struct FaultTable {
    std::mutex mutex;
    std::wstring source;  // the variable's value the table was built from
    std::vector<Fault> faults;
};

FaultTable& Table() {
    static FaultTable table;
    return table;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Entries that do not parse are ignored: a typo must not fail every call.
std::vector<Fault> ParseFaults(const std::wstring& value) {
    std::vector<Fault> faults;
    size_t pos = 0;
    while (pos <= value.size()) {
        size_t end = value.find(L',', pos);
        if (end == std::wstring::npos)
            end = value.size();
        const std::wstring entry = value.substr(pos, end - pos);
        pos = end + 1;
        // `name:n` fails the n-th call once, `name%n` every n-th call,
        // `name~n` one call in n at random.
        const size_t colon = entry.find_last_of(L":%~");
        if (colon == std::wstring::npos || colon == 0 || colon + 1 >= entry.size())
            continue;
        const Kind kind = entry[colon] == L'%' ? Kind::kEveryNth : entry[colon] == L'~' ? Kind::kRandom : Kind::kOnce;
        uint64_t n = 0;
        bool number = true;
        for (size_t i = colon + 1; i < entry.size() && number; ++i) {
            number = entry[i] >= L'0' && entry[i] <= L'9' && n < (1ull << 40);
            n = n * 10 + static_cast<uint64_t>(entry[i] - L'0');
        }
        if (!number || n == 0)
            continue;
        std::string name;
        for (size_t i = 0; i < colon; ++i) {
            if (entry[i] != L' ')
                name += static_cast<char>(entry[i] < 0x80 ? entry[i] : L'?');
        }
        faults.push_back({Lower(name), n, kind, 0, kRandomSeed});
    }
    return faults;
}

}  // namespace

bool FaultFires(const char* operation, bool contract) noexcept {
    try {
        const std::wstring value = EnvironmentValue(L"TARN_DEVICE_FAULT");
        FaultTable& table = Table();
        std::lock_guard lock(table.mutex);
        if (value != table.source) {
            table.source = value;
            table.faults = ParseFaults(value);
        }
        if (table.faults.empty())
            return false;
        const std::string name = Lower(operation);
        bool fires = false;
        for (Fault& fault : table.faults) {
            if ((contract && fault.operation == "*") || fault.operation == name)
                fires = Fires(fault) || fires;
        }
        if (fires)
            ::SetEnvironmentVariableW(L"TARN_DEVICE_FAULT_FIRED", L"1");
        return fires;
    } catch (...) {
        return false;
    }
}

}  // namespace tarnsvc
