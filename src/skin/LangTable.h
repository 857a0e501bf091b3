// The registered languages and the one in force. The language file loader
// registers one record per language declared in "Language.xml"; start-up then
// picks the current one by the language number kept in the registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct LangRecord {
    int32_t id = -1;        // language number (318 = English)
    std::wstring name;      // as declared
    std::wstring textFile;  // language text file under lang\ (may be empty)
};

class CLangTable {
public:
    static CLangTable& Instance();

    void Register(LangRecord record);  // replaces a record with the same id
    void Clear();
    const LangRecord* Find(int32_t id) const;
    int Count() const { return static_cast<int>(m_records.size()); }

    const LangRecord* Current() const { return m_current; }
    void SetCurrent(const LangRecord* record) { m_current = record; }

    // Start-up's choice: the language `id`, else the default language, else
    // none. Returns the record made current (or null).
    const LangRecord* SelectCurrent(int32_t id);

private:
    std::vector<std::unique_ptr<LangRecord>> m_records;
    const LangRecord* m_current = nullptr;
};
