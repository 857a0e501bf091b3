#include "skin/LangTable.h"

#include "skin/NameTables.h"

CLangTable& CLangTable::Instance() {
    static CLangTable table;
    return table;
}

void CLangTable::Register(LangRecord record) {
    for (auto& existing : m_records) {
        if (existing->id == record.id) {
            *existing = std::move(record);
            return;
        }
    }
    m_records.push_back(std::make_unique<LangRecord>(std::move(record)));
}

void CLangTable::Clear() {
    m_current = nullptr;
    m_records.clear();
}

const LangRecord* CLangTable::Find(int32_t id) const {
    for (const auto& record : m_records) {
        if (record->id == id)
            return record.get();
    }
    return nullptr;
}

const LangRecord* CLangTable::SelectCurrent(int32_t id) {
    const LangRecord* record = Find(id);
    if (!record)
        record = Find(names::kDefaultLanguage);
    if (record)
        m_current = record;
    return record;
}
