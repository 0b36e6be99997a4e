#include "interp/variable_stack.h"

#include "interp/number_text.h"

namespace cubalorn {

void VariableEntry::setNumber(float number) {
    char buffer[kFloatTextCapacity];
    const size_t length = formatFloatText(number, buffer, number_, numberKnown_);
    value_.assign(buffer, length);
}

double VariableEntry::atofValue() const {
    return numberKnown_ ? number_ : atofText(value_);
}

float VariableEntry::numericValue() const {
    // A number stored as "%f" text never starts with a letter once it is finite.
    if (numberKnown_) return static_cast<float>(number_);
    return textToNumber(value_);
}

}  // namespace cubalorn
