// Whole processes, as a user runs them: `pagewright generate` beside md4c (through md4c_html)
// and cmark on texts of the same size and shape, and the peak resident memory of `pagewright
// generate` on large texts. Each process is timed from fork to wait4, and wait4 also gives its
// peak resident memory. Prints Markdown, with a table of the targets met and missed.
//
//   pagewright_process_bench --pagewright PATH [--md4c PATH] [--cmark PATH] [--reps N]
//
// The inputs are written by a child process and this process stays small, so that nothing of
// it shows in the children's memory beyond what the empty command `true` shows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "BenchInputs.h"
#include "engine/GenThread.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kCompareBytes = 10'000'000;
constexpr std::size_t kLargeBytes = 100'000'000;
constexpr int kLargeReps = 3;
// The bounds this run is judged against.
constexpr double kMaxTimeVsMd4c = 0.5;
constexpr double kMemoryAllowanceBytes = 16e6;
// `pagewright check` on forms of many sections: ten times the sections at most about ten times
// the time, and no more than twice what `pagewright generate` takes on the same form.
constexpr std::size_t kCheckSmallSections = 10'000;
constexpr std::size_t kCheckLargeSections = 100'000;
constexpr double kMaxCheckScaling = 11;
constexpr double kMaxCheckVsGenerate = 2;

// Thrown on any failure, so that the temporary directory (with its large files) is removed on
// the way out.
struct BenchFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& strWhy) {
    throw BenchFailure(strWhy);
}

struct Workspace {
    fs::path dir;
    Workspace() {
        std::string strTemplate = (fs::temp_directory_path() / "pagewright-procs-XXXXXX").string();
        if (!::mkdtemp(strTemplate.data()))
            Fail("cannot make a temporary directory");
        dir = strTemplate;
        fs::create_directories(dir / "pages");
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& strName) const { return (dir / strName).string(); }
};

// Runs fn in a child process, so that the memory it takes never belongs to this one.
void InChild(const std::function<void()>& fn) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        Fail("fork failed");
    if (pid == 0) {
        int nStatus = 0;
        try {
            fn();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "pagewright_process_bench: %s\n", e.what());
            nStatus = 1;
        }
        std::fflush(nullptr);
        ::_exit(nStatus);
    }
    int nStatus = 0;
    if (::waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0)
        Fail("writing the inputs failed");
}

struct Measure {
    double dSeconds = 0;
    long nMaxRssKiB = 0;
};

// Runs args[0] with args, standard output into strStdout and standard error into strStderr;
// fails the benchmark unless it exits with 0.
Measure RunProcess(const std::vector<std::string>& args, const std::string& strStdout,
                   const std::string& strStderr) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        Fail("fork failed");
    if (pid == 0) {
        const int out = ::open(strStdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(strStderr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(127);
        ::close(out);
        ::close(err);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int nStatus = 0;
    rusage usage{};
    if (::wait4(pid, &nStatus, 0, &usage) != pid)
        Fail("wait4 failed");
    Measure m;
    m.dSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    m.nMaxRssKiB = usage.ru_maxrss;
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
        std::ifstream in(strStderr);
        std::string strMessage((std::istreambuf_iterator<char>(in)), {});
        Fail(args[0] + " failed (status " + std::to_string(nStatus) + "): " + strMessage);
    }
    return m;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One program of the comparison: how to run it on an input, and what one run leaves.
struct Program {
    using Run = std::function<Measure(std::uintmax_t* pnOutputBytes)>;
    Program(std::string strName, std::string strCommand, Run run)
        : strName(std::move(strName)), strCommand(std::move(strCommand)), run(std::move(run)) {}

    std::string strName;    // as the tables show it
    std::string strCommand; // as the tables show it
    Run run;
    std::vector<double> arrSeconds;
    long nMaxRssKiB = 0;
    std::uintmax_t nOutputBytes = 0;

    void RunOnce() {
        const Measure m = run(&nOutputBytes);
        arrSeconds.push_back(m.dSeconds);
        nMaxRssKiB = std::max(nMaxRssKiB, m.nMaxRssKiB);
    }
};

// A pagewright run: the page it printed is measured and removed afterwards, so every run
// writes its page afresh.
Measure RunPagewright(const Workspace& work, const std::string& strPagewright,
                      const std::string& strForm, const std::string& strText,
                      std::uintmax_t* pnPageBytes) {
    const std::string strOut = work.Path("pagewright.out");
    const Measure m = RunProcess({strPagewright, "generate", "--form", strForm, "--section",
                                  "LAYOUT", "--text-file", strText},
                                 strOut, work.Path("pagewright.err"));
    std::ifstream in(strOut);
    std::string strPage;
    std::getline(in, strPage);
    std::error_code ec;
    *pnPageBytes = strPage.empty() ? 0 : fs::file_size(strPage, ec);
    if (strPage.empty() || ec || *pnPageBytes == 0)
        Fail("pagewright generate made no page from " + strText);
    fs::remove(strPage);
    return m;
}

Measure RunToFile(const std::vector<std::string>& args, const std::string& strStdout,
                  const std::string& strResult, const std::string& strStderr,
                  std::uintmax_t* pnOutputBytes) {
    const Measure m = RunProcess(args, strStdout, strStderr);
    std::error_code ec;
    *pnOutputBytes = fs::file_size(strResult, ec);
    if (ec || *pnOutputBytes == 0)
        Fail(args[0] + " wrote no output");
    fs::remove(strResult);
    return m;
}

double MB(double dBytes) {
    return dBytes / 1e6;
}
double KiBToMB(long nKiB) {
    return static_cast<double>(nKiB) * 1024 / 1e6;
}

struct Target {
    std::string strWhat, strMeasured, strBound;
    bool bMet;
};

std::string Format(const char* szFormat, double d) {
    char sz[64];
    std::snprintf(sz, sizeof sz, szFormat, d);
    return sz;
}

int Run(int argc, char** argv) {
    std::string strPagewright, strMd4c, strCmark;
    int nReps = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string strOption = argv[i];
        if (strOption == "--pagewright")
            strPagewright = argv[i + 1];
        else if (strOption == "--md4c")
            strMd4c = argv[i + 1];
        else if (strOption == "--cmark")
            strCmark = argv[i + 1];
        else if (strOption == "--reps")
            nReps = std::max(1, std::atoi(argv[i + 1]));
        else
            Fail("unknown option " + strOption);
    }
    if (argc % 2 == 0 || strPagewright.empty())
        Fail("usage: pagewright_process_bench --pagewright PATH [--md4c PATH] [--cmark PATH] "
             "[--reps N]");

    const Workspace work;
    const std::string strPages = work.Path("pages");
    const std::string strMarkdown = work.Path("text.md"), strInline = work.Path("inline.txt"),
                      strInlineForm = work.Path("inline.frm"),
                      strSection = work.Path("section.txt"),
                      strSectionForm = work.Path("section.frm");
    InChild([&] {
        benchinputs::WriteWholeFile(strMarkdown, benchinputs::MarkdownText(kCompareBytes));
        benchinputs::WriteWholeFile(strInline, benchinputs::MarkdownShapeText(kCompareBytes));
        benchinputs::WriteWholeFile(strInlineForm, benchinputs::MarkdownShapeForm(strPages));
        std::size_t nBlocks = 0;
        benchinputs::WriteWholeFile(strSection, benchinputs::SectionText(kCompareBytes, &nBlocks));
        benchinputs::WriteWholeFile(strSectionForm, benchinputs::SectionForm(strPages, nBlocks));
    });
    const auto nMarkdownBytes = fs::file_size(strMarkdown);
    const auto nInlineBytes = fs::file_size(strInline);
    const auto nSectionBytes = fs::file_size(strSection);
    const auto nSectionFormBytes = fs::file_size(strSectionForm);

    // The floor of the memory measure: a forked child starts with this process's pages.
    const Measure floor = RunProcess({"/bin/true"}, "/dev/null", "/dev/null");

    // A run of pagewright generate on one form and text.
    const auto pagewright = [&](const std::string& strForm, const std::string& strText) {
        return [&work, &strPagewright, strForm, strText](std::uintmax_t* pn) {
            return RunPagewright(work, strPagewright, strForm, strText, pn);
        };
    };
    std::vector<Program> programs;
    programs.push_back(
        {"Pagewright", "`pagewright generate --text-file`", pagewright(strInlineForm, strInline)});
    if (!strMd4c.empty()) {
        const std::string strHtml = work.Path("md4c.html");
        programs.push_back(
            {"md4c", "`md4c_html FILE OUT` (md_html)", [&, strHtml](std::uintmax_t* pn) {
                 return RunToFile({strMd4c, strMarkdown, strHtml}, "/dev/null", strHtml,
                                  work.Path("md4c.err"), pn);
             }});
    }
    if (!strCmark.empty()) {
        const std::string strHtml = work.Path("cmark.html");
        programs.push_back({"cmark", "`cmark FILE > OUT`", [&, strHtml](std::uintmax_t* pn) {
                                return RunToFile({strCmark, strMarkdown}, strHtml, strHtml,
                                                 work.Path("cmark.err"), pn);
                            }});
    }
    // One untimed round, so that every program and library is in the page cache, then the
    // rounds, each starting with the next program so that none always runs first.
    for (Program& program : programs) {
        std::uintmax_t n = 0;
        program.run(&n);
    }
    for (int r = 0; r < nReps; ++r)
        for (std::size_t k = 0; k < programs.size(); ++k)
            programs[(k + static_cast<std::size_t>(r)) % programs.size()].RunOnce();

    std::vector<Target> targets;
    std::printf("## Whole processes: Pagewright, md4c and cmark\n\n");
    std::printf(
        "Each program run as a process on a text of %.0f MB, from fork to exit, writing its HTML "
        "to a file; the median of %d runs, the programs taking turns (after one untimed round). "
        "The Markdown text repeats the unit below, numbered; Pagewright's text repeats the same "
        "words in its own markup. A Pagewright style applies to a whole run, never to words "
        "inside a paragraph, so a Markdown paragraph with a bold and an italic run becomes five "
        "runs: the two styled ones (`<<BOLD>>`, `<<ITALIC>>`) are written as paragraphs with a "
        "STYLE attribute, the text around them as plain paragraphs (`<<>>` goes back to the "
        "default style, which is none). Paragraphs are separated by `<T>`, the two-item list is "
        "`<LB>...<T>...<LE>`. The files are %zu bytes (Markdown) and %zu bytes (Pagewright); "
        "*max RSS* is the largest peak resident memory (wait4) of the runs.\n\n",
        MB(static_cast<double>(kCompareBytes)), nReps, static_cast<std::size_t>(nMarkdownBytes),
        static_cast<std::size_t>(nInlineBytes));
    std::printf("```\n%s```\n\n```\n%s\n```\n\n", benchinputs::MarkdownText(1).c_str(),
                benchinputs::MarkdownShapeText(1).c_str());
    std::printf("| program | command | input | time | input MB/s | output | max RSS |\n"
                "|---|---|---|---|---|---|---|\n");
    for (const Program& program : programs) {
        const double dBytes =
            static_cast<double>(&program == &programs[0] ? nInlineBytes : nMarkdownBytes);
        const double dSeconds = Median(program.arrSeconds);
        std::printf("| %s | %s | %.2f MB | %.1f ms | %.0f | %.2f MB | %.1f MB |\n",
                    program.strName.c_str(), program.strCommand.c_str(), MB(dBytes), dSeconds * 1e3,
                    MB(dBytes) / dSeconds, MB(static_cast<double>(program.nOutputBytes)),
                    KiBToMB(program.nMaxRssKiB));
    }
    const double dPagewright = Median(programs[0].arrSeconds);
    std::printf("\n");
    for (std::size_t k = 1; k < programs.size(); ++k) {
        const double dRatio = dPagewright / Median(programs[k].arrSeconds);
        std::printf("Pagewright / %s: %.2fx the time.\n", programs[k].strName.c_str(), dRatio);
        if (programs[k].strName == "md4c")
            targets.push_back({"time of `pagewright generate` / md4c, 10 MB inline text",
                               Format("%.2fx", dRatio), Format("at most %.2fx", kMaxTimeVsMd4c),
                               dRatio <= kMaxTimeVsMd4c});
    }
    if (strMd4c.empty())
        std::printf("md4c is not available on this machine (its driver was not built), so it has "
                    "no row and the time target against it is not judged.\n");
    if (strCmark.empty())
        std::printf("cmark is not available on this machine, so it has no row.\n");

    // Peak memory: the 10 MB inline text above, the 10 MB section job and a 100 MB inline text,
    // which exists only for these runs.
    Program section{"section", "", pagewright(strSectionForm, strSection)};
    for (int r = 0; r < nReps; ++r)
        section.RunOnce();
    const std::string strLarge = work.Path("large.txt");
    InChild([&] {
        benchinputs::WriteWholeFile(strLarge, benchinputs::MarkdownShapeText(kLargeBytes));
    });
    const auto nLargeBytes = fs::file_size(strLarge);
    Program large{"large", "", pagewright(strInlineForm, strLarge)};
    for (int r = 0; r < kLargeReps; ++r)
        large.RunOnce();
    fs::remove(strLarge);

    std::printf("\n## Memory of `pagewright generate`\n\n");
    std::printf(
        "Peak resident memory (wait4) of the whole `pagewright generate` process, the largest of "
        "its runs, against the text's size plus 16 MB (MB = 1,000,000 bytes). The inline texts "
        "are those of the table above (the 100 MB one made of the same units); the section job "
        "is the 10 MB plain text of the engine tables below with its form file (%.1f MB, one "
        "layout block per block of text). The empty command `true`, run the same way, shows "
        "%.1f MB.\n\n",
        MB(static_cast<double>(nSectionFormBytes)), KiBToMB(floor.nMaxRssKiB));
    std::printf("| job | text | runs | time (median) | page | max RSS | text + 16 MB |\n"
                "|---|---|---|---|---|---|---|\n");
    const struct {
        const char* szJob;
        const Program* pProgram;
        std::uintmax_t nText;
    } rows[] = {{"inline", &programs[0], nInlineBytes},
                {"section", &section, nSectionBytes},
                {"inline", &large, nLargeBytes}};
    for (const auto& row : rows) {
        const double dText = static_cast<double>(row.nText);
        const double dLimit = dText + kMemoryAllowanceBytes;
        const double dRss = static_cast<double>(row.pProgram->nMaxRssKiB) * 1024;
        std::printf("| %s | %.2f MB | %zu | %.1f ms | %.2f MB | %.1f MB | %.1f MB |\n", row.szJob,
                    MB(dText), row.pProgram->arrSeconds.size(),
                    Median(row.pProgram->arrSeconds) * 1e3,
                    MB(static_cast<double>(row.pProgram->nOutputBytes)), MB(dRss), MB(dLimit));
        targets.push_back({std::string("max RSS of `pagewright generate`, ") +
                               Format("%.0f MB ", MB(dText)) + row.szJob + " text",
                           Format("%.1f MB", MB(dRss)), Format("at most %.1f MB", MB(dLimit)),
                           dRss <= dLimit});
    }

    // check against generate on forms of many empty sections: checking reads the form as a job
    // does, and then looks at every section's name once.
    const std::string strSmallForm = work.Path("sections-small.frm"),
                      strLargeForm = work.Path("sections-large.frm"),
                      strWord = work.Path("word.txt");
    InChild([&] {
        benchinputs::WriteWholeFile(strSmallForm,
                                    benchinputs::EmptySectionsForm(strPages, kCheckSmallSections));
        benchinputs::WriteWholeFile(strLargeForm,
                                    benchinputs::EmptySectionsForm(strPages, kCheckLargeSections));
        benchinputs::WriteWholeFile(strWord, "Hello");
    });
    const auto check = [&](const std::string& strForm) {
        return [&work, &strPagewright, strForm](std::uintmax_t* pn) {
            *pn = 0;
            return RunProcess({strPagewright, "check", "--form", strForm}, work.Path("check.out"),
                              work.Path("check.err"));
        };
    };
    std::vector<Program> checks;
    checks.push_back({"check", "10,000", check(strSmallForm)});
    checks.push_back({"check", "100,000", check(strLargeForm)});
    checks.push_back({"generate", "100,000", pagewright(strLargeForm, strWord)});
    for (Program& program : checks) {
        std::uintmax_t n = 0;
        program.run(&n);
    }
    for (int r = 0; r < nReps; ++r)
        for (std::size_t k = 0; k < checks.size(); ++k)
            checks[(k + static_cast<std::size_t>(r)) % checks.size()].RunOnce();
    const double dCheckSmall = Median(checks[0].arrSeconds);
    const double dCheckLarge = Median(checks[1].arrSeconds);
    const double dGenerateLarge = Median(checks[2].arrSeconds);
    std::printf("\n## `pagewright check` on forms of many sections\n\n");
    std::printf(
        "Forms of [SYSTEM] and empty sections [S1] to [Sn], checked with `pagewright check --form "
        "FILE` (every section is checked as a layout), beside `pagewright generate` making a "
        "one-word page from the larger form; the median of %d runs, the three taking turns.\n\n",
        nReps);
    std::printf("| command | sections | time (median) | max RSS |\n|---|---|---|---|\n");
    for (const Program& program : checks)
        std::printf("| `pagewright %s` | %s | %.1f ms | %.1f MB |\n", program.strName.c_str(),
                    program.strCommand.c_str(), Median(program.arrSeconds) * 1e3,
                    KiBToMB(program.nMaxRssKiB));
    targets.push_back({"time of `pagewright check`, 100,000 / 10,000 sections",
                       Format("%.1fx", dCheckLarge / dCheckSmall),
                       Format("at most %.0fx", kMaxCheckScaling),
                       dCheckLarge / dCheckSmall <= kMaxCheckScaling});
    targets.push_back({"time of `pagewright check` / `pagewright generate`, 100,000 sections",
                       Format("%.2fx", dCheckLarge / dGenerateLarge),
                       Format("at most %.0fx", kMaxCheckVsGenerate),
                       dCheckLarge / dGenerateLarge <= kMaxCheckVsGenerate});

    // What a job holds besides its text, from the engine's own constants.
    constexpr std::size_t nRunBytes = 2 * sizeof(std::string_view) + sizeof(UINT);
    std::printf("\nBesides its text, a job holds one window of its token list, %zu runs of %zu "
                "bytes (%.0f KB), cut again from the text as the page is written: past the "
                "window, a run costs no memory at all. The page goes to its file in chunks of "
                "%zu KB.\n",
                CGenThread::kPageTokenWindow, nRunBytes,
                static_cast<double>(CGenThread::kPageTokenWindow * nRunBytes) / 1000,
                CGenThread::kChunkFlush / 1024);

    std::printf("\n### Targets of these processes\n\n| target | this run | bound | verdict |\n"
                "|---|---|---|---|\n");
    for (const Target& target : targets)
        std::printf("| %s | %s | %s | %s |\n", target.strWhat.c_str(), target.strMeasured.c_str(),
                    target.strBound.c_str(), target.bMet ? "met" : "missed");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const BenchFailure& e) {
        std::fprintf(stderr, "pagewright_process_bench: %s\n", e.what());
        return 1;
    }
}
