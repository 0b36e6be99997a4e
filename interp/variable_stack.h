#pragma once
// The program's named texts: variables, procedure parameters and locals, and
// the hidden call counters. Lookups go from the newest entry to the oldest,
// so a newer entry of the same name shadows the older ones.

#include <string>
#include <string_view>
#include <vector>

namespace cubalorn {

class VariableEntry {
public:
    VariableEntry(std::string name, std::string value)
        : name_(std::move(name)), value_(std::move(value)) {}

    const std::string& name() const { return name_; }
    const std::string& value() const { return value_; }
    void setValue(std::string value) {
        value_ = std::move(value);
        numberKnown_ = false;
    }
    // Stores the number as "%f" text.
    void setNumber(float number);
    // atof of the value.
    double atofValue() const;
    // The value used as a number: texts starting with a letter count as the
    // sum of their character codes.
    float numericValue() const;

private:
    std::string name_;
    std::string value_;
    // atof of value_, kept when a number was stored so reading it back
    // needs no parsing.
    bool numberKnown_ = false;
    double number_ = 0.0;
};

class VariableStack {
public:
    VariableEntry* findNewest(std::string_view name) {
        for (size_t i = entries_.size(); i-- > 0;)
            if (entries_[i].name() == name) return &entries_[i];
        return nullptr;
    }
    void push(std::string name, std::string value) {
        entries_.emplace_back(std::move(name), std::move(value));
    }
    // Popping an empty stack does nothing.
    void pop() {
        if (!entries_.empty()) entries_.pop_back();
    }
    // Drops every entry above the first `count`.
    void truncate(size_t count) {
        if (count < entries_.size()) entries_.erase(entries_.begin() + count, entries_.end());
    }
    size_t size() const { return entries_.size(); }
    const std::vector<VariableEntry>& entries() const { return entries_; }

private:
    std::vector<VariableEntry> entries_;
};

}  // namespace cubalorn
