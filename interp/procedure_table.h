#pragma once
// Labels (#name) and procedures (TO "name ... END) as positions in the text
// they were registered from. Both tables only grow; the first entry of a
// name wins. Each entry keeps its text, so a procedure defined by one
// console line can be called from a later line.

#include <cstddef>
#include <string>
#include <vector>

#include "interp/program_text.h"

namespace cubalorn {

struct LabelEntry {
    std::string name;
    size_t position = 0;  // just after the label token
    ProgramTextPtr text;
};

struct ProcedureEntry {
    std::string name;
    size_t position = 0;  // just after the procedure's name in its TO statement
    ProgramTextPtr text;
};

class LabelTable {
public:
    void add(LabelEntry entry) { entries_.push_back(std::move(entry)); }
    // A label of the running text: jumps never leave their text.
    const LabelEntry* find(const std::string& name, const ProgramText* current) const {
        for (const LabelEntry& e : entries_)
            if (e.text.get() == current && e.name == name) return &e;
        return nullptr;
    }
    const std::vector<LabelEntry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    std::vector<LabelEntry> entries_;
};

class ProcedureTable {
public:
    void add(ProcedureEntry entry) { entries_.push_back(std::move(entry)); }
    // The first definition in the running text; failing that, the latest
    // definition made by an earlier text (so a console line may redefine).
    const ProcedureEntry* find(const std::string& name, const ProgramText* current) const {
        for (const ProcedureEntry& e : entries_)
            if (e.text.get() == current && e.name == name) return &e;
        for (size_t i = entries_.size(); i-- > 0;)
            if (entries_[i].name == name) return &entries_[i];
        return nullptr;
    }
    const std::vector<ProcedureEntry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    std::vector<ProcedureEntry> entries_;
};

}  // namespace cubalorn
