// How an assignment reads to the user: its function's keyword (a language
// key) and, where it has one, its detail: the key of a single key, the name
// of the macro or profile it switches to.
#pragma once

#include <string>

#include "model/Types.h"

class CMouseConfig;

namespace pages {

// The function keyword of the assignment's code; null for a code without one.
const wchar_t* AssignmentKeyword(const Assignment& assignment);

// The detail shown after the keyword; empty when the assignment has none or
// what it names no longer exists.
std::wstring AssignmentDetail(CMouseConfig& config, const Assignment& assignment);

}  // namespace pages
