// The compatible page: the page hosts have always had, byte for byte. One line of HTML without
// a doctype, styles as STYLE attributes, pictures as "file:" names, lists inside a styled
// paragraph when they have a style.
#include "engine/GenThread.h"
#include "engine/PageRenderer.h"
#include "engine/TextUtil.h"

namespace engine {
namespace {

class CCompatibleRenderer final : public CPageRenderer {
public:
    explicit CCompatibleRenderer(CGenThread& job) : m_job(job) {}

    std::string Head() override { return m_job.BuildPageHead(std::string(kPageTitle)); }
    std::string_view Tail() const override { return "</body></html>"; }

    void Paragraph(std::string& out, const ItemStyle& style, std::string_view text) override {
        WriteParagraph(out, style, text, m_job.m_nTextEscaping);
    }
    void ListBegin(std::string& out, const ItemStyle& style, bool bNumbered) override {
        if (!style.attribute.empty())
            AppendParagraphOpening(out, style.attribute);
        out += bNumbered ? "<OL>" : "<UL>";
    }
    void ListItems(std::string& out, std::span<const std::string_view> items) override {
        AppendListItems(out, items, "<LI>", "", m_job.m_nTextEscaping);
    }
    void ListEnd(std::string& out, const ItemStyle& style, bool bNumbered) override {
        out += bNumbered ? "</OL>" : "</UL>";
        if (!style.attribute.empty())
            out += "</p>";
    }
    void Picture(std::string& out, const ItemStyle& style,
                 const std::string& strArgument) override {
        std::string strPath = strArgument;
        m_job.ResolvePicturePath(strPath);
        AppendParagraphOpening(out, style.attribute);
        out += "<img src=file:";
        out += strPath;
        out += "></p>";
    }
    void Literal(std::string& out, const ItemStyle& style, std::string_view html) override {
        // The form's own HTML, in the paragraph a text slot has, is never escaped.
        WriteParagraph(out, style, html, TextEscaping::kNone);
    }
    void Rule(std::string& out) override { out += "<hr>"; }
    void LineBreak(std::string& out) override { out += "<BR>"; }
    void PlainParagraph(std::string& out, std::string_view run) override {
        m_job.AppendPlainParagraph(out, run);
    }

private:
    void WriteParagraph(std::string& out, const ItemStyle& style, std::string_view text,
                        TextEscaping escaping) {
        // A long text opens the same few styled paragraphs over and over: each opening is made
        // once, where the walk has the style's entry at hand.
        if (style.pEntry && !style.attribute.empty()) {
            std::string& strOpening = style.pEntry->strParagraphOpening;
            if (strOpening.empty())
                AppendParagraphOpening(strOpening, style.attribute);
            out += strOpening;
        } else {
            AppendParagraphOpening(out, style.attribute);
        }
        AppendRunText(out, text, escaping);
        out += "</p>";
    }

    CGenThread& m_job;
};

} // namespace

std::unique_ptr<CPageRenderer> MakeCompatibleRenderer(CGenThread& job) {
    return std::make_unique<CCompatibleRenderer>(job);
}

} // namespace engine
