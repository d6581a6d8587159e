#include "BenchSupport.h"

#include <malloc.h>
#include <algorithm>
#include <cstdio>

namespace lorvane::bench {

namespace {

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            const std::string name = run.run_name.function_name;
            auto it = fastest.find(name);
            fastest[name] = it == fastest.end() ? seconds : std::min(it->second, seconds);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

std::map<std::string, double> runAndCollect(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.fastest;
}

bool hasAll(const std::map<std::string, double>& times, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (!times.count(name))
            return false;
    return true;
}

long long heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

void printSummary(const std::string& name, const std::string& figure, const std::string& goal) {
    std::printf("BENCH %s %s (goal %s)\n", name.c_str(), figure.c_str(), goal.c_str());
    std::fflush(stdout);
}

}  // namespace lorvane::bench
