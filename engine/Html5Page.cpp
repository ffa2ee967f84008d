// The HTML5 page: a standard page that renders as its form file asks. The same items as the
// compatible page, but styles as CSS classes in one style sheet, lists outside paragraphs,
// pictures as URLs with alternative text, and a head that names the page's encoding and
// language.
#include <algorithm>
#include <vector>

#include "engine/GenThread.h"
#include "engine/PageRenderer.h"
#include "engine/TextUtil.h"
#include "engine/Vocabulary.h"
#include "platform/charset.h"

namespace engine {
namespace {

void AppendHexByte(std::string& out, char cPrefix, unsigned char c) {
    out += cPrefix;
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0xF];
}

// "http://host/x", "file:///x": a scheme (a letter, then letters, digits, "+", "-" or ".", two
// characters at least, so that a drive letter is no scheme) and "://".
bool IsUrl(std::string_view name) {
    const std::size_t nColon = name.find("://");
    if (nColon == std::string_view::npos || nColon < 2 || !IsAsciiLetter(name[0]))
        return false;
    return std::all_of(
        name.begin() + 1, name.begin() + static_cast<std::ptrdiff_t>(nColon), [](char c) {
            return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.';
        });
}

bool HasDrive(std::string_view path) {
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && IsDirSeparator(path[2]);
}

// Percent-encodes everything but the characters a URL path holds as they are; ":" is encoded
// too, since in the first segment of a relative URL it would read as the end of a scheme.
void AppendUrlPath(std::string& out, std::string_view path) {
    static constexpr std::string_view kPlain = "-._~!$'()*+,=@/";
    for (char c : path) {
        if (IsAsciiLetter(c) || IsAsciiDigit(c) || kPlain.find(c) != std::string_view::npos)
            out += c;
        else
            AppendHexByte(out, '%', static_cast<unsigned char>(c));
    }
}

// A file path as a URL: absolute paths (a drive, "/" or "\", "\\server\share") as "file:" URLs,
// others as relative URLs, which browsers take from the page's own folder. The bytes of a URL
// are UTF-8 whatever the page's encoding.
std::string FileUrl(std::string_view path) {
    std::string strPath = platform::AnsiToUtf8(path);
    std::replace(strPath.begin(), strPath.end(), '\\', '/');
    std::string strUrl;
    std::string_view rest = strPath;
    if (StartsWith(rest, "//")) {
        strUrl = "file:"; // file://server/share/...
    } else if (HasDrive(rest)) {
        strUrl = "file:///";
        strUrl += rest.substr(0, 2);
        rest.remove_prefix(2);
    } else if (StartsWith(rest, "/")) {
        strUrl = "file://";
    }
    AppendUrlPath(strUrl, rest);
    return strUrl;
}

std::string UrlOf(std::string_view name) {
    return IsUrl(name) ? std::string(name) : FileUrl(name);
}

// A style name as a class name that needs no escaping in HTML or CSS: ASCII letters stay, and
// digits and "-" after the first character; every other byte becomes "_" and its two hex
// digits ("_" itself too, so no two names meet), and the empty name is "_".
std::string ClassName(std::string_view name) {
    std::string strClass;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (IsAsciiLetter(c) || (i > 0 && (IsAsciiDigit(c) || c == '-')))
            strClass += c;
        else
            AppendHexByte(strClass, '_', static_cast<unsigned char>(c));
    }
    return strClass.empty() ? "_" : strClass;
}

// The Content-Security-Policy of an HTML5 page with TEXT_ESCAPING = HTML.
constexpr std::string_view kNoScriptPolicy =
    "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'; object-src "
    "'none'\">\n";

class CHtml5Renderer final : public CPageRenderer {
public:
    explicit CHtml5Renderer(CGenThread& job)
        : m_job(job),
          m_bPicDirGiven(!m_job.m_formFile.GetValue(kSystemSection, keys::kPicSourceDir).empty()) {}

    std::string Head() override;
    std::string_view Tail() const override { return "</body>\n</html>\n"; }

    void Paragraph(std::string& out, const ItemStyle& style, std::string_view text) override {
        WriteParagraph(out, style, text, m_job.m_nTextEscaping);
    }
    void ListBegin(std::string& out, const ItemStyle& style, bool bNumbered) override {
        OpenList(out, bNumbered, style);
    }
    void ListItems(std::string& out, std::span<const std::string_view> items) override {
        AppendListItems(out, items, "<li>", "</li>", m_job.m_nTextEscaping);
    }
    void ListEnd(std::string& out, const ItemStyle&, bool bNumbered) override {
        out += bNumbered ? "</ol>\n" : "</ul>\n";
    }
    void Picture(std::string& out, const ItemStyle& style, const std::string& strArgument) override;
    void Literal(std::string& out, const ItemStyle& style, std::string_view html) override {
        // The form's own HTML is never escaped.
        WriteParagraph(out, style, html, TextEscaping::kNone);
    }
    void Rule(std::string& out) override { out += "<hr>\n"; }
    void LineBreak(std::string& out) override { out += "<br>\n"; }
    void PlainParagraph(std::string& out, std::string_view run) override {
        if (!m_bDefaultStyleKnown) {
            m_defaultStyle = DefaultStyle();
            m_bDefaultStyleKnown = true;
        }
        Paragraph(out, m_defaultStyle, run);
    }

    bool NeedsStyleCensus() const override { return true; }
    std::unique_ptr<CPageRenderer> StyleCensus() override;

    // Counts a style into the style sheet, once, in the order of first use.
    void Use(const ItemStyle& style) {
        if (style.name.empty())
            return;
        StyleEntry& entry = EntryOf(style);
        if (!entry.bInStyleSheet) {
            entry.bInStyleSheet = true;
            m_arrUsed.emplace_back(style.name);
        }
    }
    // Starts the count afresh, for a page of its own.
    void ForgetUsed() {
        for (auto& [strName, entry] : m_job.m_mapStyles)
            entry.bInStyleSheet = false;
        m_arrUsed.clear();
    }
    ItemStyle DefaultStyle() const {
        const std::string& strName = m_job.m_strDefaultStyle;
        if (strName.empty())
            return {};
        StyleEntry& entry = m_job.StyleOf(strName);
        if (entry.strAttribute.empty())
            return {};
        return {strName, entry.strAttribute, &entry};
    }

private:
    // The walk hands the entry over where it has it; a page of many runs looks each up once.
    StyleEntry& EntryOf(const ItemStyle& style) const {
        return style.pEntry ? *style.pEntry : m_job.StyleOf(style.name);
    }
    // "<p>", or "<p class="NAME">" for a style (the opening most items have, made once).
    void OpenParagraph(std::string& out, const ItemStyle& style) {
        if (style.name.empty()) {
            out += "<p>";
            return;
        }
        StyleEntry& entry = EntryOf(style);
        if (entry.strParagraphOpening.empty())
            entry.strParagraphOpening = "<p class=\"" + ClassOf(entry, style.name) + "\">";
        out += entry.strParagraphOpening;
    }
    void WriteParagraph(std::string& out, const ItemStyle& style, std::string_view text,
                        TextEscaping escaping) {
        OpenParagraph(out, style);
        AppendRunText(out, text, escaping);
        out += "</p>\n";
    }
    void OpenList(std::string& out, bool bNumbered, const ItemStyle& style) {
        out += bNumbered ? "<ol" : "<ul";
        if (!style.name.empty()) {
            out += " class=\"";
            out += ClassOf(EntryOf(style), style.name);
            out += '"';
        }
        out += '>';
    }
    static const std::string& ClassOf(StyleEntry& entry, std::string_view name) {
        if (entry.strClass.empty())
            entry.strClass = ClassName(name);
        return entry.strClass;
    }

    CGenThread& m_job;
    const bool m_bPicDirGiven;
    std::vector<std::string> m_arrUsed;
    ItemStyle m_defaultStyle; // for PlainParagraph, looked up at its first run
    bool m_bDefaultStyleKnown = false;
};

// Writes nothing; notes the styles of the items into the page's renderer.
class CStyleCensus final : public CPageRenderer {
public:
    explicit CStyleCensus(CHtml5Renderer& page) : m_page(page) {}
    std::string Head() override { return {}; }
    std::string_view Tail() const override { return {}; }
    void Paragraph(std::string&, const ItemStyle& style, std::string_view) override {
        m_page.Use(style);
    }
    void ListBegin(std::string&, const ItemStyle& style, bool) override { m_page.Use(style); }
    void ListItems(std::string&, std::span<const std::string_view>) override {}
    void ListEnd(std::string&, const ItemStyle&, bool) override {}
    void Picture(std::string&, const ItemStyle& style, const std::string&) override {
        m_page.Use(style);
    }
    void Literal(std::string&, const ItemStyle& style, std::string_view) override {
        m_page.Use(style);
    }
    void Rule(std::string&) override {}
    void LineBreak(std::string&) override {}
    void PlainParagraph(std::string&, std::string_view) override {
        m_page.Use(m_page.DefaultStyle());
    }

private:
    CHtml5Renderer& m_page;
};

std::unique_ptr<CPageRenderer> CHtml5Renderer::StyleCensus() {
    ForgetUsed();
    return std::make_unique<CStyleCensus>(*this);
}

std::string CHtml5Renderer::Head() {
    std::string strHead = "<!DOCTYPE html>\n<html lang=\"";
    strHead += m_job.m_strPageLanguage;
    strHead += "\">\n<head>\n<meta charset=\"";
    strHead += platform::AnsiCharsetName();
    strHead += "\">\n";
    // A page that takes care to make its text inert also forbids scripts, which it has none
    // of, and plugins: then not even a form's raw HTML can run one.
    if (m_job.m_nTextEscaping == TextEscaping::kHtml)
        strHead += kNoScriptPolicy;
    strHead += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<title>";
    strHead += kPageTitle;
    strHead += "</title>\n<style>\nbody { background-color: #FFFFFF";
    // The background picture stands as the form gives it, without the picture folder, as on
    // the compatible page.
    if (!m_job.m_strBackgroundPic.empty()) {
        strHead += "; background-image: url(";
        AppendCssString(strHead, UrlOf(m_job.m_strBackgroundPic));
        strHead += ')';
    }
    strHead += " }\n";
    std::string strDeclarations;
    for (const std::string& strName : m_arrUsed) {
        m_job.BuildStyleRule(strName, strDeclarations);
        strHead += '.';
        strHead += ClassName(strName);
        strHead += " { ";
        strHead += strDeclarations;
        strHead += strDeclarations.empty() ? "}\n" : " }\n";
    }
    strHead += "</style>\n</head>\n<body>\n";
    return strHead;
}

void CHtml5Renderer::Picture(std::string& out, const ItemStyle& style,
                             const std::string& strArgument) {
    // "<PICTURE>name|alternative text": a file name cannot hold "|" on Windows, and hardly
    // ever does elsewhere.
    const std::size_t nBar = strArgument.find('|');
    const std::string_view name = TrimView(std::string_view(strArgument).substr(0, nBar));
    const std::string_view alt = nBar == std::string::npos
                                     ? std::string_view()
                                     : TrimView(std::string_view(strArgument).substr(nBar + 1));
    std::string strUrl;
    if (IsUrl(name) || !m_bPicDirGiven || HasDrive(name) ||
        (!name.empty() && IsDirSeparator(name[0])))
        strUrl = UrlOf(name);
    else
        strUrl = FileUrl(m_job.m_strPicSourceDir + std::string(name));
    OpenParagraph(out, style);
    out += "<img src=\"";
    AppendAttributeText(out, strUrl);
    out += "\" alt=\"";
    AppendAttributeText(out, alt);
    out += "\"></p>\n";
}

} // namespace

std::unique_ptr<CPageRenderer> MakeHtml5Renderer(CGenThread& job) {
    return std::make_unique<CHtml5Renderer>(job);
}

} // namespace engine
