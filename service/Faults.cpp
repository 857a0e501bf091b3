#include "Faults.h"

#include "Environment.h"

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tarnsvc {
namespace {

struct Fault {
    std::string operation;  // lower case, or "*"
    uint64_t callNumber = 0;
    bool everyNth = false;  // fails every callNumber-th call, not only the first
    uint64_t calls = 0;
};

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
        // `name:n` fails the n-th call once, `name%n` every n-th call.
        const size_t colon = entry.find_last_of(L":%");
        if (colon == std::wstring::npos || colon == 0 || colon + 1 >= entry.size())
            continue;
        const bool everyNth = entry[colon] == L'%';
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
        faults.push_back({Lower(name), n, everyNth, 0});
    }
    return faults;
}

}  // namespace

bool FaultFires(const char* operation) noexcept {
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
            if (fault.operation != "*" && fault.operation != name)
                continue;
            ++fault.calls;
            fires = (fault.everyNth ? fault.calls % fault.callNumber == 0 : fault.calls == fault.callNumber) || fires;
        }
        if (fires)
            ::SetEnvironmentVariableW(L"TARN_DEVICE_FAULT_FIRED", L"1");
        return fires;
    } catch (...) {
        return false;
    }
}

}  // namespace tarnsvc
