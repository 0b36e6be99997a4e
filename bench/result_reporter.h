#pragma once
// The console reporter of a benchmark that prints goals at the end: it
// remembers each benchmark's CPU time, in milliseconds, and its counters.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace cubalorn::bench {

class ResultReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            Result& out = results_[r.run_name.function_name];
            out.ms = r.GetAdjustedCPUTime() * millisecondsPer(r.time_unit);
            for (const auto& [name, counter] : r.counters) out.counters[name] = counter.value;
        }
    }

protected:
    struct Result {
        double ms = 0;
        std::map<std::string, double> counters;
        // 0 when the benchmark has no such counter.
        double counter(const std::string& name) const {
            auto it = counters.find(name);
            return it == counters.end() ? 0 : it->second;
        }
    };
    const Result* find(const std::string& name) const {
        auto it = results_.find(name);
        return it == results_.end() ? nullptr : &it->second;
    }

private:
    static double millisecondsPer(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond:
                return 1e-6;
            case benchmark::kMicrosecond:
                return 1e-3;
            case benchmark::kMillisecond:
                return 1;
            case benchmark::kSecond:
                return 1e3;
        }
        return 1;
    }
    std::map<std::string, Result> results_;
};

}  // namespace cubalorn::bench
