// The conversion examples in tests/cases: every example there runs as one test named after its
// file and heading. How an example is written is told in tests/cases/README.md.
#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/Check.h"
#include "engine/GenThread.h"
#include "platform/textfile.h"
#include "tests/support/TestSupport.h"

namespace {

// The system's own words for a missing file and a missing folder end the messages about them.
#ifdef _WIN32
constexpr int kNoFile = ERROR_FILE_NOT_FOUND, kNoPath = ERROR_PATH_NOT_FOUND;
#else
constexpr int kNoFile = ENOENT, kNoPath = ENOENT;
#endif

struct Example {
    std::string name, where, error; // the test's name; file:line of its heading; its mistakes
    std::multimap<std::string, std::string> fields; // a key given twice keeps both, in order
    std::string Or(const std::string& key, const std::string& fallback = "") const {
        return fields.contains(key) ? fields.find(key)->second : fallback;
    }
    std::vector<std::string> All(const std::string& key) const {
        std::vector<std::string> out;
        for (auto [it, end] = fields.equal_range(key); it != end; ++it)
            out.push_back(it->second);
        return out;
    }
};

void PrintTo(const Example& e, std::ostream* os) {
    *os << e.where;
}

// \\ \n \r \t \v \f \xHH; a lone "\" at the end joins the next line without a line break.
std::string Unescape(const std::string& s, bool& join, std::string& error) {
    std::string out;
    join = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t escape = std::string("\\nrtvfx").find(s[i] == '\\' ? s[i + 1] : 'a');
        if (s[i] != '\\') {
            out += s[i];
        } else if (i + 1 == s.size()) {
            join = true;
        } else if (escape == std::string::npos ||
                   (escape == 6 &&
                    (i + 4 > s.size() || !std::isxdigit(s[i + 2]) || !std::isxdigit(s[i + 3])))) {
            error = "unknown escape " + s.substr(i, 2);
        } else if (++i; escape < 6) {
            out += "\\\n\r\t\v\f"[escape];
        } else {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

void Parse(const std::filesystem::path& file, std::vector<Example>& all) {
    std::ifstream in(file, std::ios::binary);
    std::map<std::string, std::string> forms; // the file's shared forms
    std::string line, *block = nullptr, error;
    bool fresh = false, join = false;
    Example* ex = nullptr;
    for (int n = 1, number = 0; std::getline(in, line); ++n) {
        if (block && line.starts_with("    ")) { // a block's line, or the next piece of one
            const bool joined = fresh || join;
            *block += (joined ? "" : "\n") + Unescape(line.substr(4), join, error);
            fresh = false;
            continue;
        }
        block = nullptr;
        fresh = true;
        if (line.empty() || line[0] == '#') {
        } else if (line.starts_with("=== ")) {
            // "pages_3_A_section_lays_out_...": the file, the example's number in it, the words.
            std::string id = file.stem().string() + "_" + std::to_string(++number);
            for (char c : line.substr(3))
                if (std::isalnum(static_cast<unsigned char>(c)) || id.back() != '_')
                    id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
            ex = &all.emplace_back(Example{id.substr(0, id.find_last_not_of('_') + 1),
                                           file.filename().string() + ":" + std::to_string(n),
                                           "",
                                           {}});
        } else if (line.starts_with("shared form: ")) {
            block = &forms[line.substr(13)];
        } else if (const std::size_t colon = line.find(": ");
                   ex && colon == std::string::npos && line.ends_with(":")) {
            block = &ex->fields.emplace(line.substr(0, line.size() - 1), "")->second;
        } else if (!ex || colon == std::string::npos) {
            error = "expected \"=== heading\", \"shared form: name\" or \"key: value\"";
        } else if (line.starts_with("form: ")) { // shared forms, and lines of its own may follow
            std::string form, names = line.substr(6) + " + ";
            for (std::size_t p; (p = names.find(" + ")) != std::string::npos; names.erase(0, p + 3))
                forms.contains(names.substr(0, p)) ? void(form += forms[names.substr(0, p)] + "\n")
                                                   : void(error = "no shared form " + names);
            block = &ex->fields.emplace("form", form)->second;
        } else {
            ex->fields.emplace(line.substr(0, colon),
                               Unescape(line.substr(colon + 2), join, error));
        }
        if (!error.empty()) {
            if (!ex)
                ex = &all.emplace_back(
                    Example{file.stem().string(), file.filename().string(), "", {}});
            ex->error += file.filename().string() + ":" + std::to_string(n) + ": " + error + "\n";
            error.clear();
        }
    }
}

std::vector<Example> LoadExamples() {
    std::vector<Example> all;
    for (const std::filesystem::path& file : std::set<std::filesystem::path>(
             std::filesystem::directory_iterator(PAGEWRIGHT_CASES_DIR), {}))
        if (file.extension() == ".txt")
            Parse(file, all);
    // Examples of a command line are run by the command's own runner, tests/tools.
    std::erase_if(all, [](const Example& e) { return e.fields.contains("command"); });
    return all;
}

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos))
        text.replace(pos, what.size(), with), pos += with.size();
    return text;
}

// One run a line: P: or L: for its kind, its text, and |NAME for its style.
std::string Runs(const CGenThread& job) {
    std::string out;
    for (std::size_t i = 0; i < job.m_arrTokenText.size(); ++i)
        out += (i ? "\n" : "") +
               std::string(job.m_arrTokenKind[i] == KIND_LIST_ITEM ? "L:" : "P:") +
               std::string(job.m_arrTokenText[i]) +
               (job.m_arrTokenStyle[i].empty() ? "" : "|" + std::string(job.m_arrTokenStyle[i]));
    return out.empty() ? "none" : out;
}

// One finding a line, as the command's text format prints it.
std::string Findings(const std::vector<engine::Diagnostic>& found) {
    std::string out;
    for (const engine::Diagnostic& d : found)
        out += (out.empty() ? "" : "\n") +
               (d.strFile.empty()
                    ? ""
                    : d.strFile + (d.nLine ? ":" + std::to_string(d.nLine) : "") + ": ") +
               (d.severity == engine::Severity::kError ? "error: " : "warning: ") +
               (d.nRequest < 0 ? "" : "request " + std::to_string(d.nRequest) + ": ") +
               d.strMessage;
    return out.empty() ? "none" : out;
}

class Examples : public testing::TestWithParam<Example> {};

TEST_P(Examples, Hold) {
    const Example& ex = GetParam();
    ASSERT_EQ("", ex.error);
    testsupport::TempDir formDir, outDir;
    platform::LocalDateTime now{};
    std::sscanf(ex.Or("clock", "2026-12-04 08:07:28").c_str(), "%d-%d-%d %d:%d:%d", &now.nYear,
                &now.nMonth, &now.nDay, &now.nHour, &now.nMinute, &now.nSecond);
    std::optional<testsupport::FixedClock> clock;
    ex.Or("clock") == "broken" ? clock.emplace(true) : clock.emplace(now);
    const auto fill = [&](std::string s) {
        s = ReplaceAll(s, "@FORM@", formDir.File("job.frm"));
        s = ReplaceAll(s, "@DIR@", formDir.Path().string());
        s = ReplaceAll(s, "@EXAMPLES@", PAGEWRIGHT_EXAMPLES_DIR);
        s = ReplaceAll(s, "@NOFILE@", platform::FileErrorText(kNoFile));
        s = ReplaceAll(s, "@NOPATH@", platform::FileErrorText(kNoPath));
        return ReplaceAll(s, "@DEST@", outDir.Path().string());
    };
    if (ex.fields.contains("form"))
        testsupport::WriteFile(formDir.File("job.frm"), fill(ex.Or("form")));
    const std::string formPath = fill(ex.Or("form path", "@FORM@"));
    if (ex.fields.contains("tokens")) {
        CGenThread job(nullptr, ex.Or("text"), "", "", 0);
        BOOL bInline = FALSE;
        const BOOL bOk = job.TokenizeText(&bInline);
        EXPECT_EQ(ex.Or("tokenized", "yes") == "yes", bOk != FALSE);
        EXPECT_EQ(ex.Or("inline styles", "no") == "yes", bInline != FALSE);
        ASSERT_EQ(job.m_arrTokenText.size(), job.m_arrTokenKind.size());
        ASSERT_EQ(job.m_arrTokenText.size(), job.m_arrTokenStyle.size());
        EXPECT_EQ(ex.Or("tokens"), Runs(job));
        EXPECT_TRUE(!bOk || job.RemainingText().empty()) << "success consumes all the text";
    } else if (ex.fields.contains("file name")) {
        const std::string name = ex.Or("file name");
        CGenThread job(nullptr, "", "", "", std::stoi(ex.Or("request")));
        job.m_strHtmlDestDir = ex.Or("destination");
        EXPECT_EQ(name, job.MakeHtmlFileName());
        EXPECT_EQ(name.substr(0, name.find("HTML")), job.m_strHtmlDestDir);
    } else if (ex.fields.contains("findings")) {
        std::vector<std::string> texts = ex.All("text");
        for (const std::string& name : ex.All("text file"))
            texts.push_back(testsupport::ReadFile(fill(name)));
        // Relative page folders are found from the current folder.
        for (const std::string& folder : ex.All("current folder holds"))
            std::filesystem::create_directories(outDir.Path() / folder);
        const auto cwd = std::filesystem::current_path();
        std::filesystem::current_path(outDir.Path());
        const auto found =
            engine::CheckForm({formPath, ex.Or("section"), ex.fields.contains("section"), texts});
        std::filesystem::current_path(cwd);
        EXPECT_EQ(fill(ex.Or("findings")), Findings(found));
    } else {
        const std::string pageFile = fill("@DEST@/HTML2026212242827228272.htm");
        if (ex.fields.contains("earlier file"))
            testsupport::WriteFile(pageFile, ex.Or("earlier file"));
        CGenThread job(nullptr, ex.Or("text"), formPath, ex.Or("section"), 7);
        // Two runs at a time: every page is then written from a token list cut again and again,
        // lists across the cuts included, and must come out as from the whole list.
        job.m_nPageTokenWindow = 2;
        job.GeneratePage();
        const bool whole = ex.fields.contains("page") || ex.fields.contains("page holds");
        const bool unfinished = ex.fields.contains("unfinished page");
        // An unfinished page need not say why: the examples of reasons do.
        if (ex.fields.contains("reason") || !unfinished) {
            EXPECT_EQ(fill(ex.Or("reason")), job.m_strFailReason);
        }
        EXPECT_EQ(whole ? pageFile : "", job.m_strResultFile);
        ASSERT_EQ(whole || unfinished ? 1u : 0u, testsupport::ListFiles(fill("@DEST@")).size());
        const std::string got = whole || unfinished ? testsupport::ReadFile(pageFile) : "";
        if (ex.fields.contains("page") || unfinished) {
            EXPECT_EQ(fill(ex.Or("page", ex.Or("unfinished page"))), got);
        }
        for (const std::string& piece : ex.All("page holds"))
            EXPECT_NE(std::string::npos, got.find(fill(piece))) << piece;
        for (const std::string& piece : ex.All("page lacks"))
            EXPECT_EQ(std::string::npos, got.find(fill(piece))) << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Examples, testing::ValuesIn(LoadExamples()),
                         [](const auto& info) { return info.param.name; });

} // namespace
