// Speed and memory of the core on generated invoices of 100, 10,000 and
// 100,000 lines. Each figure is set beside a baseline measured in the same
// run: a bare Expat parse of the same bytes; the same bytes written as a save
// writes them (flushed to the disk, renamed), and in one plain write.

#include "generate.h"

#include "form/line_list.h"
#include "invoice/amounts.h"
#include "syntax/syntax.h"
#include "xml/xml.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tallomir;
using Clock = std::chrono::steady_clock;

namespace {

fs::path benchDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("tallomir-bench-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// Writes a generated file in a child, so the benchmark process stays small.
fs::path writtenInChild(const fs::path& path, bool (*write)(std::size_t, const std::string&),
                        std::size_t size) {
    const pid_t child = fork();
    if (child == 0)
        _exit(write(size, path.string()) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return path;
}

bool writeInvoice(std::size_t lines, const std::string& fileName) {
    return bench::writeGeneratedInvoice(static_cast<int>(lines), fileName);
}

bool writeCiiInvoice(std::size_t lines, const std::string& fileName) {
    return bench::writeGeneratedInvoice(static_cast<int>(lines), fileName, Syntax::Cii);
}

// The generated file of n lines, written once per run, in UBL or CII.
const fs::path& invoiceFile(int lines, Syntax syntax = Syntax::Ubl) {
    static std::map<std::pair<int, Syntax>, fs::path> files;
    auto found = files.find({lines, syntax});
    const std::string name =
        (syntax == Syntax::Cii ? "invoice-cii-" : "invoice-") + std::to_string(lines) + ".xml";
    if (found == files.end())
        found = files
                    .emplace(std::pair{lines, syntax},
                             writtenInChild(benchDir() / name,
                                            syntax == Syntax::Cii ? writeCiiInvoice : writeInvoice,
                                            static_cast<std::size_t>(lines)))
                    .first;
    return found->second;
}

// The invoice of 10 lines with an attached file of 10 MB, written once per run.
constexpr std::size_t attachedBytes = 10'000'000;
const fs::path& attachmentFile() {
    static const fs::path path =
        writtenInChild(benchDir() / "attachment.xml", bench::writeInvoiceWithAttachment, attachedBytes);
    return path;
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Expat with handlers that do nothing, fed from the file in the same chunks
// as the loader reads.
void bareExpatParse(const fs::path& path) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(
        parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
    XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
    FILE* file = std::fopen(path.c_str(), "rb");
    for (;;) {
        void* buffer = XML_GetBuffer(parser, 16384);
        const size_t n = std::fread(buffer, 1, 16384, file);
        if (XML_ParseBuffer(parser, static_cast<int>(n), n == 0) == XML_STATUS_ERROR || n == 0)
            break;
    }
    std::fclose(file);
    XML_ParserFree(parser);
}

// Peak memory of "tallomir-cli load" in a fresh process, less that of the same
// program doing nothing, against the file's size. A process's peak counts the
// memory of the process it was forked from, so this runs first, while the
// benchmark itself is still small.
long peakKiBOf(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss;
}

void measurePeakMemory(benchmark::State& state, const fs::path& file) {
    long peakKiB = 0, baseKiB = 0;
    for (auto _ : state) {
        baseKiB = peakKiBOf({TALLOMIR_CLI});
        peakKiB = peakKiBOf({TALLOMIR_CLI, "load", file.string()});
    }
    const double fileMB = static_cast<double>(fs::file_size(file)) / 1e6;
    const double peakMB = static_cast<double>(peakKiB - baseKiB) * 1024 / 1e6;
    state.counters["file_MB"] = fileMB;
    state.counters["peak_MB"] = peakMB;
    state.counters["ratio_to_file_size"] = peakMB / fileMB;
}

void BM_LoadPeakMemory(benchmark::State& state) {
    measurePeakMemory(state, invoiceFile(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadPeakMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CiiLoadPeakMemory(benchmark::State& state) {
    measurePeakMemory(state, invoiceFile(static_cast<int>(state.range(0)), Syntax::Cii));
}
BENCHMARK(BM_CiiLoadPeakMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same for the invoice with a 10 MB attachment: the peak against the
// file's size says how many copies of the attached text loading holds at once.
void BM_AttachmentLoadPeakMemory(benchmark::State& state) {
    measurePeakMemory(state, attachmentFile());
}
BENCHMARK(BM_AttachmentLoadPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void timeLoad(benchmark::State& state, const fs::path& file) {
    Form doc = makeForm(defaultCodeLists());
    Clock::duration load{}, bare{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        syntax::loadInvoiceFile(doc, file.string());
        auto t1 = Clock::now();
        bareExpatParse(file);
        auto t2 = Clock::now();
        load += t1 - t0;
        bare += t2 - t1;
        state.SetIterationTime(seconds(t1 - t0));
    }
    state.counters["bare_parse_ms"] = 1000 * seconds(bare) / static_cast<double>(state.iterations());
    state.counters["ratio_to_bare_parse"] = seconds(load) / seconds(bare);
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
}

void BM_Load(benchmark::State& state) {
    timeLoad(state, invoiceFile(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_Load)->Arg(100)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same bytes written as a save writes them, without the writer: a new file
// beside the target, one write, flushed to the disk, renamed over the target,
// and the folder flushed so that the rename is on the disk too.
void durableWrite(const std::string& bytes, const fs::path& target) {
    const fs::path temp = target.string() + ".tmp";
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fflush(out);
    ::fsync(::fileno(out));
    std::fclose(out);
    fs::rename(temp, target);
    const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(folder);
    ::close(folder);
}

void timeSave(benchmark::State& state, Form doc) {
    const fs::path target = benchDir() / "save.xml";
    const fs::path durable = benchDir() / "durable.xml";
    const fs::path plain = benchDir() / "plain.bin";
    syntax::saveInvoiceFile(doc, target.string());
    std::string bytes(fs::file_size(target), 'x');
    std::FILE* saved = std::fopen(target.c_str(), "rb");
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), saved));
    std::fclose(saved);
    Clock::duration save{}, kept{}, write{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        syntax::saveInvoiceFile(doc, target.string());
        auto t1 = Clock::now();
        durableWrite(bytes, durable);
        auto t2 = Clock::now();
        std::FILE* out = std::fopen(plain.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
        auto t3 = Clock::now();
        // Outside the times: what the plain write left in the cache is taken
        // to the disk here, not by the next save's flush.
        ::sync();
        save += t1 - t0;
        kept += t2 - t1;
        write += t3 - t2;
        state.SetIterationTime(seconds(t1 - t0));
    }
    const auto perIteration = [&](Clock::duration d) {
        return 1000 * seconds(d) / static_cast<double>(state.iterations());
    };
    state.counters["durable_write_ms"] = perIteration(kept);
    state.counters["ratio_to_durable_write"] = seconds(save) / seconds(kept);
    state.counters["plain_write_ms"] = perIteration(write);
    state.counters["ratio_to_plain_write"] = seconds(save) / seconds(write);
}

void BM_Save(benchmark::State& state) {
    timeSave(state, bench::generateInvoice(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_Save)->Arg(100)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Loading the invoice in CII (100, 10,000 and 100,000 lines) and saving it
// (100,000 lines), against the same baselines.
void BM_CiiLoad(benchmark::State& state) {
    timeLoad(state, invoiceFile(static_cast<int>(state.range(0)), Syntax::Cii));
}
BENCHMARK(BM_CiiLoad)->Arg(100)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CiiSave(benchmark::State& state) {
    Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    doc.syntax = Syntax::Cii;
    timeSave(state, std::move(doc));
}
BENCHMARK(BM_CiiSave)->Arg(100)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Loading and saving the invoice with a 10 MB attachment, against the same
// baselines as above.
void BM_AttachmentLoad(benchmark::State& state) {
    timeLoad(state, attachmentFile());
}
BENCHMARK(BM_AttachmentLoad)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_AttachmentSave(benchmark::State& state) {
    timeSave(state, bench::generateInvoiceWithAttachment(attachedBytes));
}
BENCHMARK(BM_AttachmentSave)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Recompute(benchmark::State& state) {
    Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        recomputeLines(doc);
        recomputeTotals(doc);
        benchmark::DoNotOptimize(doc.doc.payableAmount);
    }
}
BENCHMARK(BM_Recompute)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AddLine(benchmark::State& state) {
    Form doc = bench::generateInvoice(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        bench::typeAndAddLine(doc);
        state.PauseTiming();
        doc.currentLineIndex = static_cast<int>(doc.lines.size()) - 2;
        deleteLine(doc);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddLine)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(benchDir());
    return 0;
}
