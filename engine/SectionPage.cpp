// The layout walk: which items a page has, in which style and from which runs; a page laid out
// by a section of the form file, one item per line, fed from the token list. The renderer of
// the job's page format spells the items out.
#include "engine/GenThread.h"
#include "engine/PageRenderer.h"
#include "engine/TextUtil.h"
#include "engine/Vocabulary.h"
#include "platform/textfile.h"

namespace {

// Why the named style gives no attribute, as the tail of a message; empty when it gives one
// or no style is named. The checker asks this for every layout line that fails, so what the
// style section says is taken from the job's entry for the style, worked out once.
std::string WhyStyleIsDropped(const CGenThread& job, const std::string& strStyle) {
    if (strStyle.empty())
        return {};
    const CFormFile& form = job.m_formFile;
    const std::size_t nSection = form.FindSection(strStyle);
    if (nSection == std::string::npos)
        return ": style \"" + strStyle + "\" has no section";
    const std::string strHeader =
        form.GetPath() + ":" + std::to_string(form.GetHeaderLine(nSection));
    if (form.GetSectionLines(nSection).empty())
        return ": style section [" + strStyle + "] (" + strHeader + ") has no lines";
    const std::size_t nBad = job.StyleOf(strStyle).nBadLine;
    if (nBad == std::string::npos)
        return {};
    return ": style section [" + strStyle + "] is dropped by its line " + std::to_string(nBad + 1) +
           " (" + form.GetPath() + ":" + std::to_string(form.GetDataLine(nSection, nBad)) +
           "), \"" + std::string(form.GetSectionLines(nSection)[nBad]) +
           "\", which is no style tag";
}

} // namespace

bool CGenThread::WriteSectionPage(std::string strSectionName, std::string& strResultFile) {
    return WritePage(&strSectionName, strResultFile);
}

bool CGenThread::WritePage(const std::string* pSection, std::string& strResultFile) {
    platform::TextFileWriter file;
    if (!BeginPage(strResultFile, file))
        return false;
    engine::CPageRenderer& renderer = Renderer();
    try {
        if (renderer.NeedsStyleCensus()) {
            // The same walk without output: it fails, if at all, where the walk below does.
            LayOutBody(*renderer.StyleCensus(), pSection, [](const std::string&) {});
            m_strFailReason.clear();
            RewindTokens();
        }
        file.WriteString(renderer.Head());
        if (!LayOutBody(renderer, pSection,
                        [&file](const std::string& strChunk) { file.WriteString(strChunk); })) {
            file.Close();
            return false;
        }
        file.WriteString(renderer.Tail());
        file.Close();
    } catch (const platform::FileException& e) {
        // The writer closes the file on its way out; the unfinished page stays where it is.
        return Fail(WriteFailure(e));
    }
    return true;
}

bool CGenThread::LayOutBody(engine::CPageRenderer& renderer, const std::string* pSection,
                            const std::function<void(const std::string&)>& sink) {
    if (!pSection) {
        LayOutInline(renderer, sink);
        return true;
    }
    const std::size_t nSection = m_formFile.FindSection(*pSection);
    if (nSection == std::string::npos) {
        // Without a layout the text still becomes a page: plain paragraphs.
        std::string strChunk;
        strChunk.reserve(ChunkRoom());
        for (std::size_t i = 0; i < m_nTokenCount; ++i) {
            renderer.PlainParagraph(strChunk, TokenText(i));
            HandOnFullChunk(strChunk, sink);
        }
        sink(strChunk);
        return true;
    }
    std::size_t nCursor = 0; // next token to use, shared by all lines
    return LayOutSection(renderer, nSection, &nCursor, sink);
}

bool CGenThread::LayOutSection(std::size_t nSection, std::size_t* pnCursor,
                               const std::function<void(const std::string&)>& sink) {
    return LayOutSection(Renderer(), nSection, pnCursor, sink);
}

bool CGenThread::LayOutLine(std::string_view strLine, std::size_t* pnCursor,
                            std::string& strChunk) {
    strChunk.clear();
    return LayOutLine(Renderer(), strLine, pnCursor, strChunk);
}

bool CGenThread::LayOutSection(engine::CPageRenderer& renderer, std::size_t nSection,
                               std::size_t* pnCursor,
                               const std::function<void(const std::string&)>& sink) {
    const CFormFile::Lines lines = m_formFile.GetSectionLines(nSection);
    std::string strChunk;
    strChunk.reserve(ChunkRoom());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // Lines are handed on together: one at a time would cost a call for every few bytes.
        if (!LayOutLine(renderer, lines[i], pnCursor, strChunk, &sink)) {
            m_strFailReason = SectionLineLocation(nSection, i) + m_strFailReason;
            if (!strChunk.empty()) // what the lines before it made
                sink(strChunk);
            return false;
        }
        HandOnFullChunk(strChunk, sink);
    }
    if (!strChunk.empty())
        sink(strChunk);
    return true;
}

bool CGenThread::LayOutLine(engine::CPageRenderer& renderer, std::string_view strLine,
                            std::size_t* pnCursor, std::string& strChunk,
                            const std::function<void(const std::string&)>* pSink) {
    LayoutLineParts parts;
    if (!SplitLayoutLine(strLine, parts))
        return Fail("a style name begun with << is never closed with >>");
    const std::string_view tag = parts.tag;
    // A name whose section gives no attribute is no style at all.
    const engine::ItemStyle style =
        parts.attribute.empty() ? engine::ItemStyle{}
                                : engine::ItemStyle{parts.styleName, parts.attribute, parts.pEntry};

    // What an item that takes tokens finds at the cursor, as a message tail; empty when the
    // token there is of the kind wanted.
    const auto mismatch = [&](UINT nWanted) -> std::string {
        if (*pnCursor >= m_nTokenCount)
            return "the text has no runs left";
        if (TokenKind(*pnCursor) != nWanted)
            return nWanted == KIND_LIST_ITEM ? "the next run is a paragraph"
                                             : "the next run is a list item";
        return {};
    };

    if (const engine::ItemTag* pItem = engine::FindItemTag(tag)) {
        switch (pItem->item) {
        case engine::Item::kBulletList:
        case engine::Item::kNumberedList:
            if (!pnCursor)
                return true;
            // A list takes the whole run of list items at the cursor, at least one.
            if (const std::string strFound = mismatch(KIND_LIST_ITEM); !strFound.empty())
                return Fail(std::string(tag) + " needs a list from the text, but " + strFound);
            LayOutList(renderer, style, pItem->item == engine::Item::kNumberedList, *pnCursor,
                       strChunk, pSink);
            break;
        case engine::Item::kPicture:
            renderer.Picture(strChunk, style, std::string(parts.argument));
            break;
        case engine::Item::kBackPicture:
            // The background picture is already in the page head.
            break;
        case engine::Item::kLineBreak:
            renderer.LineBreak(strChunk);
            break;
        case engine::Item::kRule:
            renderer.Rule(strChunk);
            break;
        case engine::Item::kLiteral:
            renderer.Literal(strChunk, style, parts.argument);
            break;
        }
    } else if (tag.empty()) {
        // A text slot: the next paragraph run, always in a style.
        if (parts.attribute.empty())
            return Fail("a text slot needs a style but none applies" +
                        WhyStyleIsDropped(*this, std::string(parts.styleName)));
        if (!pnCursor)
            return true;
        if (const std::string strFound = mismatch(KIND_PARAGRAPH); !strFound.empty())
            return Fail("a text slot needs a paragraph from the text, but " + strFound);
        renderer.Paragraph(strChunk, style, TokenText((*pnCursor)++));
    } else if (tag.find("<<") != std::string_view::npos) {
        // SplitSectionLine takes the first <<name>> only; a second one is left as the tag.
        return Fail("a line can name only one style, but \"" + std::string(strLine) +
                    "\" names more; the second is read as the unknown item tag \"" +
                    std::string(tag) + "\"");
    } else {
        return Fail("unknown item tag \"" + std::string(tag) + "\"");
    }
    return true;
}
