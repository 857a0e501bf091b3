#include "model/Types.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

Assignment MakeSingleKeyAssignment(uint16_t scanCode, uint16_t virtualKey, uint8_t modifiers) {
    Assignment a = MakeAssignment(kFunctionSingleKey);
    memcpy(a.data, &scanCode, sizeof(scanCode));
    memcpy(a.data + 2, &virtualKey, sizeof(virtualKey));
    a.data[4] = modifiers;
    return a;
}

void SetAssignmentId(Assignment& assignment, const GUID& id) {
    memcpy(assignment.data, &id, sizeof(id));
}

GUID AssignmentId(const Assignment& assignment) {
    GUID id;
    memcpy(&id, assignment.data, sizeof(id));
    return id;
}

void SetAssignmentName(Assignment& assignment, const wchar_t* name) {
    wchar_t text[kAssignmentNameCapacity];
    CopyTruncated(text, kAssignmentNameCapacity, name);
    memset(assignment.data, 0, sizeof(assignment.data));
    memcpy(assignment.data, text, (wcslen(text) + 1) * sizeof(wchar_t));
}

std::wstring AssignmentName(const Assignment& assignment) {
    wchar_t text[kAssignmentNameCapacity];
    memcpy(text, assignment.data, sizeof(text));
    return std::wstring(text, wcsnlen(text, kAssignmentNameCapacity));
}

size_t SafeCutLength(const wchar_t* text, size_t length, size_t limit) {
    if (length <= limit)
        return length;
    if (limit > 0 && IsHighSurrogate(text[limit - 1]))
        return limit - 1;
    return limit;
}

std::wstring SafeCut(const std::wstring& text, size_t limit) {
    return text.substr(0, SafeCutLength(text.c_str(), text.size(), limit));
}

std::wstring NameOfCopy(const std::wstring& source, const std::function<bool(const std::wstring&)>& taken) {
    constexpr size_t kStemWhole = 20;  // names shorter than this are kept whole
    constexpr size_t kStem = 18;
    constexpr int kCounters = 100;
    const std::wstring stem = source.size() < kStemWhole ? source : SafeCut(source, kStem);
    for (int counter = 0; counter < kCounters; ++counter) {
        wchar_t digits[4];
        swprintf(digits, std::size(digits), L"%02d", counter);
        std::wstring candidate = stem + digits;
        if (!taken(candidate))
            return candidate;
    }
    return {};
}

void CopyTruncated(wchar_t* buffer, size_t capacity, const wchar_t* source) {
    if (capacity == 0)
        return;
    if (source == nullptr)
        source = L"";
    const size_t n = SafeCutLength(source, wcslen(source), capacity - 1);
    memcpy(buffer, source, n * sizeof(wchar_t));
    buffer[n] = L'\0';
}
