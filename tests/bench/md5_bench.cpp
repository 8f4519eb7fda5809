// Hashes one 256 MiB file with our MD5 and with the system's md5sum, in the
// same run, and prints how long ours takes relative to md5sum.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "update/md5.h"

namespace {

const size_t kFileSize = size_t(256) << 20;
std::string filePath;

// Returns the MD5 text of the file, read in blocks of blockSize bytes.
std::string HashFile(size_t blockSize)
{
    FILE* file = fopen(filePath.c_str(), "rb");
    if (!file)
        return std::string();
    std::vector<unsigned char> buffer(blockSize);
    Md5 md5;
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), file)) > 0;)
        md5.Update(buffer.data(), n);
    fclose(file);
    unsigned char digest[16];
    md5.Final(digest);
    return Md5Text(digest);
}

// Returns md5sum's text for the file.
std::string Md5sumFile()
{
    FILE* pipe = popen(("md5sum " + filePath).c_str(), "r");
    if (!pipe)
        return std::string();
    char line[512] = "";
    if (!fgets(line, sizeof line, pipe))
        line[0] = 0;
    pclose(pipe);
    return std::string(line).substr(0, 32);
}

// Returns the user plus system seconds used so far by this process or by its
// waited-for children.
double CpuSeconds(int who)
{
    struct rusage usage;
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs hash once per iteration and records the CPU seconds per iteration that
// the process (who) spent, which a busy machine disturbs less than real time.
template <typename Hash>
void Measure(benchmark::State& state, int who, Hash hash)
{
    double cpu = CpuSeconds(who);
    for (auto _ : state)
        benchmark::DoNotOptimize(hash());
    state.counters["cpu_s"] = (CpuSeconds(who) - cpu) / double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileSize));
}

void BM_Md5File_1KiB(benchmark::State& state)
{
    Measure(state, RUSAGE_SELF, [] { return HashFile(1024); });
}

void BM_Md5File_64KiB(benchmark::State& state)
{
    Measure(state, RUSAGE_SELF, [] { return HashFile(65536); });
}

// Hashing alone, over 16 MiB already in memory.
void BM_Md5Memory(benchmark::State& state)
{
    std::vector<unsigned char> data(16 << 20, 0x5A);
    for (auto _ : state)
        benchmark::DoNotOptimize(Md5OfBytes(data.data(), data.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void BM_Md5sum(benchmark::State& state)
{
    Measure(state, RUSAGE_CHILDREN, Md5sumFile);
}

BENCHMARK(BM_Md5File_1KiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_Md5File_64KiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_Md5Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md5sum)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// Keeps the fastest real and CPU time of each benchmark while printing as usual.
class FastestReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest, fastestCpu;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const std::string name = run.run_name.function_name;
            double seconds = run.GetAdjustedRealTime();
            if (!fastest.count(name) || seconds < fastest[name])
                fastest[name] = seconds;
            auto cpu = run.counters.find("cpu_s");
            if (cpu != run.counters.end() &&
                (!fastestCpu.count(name) || cpu->second.value < fastestCpu[name]))
                fastestCpu[name] = cpu->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    char path[] = "/tmp/md5-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return 1;
    filePath = path;
    std::mt19937 random(1321);
    std::vector<uint32_t> chunk(1 << 18);
    for (size_t written = 0; written < kFileSize; written += chunk.size() * 4) {
        for (auto& word : chunk)
            word = random();
        if (write(fd, chunk.data(), chunk.size() * 4) != ssize_t(chunk.size() * 4))
            return 1;
    }
    close(fd);

    const std::string ours = HashFile(1024), theirs = Md5sumFile();
    printf("ours %s  md5sum %s\n", ours.c_str(), theirs.c_str());
    if (ours != theirs || ours.empty()) {
        remove(path);
        fprintf(stderr, "digests differ\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    FastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    remove(path);

    const double md5sum = reporter.fastest["BM_Md5sum"];
    const double md5sumCpu = reporter.fastestCpu["BM_Md5sum"];
    for (const char* name : {"BM_Md5File_1KiB", "BM_Md5File_64KiB"}) {
        if (md5sum > 0 && md5sumCpu > 0 && reporter.fastest.count(name))
            printf("%s / md5sum: real time %.3f, CPU time %.3f (best of each)\n", name,
                   reporter.fastest[name] / md5sum, reporter.fastestCpu[name] / md5sumCpu);
    }
    return 0;
}
