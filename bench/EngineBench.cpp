// Engine scaling: one page from texts of 10 KB to 10 MB in both modes, a job with a very large
// form file, the 10 MB inline text as an HTML5 page, and copying a file of the page's size as
// the floor. Prints a summary with MB/s and time ratios after Google Benchmark's own report.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchInputs.h"
#include "engine/GenThread.h"

namespace {

namespace fs = std::filesystem;
using benchinputs::WriteWholeFile;

constexpr long kSizes[] = {10'000, 100'000, 1'000'000, 10'000'000};

struct Workspace {
    fs::path dir;
    Workspace() {
        dir = fs::temp_directory_path() / ("pagewright-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir / "pages");
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
};

Workspace& Work() {
    static Workspace s_work;
    return s_work;
}

// Page size of each benchmark's page, for the copy floor.
std::map<std::string, std::uintmax_t>& PageSizes() {
    static std::map<std::string, std::uintmax_t> s_sizes;
    return s_sizes;
}

void RunJobs(benchmark::State& state, const std::string& strText, const std::string& strForm,
             const std::string& strSection, const std::string& strKey) {
    std::string strPage;
    for (auto _ : state) {
        state.PauseTiming();
        auto pJob = std::make_unique<CGenThread>(nullptr, strText, strForm, strSection, 0);
        state.ResumeTiming();
        pJob->GeneratePage();
        strPage = pJob->m_strResultFile;
        if (strPage.empty()) {
            state.SkipWithError("the job made no page");
            return;
        }
        state.PauseTiming();
        pJob.reset();
        // Every job creates its page afresh: an HTML5 page would not replace the last one but
        // take the next free name, so none is left for the next job to find.
        PageSizes()[strKey] = fs::file_size(strPage);
        fs::remove(strPage);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(strText.size()));
    state.counters["page_bytes"] = static_cast<double>(PageSizes()[strKey]);
}

void BM_InlinePage(benchmark::State& state) {
    const std::string strText = benchinputs::InlineText(static_cast<std::size_t>(state.range(0)));
    const std::string strForm = Work().Path("inline.frm");
    WriteWholeFile(strForm, benchinputs::SectionForm(Work().Path("pages"), 1));
    RunJobs(state, strText, strForm, "LAYOUT", "inline/" + std::to_string(state.range(0)));
}

// The same text as a standard HTML5 page: its styles are classes declared once in the head.
void BM_InlinePageHtml5(benchmark::State& state) {
    const std::string strText = benchinputs::InlineText(static_cast<std::size_t>(state.range(0)));
    const std::string strForm = Work().Path("inline-html5.frm");
    std::string strBytes = benchinputs::SectionForm(Work().Path("pages"), 1);
    strBytes.insert(strBytes.find('\n') + 1, "PAGE_FORMAT = HTML5\n");
    WriteWholeFile(strForm, strBytes);
    RunJobs(state, strText, strForm, "LAYOUT", "html5/" + std::to_string(state.range(0)));
}

void BM_SectionPage(benchmark::State& state) {
    std::size_t nBlocks = 0;
    const std::string strText =
        benchinputs::SectionText(static_cast<std::size_t>(state.range(0)), &nBlocks);
    const std::string strForm = Work().Path("section-" + std::to_string(state.range(0)) + ".frm");
    WriteWholeFile(strForm, benchinputs::SectionForm(Work().Path("pages"), nBlocks));
    RunJobs(state, strText, strForm, "LAYOUT", "section/" + std::to_string(state.range(0)));
}

void BM_LargeFormFile(benchmark::State& state) {
    const std::string strForm = Work().Path("large.frm");
    const std::string strBytes =
        benchinputs::LargeForm(Work().Path("pages"), static_cast<std::size_t>(state.range(0)),
                               static_cast<std::size_t>(state.range(1)));
    WriteWholeFile(strForm, strBytes);
    RunJobs(state, "Title<LB>first<T>second<LE>", strForm, "LAST", "largeform");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(strBytes.size()));
}

// The floor: copying a file as large as the page, through the same kind of system calls.
void BM_CopyFile(benchmark::State& state) {
    const std::string strSource = Work().Path("copy-source");
    const std::string strTarget = Work().Path("copy-target");
    WriteWholeFile(strSource, std::string(static_cast<std::size_t>(state.range(0)), 'x'));
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        const int in = ::open(strSource.c_str(), O_RDONLY);
        const int out = ::open(strTarget.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ssize_t n;
        while ((n = ::read(in, buffer.data(), buffer.size())) > 0) {
            if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n)
                state.SkipWithError("write failed");
        }
        ::close(in);
        ::close(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Collects every run so that the summary can put ratios side by side.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_seconds[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Seconds(const std::string& name) const {
        auto it = m_seconds.find(name);
        return it == m_seconds.end() ? -1 : it->second;
    }

private:
    std::map<std::string, double> m_seconds;
};

void PrintSummary(const CollectingReporter& reporter) {
    std::printf("\n## Engine scaling\n\n");
    std::printf("One page per job: form file load, settings, tokenizer and the page written to "
                "disk. *Copy* is copying a file of the page's size, measured in the same run.\n\n");
    std::printf("| mode | text | time | input MB/s | page | copy of page | job / copy | "
                "time / time of previous size |\n|---|---|---|---|---|---|---|---|\n");
    const struct {
        const char* szMode;
        const char* szBenchmark;
    } modes[] = {{"inline", "BM_InlinePage/"}, {"section", "BM_SectionPage/"}};
    for (const auto& mode : modes) {
        double dPrevious = -1;
        for (long nSize : kSizes) {
            const double dSeconds = reporter.Seconds(mode.szBenchmark + std::to_string(nSize));
            const auto nPage = PageSizes()[std::string(mode.szMode) + "/" + std::to_string(nSize)];
            const double dCopy = reporter.Seconds("BM_CopyFile/" + std::to_string(nPage));
            char szRatio[32] = "";
            if (dPrevious > 0)
                std::snprintf(szRatio, sizeof szRatio, "%.1fx", dSeconds / dPrevious);
            std::printf("| %s | %ld KB | %.3f ms | %.0f | %.0f KB | %.3f ms | %.1fx | %s |\n",
                        mode.szMode, nSize / 1000, dSeconds * 1e3, nSize / dSeconds / 1e6,
                        nPage / 1000.0, dCopy * 1e3, dSeconds / dCopy, szRatio);
            dPrevious = dSeconds;
        }
    }
    std::printf("\nA job whose form file has 10,000 sections and 100,000 lines, its layout "
                "section last: %.3f ms.\n",
                reporter.Seconds("BM_LargeFormFile/10000/100000") * 1e3);

    const std::string strSize = std::to_string(kSizes[std::size(kSizes) - 1]);
    const double dCompatible = reporter.Seconds("BM_InlinePage/" + strSize);
    const double dHtml5 = reporter.Seconds("BM_InlinePageHtml5/" + strSize);
    std::printf("\n## HTML5 page\n\nThe %s KB inline text as a compatible page and as an "
                "HTML5 page (PAGE_FORMAT = HTML5).\n\n| page | time | page size | time / "
                "compatible |\n|---|---|---|---|\n",
                std::to_string(kSizes[std::size(kSizes) - 1] / 1000).c_str());
    std::printf("| compatible | %.3f ms | %.0f KB | 1.00x |\n", dCompatible * 1e3,
                PageSizes()["inline/" + strSize] / 1000.0);
    std::printf("| HTML5 | %.3f ms | %.0f KB | %.2fx |\n", dHtml5 * 1e3,
                PageSizes()["html5/" + strSize] / 1000.0, dHtml5 / dCompatible);
}

} // namespace

void TextSizes(benchmark::internal::Benchmark* pBenchmark) {
    for (long nSize : kSizes)
        pBenchmark->Arg(nSize);
    pBenchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_InlinePage)->Apply(TextSizes);
BENCHMARK(BM_InlinePageHtml5)->Arg(kSizes[std::size(kSizes) - 1])->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionPage)->Apply(TextSizes);
BENCHMARK(BM_LargeFormFile)->Args({10'000, 100'000})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    // Run the page benchmarks first: the copy floor needs the sizes of the pages they made.
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::ClearRegisteredBenchmarks();
    for (const auto& [strKey, nBytes] : PageSizes())
        benchmark::RegisterBenchmark("BM_CopyFile", BM_CopyFile)
            ->Arg(static_cast<std::int64_t>(nBytes))
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
