#pragma once
// The interpreter nests by native recursion (bodies, calls, sub-expressions)
// up to kMaxNestingDepth levels; a default 8 MiB main thread is not enough
// for that bound, so programs run on a thread with a stack of this size.

#include <cstddef>
#include <functional>

namespace cubalorn {

constexpr size_t kInterpreterStackBytes = size_t{64} << 20;

// Runs `work` on a new thread with a stack of `stackBytes` and waits for it.
// An exception thrown by `work` is rethrown here. If no such thread can be
// made, `work` runs on the calling thread and the result is false.
bool runWithLargeStack(const std::function<void()>& work,
                       size_t stackBytes = kInterpreterStackBytes);

}  // namespace cubalorn
