// The conversion examples in tests/cases: every example there runs as one test named after its
// file and heading. How an example is written is told in tests/cases/README.md.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
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
    std::string name, where; // the test's name; file and line of the heading
    std::vector<std::pair<std::string, std::string>> fields;
    std::string error; // what is wrong with the example as written
    const std::string* Get(const std::string& key) const {
        for (const auto& [k, v] : fields)
            if (k == key)
                return &v;
        return nullptr;
    }
    std::string Or(const std::string& key, const std::string& fallback) const {
        const std::string* v = Get(key);
        return v ? *v : fallback;
    }
    std::vector<std::string> All(const std::string& key) const {
        std::vector<std::string> out;
        for (const auto& [k, v] : fields)
            if (k == key)
                out.push_back(v);
        return out;
    }
};

void PrintTo(const Example& e, std::ostream* os) {
    *os << e.where;
}

// Escapes: \\ \n \r \t \v \f \xHH; a lone "\" at the end joins the next line without a break.
std::string Unescape(const std::string& s, bool& join, std::string& error) {
    std::string out;
    join = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
        } else if (i + 1 == s.size()) {
            join = true;
        } else if (const char c = s[++i];
                   c == 'x' && i + 2 < s.size() && isxdigit(s[i + 1]) && isxdigit(s[i + 2])) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            const std::string from = "\\nrtvf", to = "\\\n\r\t\v\f";
            if (from.find(c) == std::string::npos)
                error = "unknown escape \\" + std::string(1, c);
            else
                out += to[from.find(c)];
        }
    }
    return out;
}

void Parse(const std::filesystem::path& file, std::vector<Example>& all) {
    std::ifstream in(file, std::ios::binary);
    std::map<std::string, std::string> forms; // the file's shared forms
    std::string line, *block = nullptr, error;
    bool fresh = false, join = false;
    int number = 0;
    Example* ex = nullptr;
    auto fail = [&](int n, const std::string& what) {
        if (!ex) {
            all.push_back({file.stem().string() + "_syntax", file.string(), {}, {}});
            ex = &all.back();
        }
        ex->error += file.filename().string() + ":" + std::to_string(n) + ": " + what + "\n";
    };
    for (int n = 1; std::getline(in, line); ++n) {
        if (block && line.starts_with("    ")) {
            const bool joined = fresh || join;
            *block += (joined ? "" : "\n") + Unescape(line.substr(4), join, error);
            fresh = false;
            continue;
        }
        block = nullptr;
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t colon = line.find(':');
        if (line.starts_with("=== ")) {
            // "pages_3_A_section_lays_out_...": the file, the example's number in it, the words.
            std::string id = file.stem().string() + "_" + std::to_string(++number) + "_";
            for (char c : line.substr(4))
                if (std::isalnum(static_cast<unsigned char>(c)))
                    id += c;
                else if (id.back() != '_')
                    id += '_';
            if (id.back() == '_')
                id.pop_back();
            all.push_back({id, file.filename().string() + ":" + std::to_string(n), {}, {}});
            ex = &all.back();
        } else if (line.starts_with("shared form: ")) {
            block = &forms[line.substr(13)];
            fresh = true;
        } else if (!ex || colon == std::string::npos) {
            fail(n, "expected \"=== name\", \"shared form: name\" or \"key: value\"");
        } else if (line.size() == colon + 1) {
            ex->fields.emplace_back(line.substr(0, colon), "");
            block = &ex->fields.back().second;
            fresh = true;
        } else if (line.compare(colon, 2, ": ") != 0) {
            fail(n, "a key is followed by \": \" and its value");
        } else if (line.starts_with("form: ")) {
            std::string form, names = line.substr(6) + " + ";
            for (std::size_t p; (p = names.find(" + ")) != std::string::npos;
                 names.erase(0, p + 3)) {
                const auto found = forms.find(names.substr(0, p));
                found == forms.end() ? fail(n, "no shared form " + names.substr(0, p))
                                     : void(form += found->second + "\n");
            }
            ex->fields.emplace_back("form", form);
            block = &ex->fields.back().second; // lines of the example's own may follow
            fresh = true;
        } else {
            ex->fields.emplace_back(line.substr(0, colon),
                                    Unescape(line.substr(colon + 2), join, error));
        }
        if (!error.empty())
            fail(n, error), error.clear();
    }
}

std::vector<Example> LoadExamples() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(PAGEWRIGHT_CASES_DIR))
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Example> all;
    for (const auto& file : files)
        Parse(file, all);
    return all;
}

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos))
        text.replace(pos, what.size(), with), pos += with.size();
    return text;
}

// A run as P:text or L:text, plus |style when it has one.
std::string Runs(const CGenThread& job) {
    std::string out;
    for (std::size_t i = 0; i < job.m_arrTokenText.size(); ++i) {
        out += (i ? "\n" : "") + std::string(job.m_arrTokenKind[i] == KIND_LIST_ITEM ? "L:" : "P:");
        out += std::string(job.m_arrTokenText[i]);
        if (!job.m_arrTokenStyle[i].empty())
            out += "|" + std::string(job.m_arrTokenStyle[i]);
    }
    return out.empty() ? "none" : out;
}

// A finding as the command's text format prints it.
std::string Findings(const std::vector<engine::Diagnostic>& found) {
    std::string out;
    for (const engine::Diagnostic& d : found) {
        out += out.empty() ? "" : "\n";
        if (!d.strFile.empty())
            out += d.strFile + (d.nLine ? ":" + std::to_string(d.nLine) : "") + ": ";
        out += d.severity == engine::Severity::kError ? "error: " : "warning: ";
        if (d.nRequest >= 0)
            out += "request " + std::to_string(d.nRequest) + ": ";
        out += d.strMessage;
    }
    return out.empty() ? "none" : out;
}

platform::LocalDateTime Clock(const std::string& text) {
    platform::LocalDateTime t{};
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &t.nYear, &t.nMonth, &t.nDay, &t.nHour,
                &t.nMinute, &t.nSecond);
    return t;
}

class Examples : public testing::TestWithParam<Example> {};

TEST_P(Examples, Hold) {
    const Example& ex = GetParam();
    ASSERT_EQ("", ex.error);
    testsupport::TempDir formDir, outDir;
    const std::string clock = ex.Or("clock", "2026-12-04 08:07:28");
    std::optional<testsupport::FixedClock> fixed;
    clock == "broken" ? fixed.emplace(true) : fixed.emplace(Clock(clock));
    const auto fill = [&](std::string s) {
        s = ReplaceAll(s, "@FORM@", formDir.File("job.frm"));
        s = ReplaceAll(s, "@DIR@", formDir.Path().string());
        s = ReplaceAll(s, "@EXAMPLES@", PAGEWRIGHT_EXAMPLES_DIR);
        s = ReplaceAll(s, "@NOFILE@", platform::FileErrorText(kNoFile));
        s = ReplaceAll(s, "@NOPATH@", platform::FileErrorText(kNoPath));
        return ReplaceAll(s, "@DEST@", outDir.Path().string());
    };
    if (const std::string* form = ex.Get("form"))
        testsupport::WriteFile(formDir.File("job.frm"), fill(*form));
    const std::string formPath = fill(ex.Or("form path", "@FORM@"));
    const std::string text = ex.Or("text", "");
    if (const std::string* tokens = ex.Get("tokens")) {
        CGenThread job(nullptr, text, "", "", 0);
        BOOL bInline = FALSE;
        const BOOL bOk = job.TokenizeText(&bInline);
        EXPECT_EQ(ex.Or("tokenized", "yes") == "yes", bOk != FALSE);
        EXPECT_EQ(ex.Or("inline styles", "no") == "yes", bInline != FALSE);
        ASSERT_EQ(job.m_arrTokenText.size(), job.m_arrTokenKind.size());
        ASSERT_EQ(job.m_arrTokenText.size(), job.m_arrTokenStyle.size());
        EXPECT_EQ(*tokens, Runs(job));
        EXPECT_TRUE(!bOk || job.RemainingText().empty()) << "success consumes all the text";
    } else if (const std::string* name = ex.Get("file name")) {
        CGenThread job(nullptr, "", "", "", std::stoi(ex.Or("request", "7")));
        job.m_strHtmlDestDir = ex.Or("destination", "");
        EXPECT_EQ(*name, job.MakeHtmlFileName());
        EXPECT_EQ(name->substr(0, name->find("HTML")), job.m_strHtmlDestDir);
    } else if (const std::string* findings = ex.Get("findings")) {
        // Relative page folders are found from the current folder.
        const auto cwd = std::filesystem::current_path();
        for (const std::string& folder : ex.All("current folder holds"))
            std::filesystem::create_directories(outDir.Path() / folder);
        std::filesystem::current_path(outDir.Path());
        std::vector<std::string> texts = ex.All("text");
        for (const std::string& name : ex.All("text file"))
            texts.push_back(testsupport::ReadFile(fill(name)));
        const std::string* section = ex.Get("section");
        EXPECT_EQ(fill(*findings), Findings(engine::CheckForm(
                                       {formPath, section ? *section : "", !!section, texts})));
        std::filesystem::current_path(cwd);
    } else {
        const std::string pageFile = fill(ex.Or("page file", "@DEST@/HTML2026212242827228272.htm"));
        if (const std::string* earlier = ex.Get("earlier file"))
            testsupport::WriteFile(pageFile, *earlier);
        CGenThread job(nullptr, text, formPath, ex.Or("section", ""),
                       std::stoi(ex.Or("request", "7")));
        job.GeneratePage();
        const std::string* page = ex.Get("page");
        const std::string* unfinished = ex.Get("unfinished page");
        const bool wrote = page || unfinished || ex.Get("page begins") || ex.Get("page holds");
        // A page left unfinished need not say why here: the reason examples do.
        if (const std::string* reason = ex.Get("reason"); reason || !unfinished) {
            EXPECT_EQ(fill(reason ? *reason : ""), job.m_strFailReason);
        }
        EXPECT_EQ(wrote && !unfinished ? pageFile : "", job.m_strResultFile);
        ASSERT_EQ(wrote ? 1u : 0u, testsupport::ListFiles(outDir.Path().string()).size());
        const std::string got = wrote ? testsupport::ReadFile(pageFile) : "";
        if (page || unfinished) {
            EXPECT_EQ(fill(page ? *page : *unfinished), got);
        }
        const std::string begins = fill(ex.Or("page begins", ""));
        EXPECT_EQ(begins, got.substr(0, begins.size()));
        for (const std::string& chunk : ex.All("page holds"))
            EXPECT_NE(std::string::npos, got.find(fill(chunk))) << chunk;
        for (const std::string& chunk : ex.All("page lacks"))
            EXPECT_EQ(std::string::npos, got.find(fill(chunk))) << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Examples, testing::ValuesIn(LoadExamples()),
                         [](const auto& info) { return info.param.name; });

} // namespace
