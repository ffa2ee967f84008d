// Engine scaling: one page from texts of 10 KB to 10 MB in both modes, jobs with form files of
// 10,000 and 100,000 lines, the 10 MB inline text as an HTML5 page, a page's file at a free and
// at a taken name, and copying a file of the page's size as the floor. Prints a summary with MB/s
// and time ratios after Google Benchmark's own report; with --targets also a table of the targets
// met and missed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "BenchInputs.h"
#include "engine/GenThread.h"
#include "platform/textfile.h"

namespace {

namespace fs = std::filesystem;
using benchinputs::WriteWholeFile;

constexpr long kSizes[] = {10'000, 100'000, 1'000'000, 10'000'000};
// Form files of ten lines a section, the layout section last.
constexpr long kFormLines[] = {10'000, 100'000};
constexpr long kLinesPerSection = 10;
// The bounds a run is judged against: a job at most twice the copy of its page, ten times the
// input at most 11 times the time.
constexpr double kMaxJobVsCopy = 2.0;
constexpr double kMaxTenfold = 11.0;

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

// Lines of each large form file, by the line count asked for.
std::map<long, long>& FormLineCounts() {
    static std::map<long, long> s_lines;
    return s_lines;
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

// The 10 MB inline text with TEXT_ESCAPING = HTML: range 0 is the page format (0 compatible, 1
// HTML5), range 1 whether every run holds characters to escape (a quote, "&" and "'").
void BM_InlinePageEscaped(benchmark::State& state) {
    std::string strText = benchinputs::InlineText(kSizes[std::size(kSizes) - 1]);
    if (state.range(1) != 0) {
        for (std::size_t n = 0; (n = strText.find("plain words here", n)) != std::string::npos;)
            strText.replace(n, 16, "plain \"words\" & 'here'");
    }
    const bool bHtml5 = state.range(0) != 0;
    const std::string strKey = std::string("escaped/") + (bHtml5 ? "html5/" : "compatible/") +
                               std::to_string(state.range(1));
    const std::string strForm = Work().Path("escaped-" + std::to_string(state.range(0)) + ".frm");
    std::string strBytes = benchinputs::SectionForm(Work().Path("pages"), 1);
    strBytes.insert(strBytes.find('\n') + 1, std::string("TEXT_ESCAPING = HTML\n") +
                                                 (bHtml5 ? "PAGE_FORMAT = HTML5\n" : ""));
    WriteWholeFile(strForm, strBytes);
    RunJobs(state, strText, strForm, "LAYOUT", strKey);
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
    FormLineCounts()[state.range(1)] = std::count(strBytes.begin(), strBytes.end(), '\n');
    RunJobs(state, "Title<LB>first<T>second<LE>", strForm, "LAST",
            "largeform/" + std::to_string(state.range(1)));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(strBytes.size()));
}

// The floor: copying a file as large as the page, through the same kind of system calls. Like
// each job's page, the copy is a new file every time: the last one is removed between runs,
// outside the timing.
void BM_CopyFile(benchmark::State& state) {
    const std::string strSource = Work().Path("copy-source");
    const std::string strTarget = Work().Path("copy-target");
    WriteWholeFile(strSource, std::string(static_cast<std::size_t>(state.range(0)), 'x'));
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(strTarget);
        state.ResumeTiming();
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

// The page's file alone, 4 KB like a batch's page: made where its name is free (arg 0), where an
// older page of that name stands (arg 1: a new file under a name of its own, moved onto the
// page's), and, for reference, that older page opened and emptied in place as a page once was
// (arg 2), which writes through whatever link stands there.
void BM_PageFile(benchmark::State& state) {
    const std::string strPage = Work().Path("pages/file.htm");
    const std::string strBody(4096, 'x');
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) != 0)
            WriteWholeFile(strPage, "older");
        else
            fs::remove(strPage);
        state.ResumeTiming();
        if (state.range(0) == 2) {
            const int fd = ::open(strPage.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0 || ::write(fd, strBody.data(), strBody.size()) < 0 || ::close(fd) != 0)
                state.SkipWithError("the page file cannot be written in place");
            continue;
        }
        platform::TextFileWriter file;
        if (!file.Create(strPage)) {
            state.SkipWithError("the page file cannot be made");
            return;
        }
        file.WriteString(strBody);
        file.Close();
    }
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

struct Target {
    std::string strWhat;
    double dMeasured;
    double dBound;
};

void PrintSummary(const CollectingReporter& reporter, bool bTargets) {
    std::vector<Target> targets;
    std::printf("\n## Engine scaling\n\n");
    std::printf("One page per job, in the engine without the object or a process: form file "
                "load, settings, tokenizer and the page written to disk. *Copy* is copying a file "
                "of the page's size, measured in the same run. Page and copy are new files every "
                "time (the last one is removed outside the timing), since rewriting a file that "
                "holds data costs several times more on this machine's file system. The last "
                "column compares each size with the one ten times smaller (so the 10000 KB rows "
                "give 10 MB / 1 MB).\n\n");
    std::printf("| mode | text | time | input MB/s | page | copy of page | job / copy | "
                "time / time of previous size |\n|---|---|---|---|---|---|---|---|\n");
    const struct {
        const char* szMode;
        const char* szBenchmark;
    } modes[] = {{"inline", "BM_InlinePage/"}, {"section", "BM_SectionPage/"}};
    for (const auto& mode : modes) {
        double dPrevious = -1, dRatio = -1, dWorstVsCopy = -1;
        long nWorstSize = 0;
        bool bComplete = true;
        for (long nSize : kSizes) {
            const double dSeconds = reporter.Seconds(mode.szBenchmark + std::to_string(nSize));
            const auto nPage = PageSizes()[std::string(mode.szMode) + "/" + std::to_string(nSize)];
            const double dCopy = reporter.Seconds("BM_CopyFile/" + std::to_string(nPage));
            char szRatio[32] = "";
            dRatio = dPrevious > 0 && dSeconds > 0 ? dSeconds / dPrevious : -1;
            if (dRatio > 0)
                std::snprintf(szRatio, sizeof szRatio, "%.1fx", dRatio);
            std::printf("| %s | %ld KB | %.3f ms | %.0f | %.0f KB | %.3f ms | %.1fx | %s |\n",
                        mode.szMode, nSize / 1000, dSeconds * 1e3, nSize / dSeconds / 1e6,
                        nPage / 1000.0, dCopy * 1e3, dSeconds / dCopy, szRatio);
            if (dSeconds <= 0 || dCopy <= 0)
                bComplete = false; // filtered out: no verdict
            else if (dSeconds / dCopy > dWorstVsCopy) {
                dWorstVsCopy = dSeconds / dCopy;
                nWorstSize = nSize;
            }
            dPrevious = dSeconds;
        }
        targets.push_back({std::string("job / copy, ") + mode.szMode + " text, the largest of " +
                               "10 KB to 10 MB (at " + std::to_string(nWorstSize / 1000) + " KB)",
                           bComplete ? dWorstVsCopy : -1, kMaxJobVsCopy});
        targets.push_back(
            {std::string("time of the 10 MB ") + mode.szMode + " job / time of the 1 MB one",
             dRatio, kMaxTenfold});
    }

    std::printf("\n### Large form files\n\nA job with a short text and a form file of ten lines a "
                "section, the layout section last, so that the whole file is read and searched."
                "\n\n| form file | time | time / time of previous size |\n|---|---|---|\n");
    double dPrevious = -1;
    for (long nLines : kFormLines) {
        const double dSeconds =
            reporter.Seconds("BM_LargeFormFile/" + std::to_string(nLines / kLinesPerSection) + "/" +
                             std::to_string(nLines));
        char szRatio[32] = "";
        if (dPrevious > 0)
            std::snprintf(szRatio, sizeof szRatio, "%.1fx", dSeconds / dPrevious);
        std::printf("| %ld lines, %ld sections | %.3f ms | %s |\n", FormLineCounts()[nLines],
                    nLines / kLinesPerSection, dSeconds * 1e3, szRatio);
        if (nLines != kFormLines[0])
            targets.push_back(
                {"time of the job with " + std::to_string(nLines) +
                     " form lines / time of the one with " + std::to_string(nLines / 10),
                 dPrevious > 0 && dSeconds > 0 ? dSeconds / dPrevious : -1, kMaxTenfold});
        dPrevious = dSeconds;
    }

    const std::string strSize = std::to_string(kSizes[std::size(kSizes) - 1]);
    const double dCompatible = reporter.Seconds("BM_InlinePage/" + strSize);
    const double dHtml5 = reporter.Seconds("BM_InlinePageHtml5/" + strSize);
    std::printf("\n### HTML5 page\n\nThe %s KB inline text as a compatible page and as an "
                "HTML5 page (PAGE_FORMAT = HTML5).\n\n| page | time | page size | time / "
                "compatible |\n|---|---|---|---|\n",
                std::to_string(kSizes[std::size(kSizes) - 1] / 1000).c_str());
    std::printf("| compatible | %.3f ms | %.0f KB | 1.00x |\n", dCompatible * 1e3,
                PageSizes()["inline/" + strSize] / 1000.0);
    std::printf("| HTML5 | %.3f ms | %.0f KB | %.2fx |\n", dHtml5 * 1e3,
                PageSizes()["html5/" + strSize] / 1000.0, dHtml5 / dCompatible);

    const double dHtml5Escaped = reporter.Seconds("BM_InlinePageEscaped/1/0");
    std::printf("\n### Escaped text\n\nThe same text with TEXT_ESCAPING = HTML; \"every run\" "
                "has each \"plain words here\" written plain \"words\" & 'here'.\n\n| page | "
                "time | page size | time / the same page unescaped |\n|---|---|---|---|\n");
    std::printf("| compatible, escaped | %.3f ms | %.0f KB | %.2fx |\n",
                reporter.Seconds("BM_InlinePageEscaped/0/0") * 1e3,
                PageSizes()["escaped/compatible/0"] / 1000.0,
                reporter.Seconds("BM_InlinePageEscaped/0/0") / dCompatible);
    std::printf("| HTML5, escaped | %.3f ms | %.0f KB | %.2fx |\n", dHtml5Escaped * 1e3,
                PageSizes()["escaped/html5/0"] / 1000.0, dHtml5Escaped / dHtml5);
    std::printf("| compatible, escaped, something to escape in every run | %.3f ms | %.0f KB | "
                "- |\n",
                reporter.Seconds("BM_InlinePageEscaped/0/1") * 1e3,
                PageSizes()["escaped/compatible/1"] / 1000.0);

    const double dFree = reporter.Seconds("BM_PageFile/0");
    std::printf("\n### The page's file\n\nA 4 KB page file made where its name is free, where an "
                "older page of that name stands (a new file under a name of its own, moved onto "
                "the page's name), and that older page opened and emptied in place instead, as a "
                "page once was (which writes through a link at the name).\n\n| page file | time | "
                "time / free name |\n|---|---|---|\n");
    const char* const szNames[] = {"at a free name", "over an older page",
                                   "over an older page, emptied in place (reference)"};
    for (int i = 0; i < 3; ++i) {
        const double d = reporter.Seconds("BM_PageFile/" + std::to_string(i));
        std::printf("| %s | %.1f us | %.2fx |\n", szNames[i], d * 1e6, d / dFree);
    }

    if (!bTargets)
        return;
    std::printf("\n### Targets of the engine\n\n| target | this run | bound | verdict |\n"
                "|---|---|---|---|\n");
    for (const Target& target : targets) {
        if (target.dMeasured <= 0) {
            std::printf("| %s | not measured | at most %.1fx | missed |\n", target.strWhat.c_str(),
                        target.dBound);
            continue;
        }
        std::printf("| %s | %.1fx | at most %.1fx | %s |\n", target.strWhat.c_str(),
                    target.dMeasured, target.dBound,
                    target.dMeasured <= target.dBound ? "met" : "missed");
    }
}

} // namespace

void TextSizes(benchmark::internal::Benchmark* pBenchmark) {
    for (long nSize : kSizes)
        pBenchmark->Arg(nSize);
    pBenchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_InlinePage)->Apply(TextSizes);
BENCHMARK(BM_InlinePageHtml5)->Arg(kSizes[std::size(kSizes) - 1])->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InlinePageEscaped)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionPage)->Apply(TextSizes);
BENCHMARK(BM_PageFile)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
void FormSizes(benchmark::internal::Benchmark* pBenchmark) {
    for (long nLines : kFormLines)
        pBenchmark->Args({nLines / kLinesPerSection, nLines});
    pBenchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LargeFormFile)->Apply(FormSizes);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // Our own option, left in argv by Google Benchmark.
    bool bTargets = false;
    for (int i = 1; i < argc; ++i)
        bTargets = bTargets || std::string_view(argv[i]) == "--targets";
    CollectingReporter reporter;
    // Run the page benchmarks first: the copy floor needs the sizes of the pages they made.
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::ClearRegisteredBenchmarks();
    for (const auto& [strKey, nBytes] : PageSizes())
        benchmark::RegisterBenchmark("BM_CopyFile", BM_CopyFile)
            ->Arg(static_cast<std::int64_t>(nBytes))
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter, bTargets);
    benchmark::Shutdown();
    return 0;
}
