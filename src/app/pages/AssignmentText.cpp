#include "app/pages/AssignmentText.h"

#include <cstring>

#include "macro/Macro.h"
#include "model/MouseConfig.h"
#include "skin/NameTables.h"

namespace pages {

const wchar_t* AssignmentKeyword(const Assignment& assignment) {
    return assignment.code >= 0 ? names::FunctionName(assignment.code) : nullptr;
}

std::wstring AssignmentDetail(CMouseConfig& config, const Assignment& a) {
    std::wstring detail;
    switch (a.code) {
        case kFunctionSingleKey: {
            uint16_t scan = 0, virtualKey = 0;
            std::memcpy(&scan, a.data, sizeof(scan));
            std::memcpy(&virtualKey, a.data + 2, sizeof(virtualKey));
            if (scan != 0)
                names::KeyDisplayName(virtualKey, scan, a.data[4] != 0, detail);
            break;
        }
        case kFunctionMacroById:
            if (const CMacro* macro = config.FindMacroById(AssignmentId(a)))
                detail = macro->Name();
            break;
        case kFunctionMacroByName:
            if (const CMacro* macro = config.FindMacroByName(AssignmentName(a).c_str()))
                detail = macro->Name();
            break;
        case kFunctionProfileById:
            if (const CMouseProfile* target = config.FindById(AssignmentId(a)))
                detail = target->GetName();
            break;
        case kFunctionProfileByName:
            if (const CMouseProfile* target = config.FindByName(AssignmentName(a).c_str()))
                detail = target->GetName();
            break;
        default:
            break;
    }
    return detail;
}

}  // namespace pages
