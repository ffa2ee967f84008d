// The job record: one request, everything the conversion derives from it, and its result.
//
// The conversion operations are defined in engine/, one source file per concern. Run, which
// also hands the result back to the generator object, lives with the worker in component/; the
// engine never touches m_pOwner.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/FormFile.h"
#include "platform/textfile.h"
#include "platform/types.h"

class CPagewright;

namespace engine {
class CPageRenderer;
struct ItemStyle;

// What the job knows of a style name, worked out once and remembered: the form file does not
// change after the job has loaded it, and a long text may name the same few styles hundreds of
// thousands of times.
struct StyleEntry {
    std::string strAttribute;        // what BuildStyleAttribute makes of the name
    std::string strClass;            // its class on an HTML5 page, once that page asks,
    std::string strParagraphOpening; // its paragraph opening on the job's page, made once
    bool bInStyleSheet = false;      // the HTML5 page's style sheet declares it
    // The section's line that is no style tag, when that is why strAttribute is empty; npos
    // otherwise (no section, no lines, or an attribute).
    std::size_t nBadLine = std::string::npos;
};
} // namespace engine

// Kinds of the runs in the token list.
constexpr UINT KIND_PARAGRAPH = 1;
constexpr UINT KIND_LIST_ITEM = 2;

// The kinds of page a form file can ask for with PAGE_FORMAT in [SYSTEM].
enum class PageFormat {
    kCompatible, // the page hosts have always had, byte for byte (also without the key)
    kHtml5,      // a standard HTML5 page: styles as CSS classes, pictures as URLs
};

// What TEXT_ESCAPING in [SYSTEM] does to the request's text on the page. Only the runs of the
// text are meant: what the form file writes (literals, pictures, styles) is the form's own.
enum class TextEscaping {
    kNone, // runs as they stand, markup and all, as hosts have always had them (also without
           // the key)
    kHtml, // every "&", "<", ">", '"' and "'" of a run as a character reference
};

class CGenThread {
public:
    CGenThread(CPagewright* pOwner, std::string strText, std::string strFrmPath,
               std::string strSectionName, std::int32_t nRequestIndex);
    CGenThread(const CGenThread&) = delete;
    CGenThread& operator=(const CGenThread&) = delete;
    ~CGenThread();

    // Runs the job and hands its result to m_pOwner (component/).
    void Run();

    // Everything Run does before the hand-back: load the form file, read the settings, tokenize
    // the text and write the page. Leaves the page's full path in m_strResultFile, or the empty
    // string when no complete page was written.
    void GeneratePage();

    // ---- settings and page skeleton ----
    BOOL ReadSystemSettings();
    // PAGE_FORMAT and, for an HTML5 page, PAGE_LANGUAGE: the last step of ReadSystemSettings.
    BOOL ReadPageFormat();
    // TEXT_ESCAPING: the step after ReadPageFormat.
    BOOL ReadTextEscaping();
    // The value of a [SYSTEM] key that takes one of a few words: its index in choices, 0 (the
    // first word, the default) when the key is missing, or -1 with the reason for any other
    // value.
    int ReadSystemChoice(const char* szKey, std::span<const std::string_view> choices);
    static bool IsLanguageTag(std::string_view strTag);
    BOOL SplitStylePrefix(std::string_view& strStyle);
    std::string BuildPageHead(std::string strTitle) const;
    void ResolvePicturePath(std::string& strPath) const;

    // ---- styles ----
    // When the section holds a line that is no style tag, *pnBadLine (if given) receives that
    // line's index within the section.
    BOOL BuildStyleAttribute(std::string strStyle, std::string& strAttribute,
                             std::size_t* pnBadLine = nullptr) const;
    // What the job knows of strStyle (see engine::StyleEntry), and what BuildStyleAttribute
    // makes of it, both converted once per job.
    engine::StyleEntry& StyleOf(std::string_view strStyle) const;
    const std::string& StyleAttributeOf(std::string_view strStyle) const {
        return StyleOf(strStyle).strAttribute;
    }
    // The same section as CSS declarations joined by "; " (see Style.cpp), for the style sheet
    // of an HTML5 page. FALSE, with strDeclarations empty, exactly where BuildStyleAttribute
    // gives no attribute.
    BOOL BuildStyleRule(std::string strStyle, std::string& strDeclarations) const;

    // ---- file naming ----
    std::string MakeHtmlFileName();

    // ---- tokenizer ----
    BOOL TokenizeText(BOOL* pbInlineStyles);
    // Defined inline in Tokenizer.cpp, for its callers there only.
    BOOL SplitNextToken(BOOL bInlineStyles, UINT nKind, UINT* pnNextKind, std::string_view* pRun,
                        std::string_view* pStyle);
    // SplitNextToken's failure inside a list, at the marker p characters into the rest.
    [[gnu::noinline]] BOOL FailInsideList(BOOL bInlineStyles, std::string_view marker,
                                          std::size_t p);

    // ---- paragraphs and section lines ----
    std::string RenderParagraphs();
    // The paragraph RenderParagraphs makes of one run.
    void AppendPlainParagraph(std::string& strOut, std::string_view run);
    // A layout line's parts as views: into the line, the job's own strings, or (where a style
    // marker stood inside the line) a scratch copy of the line that the next split reuses.
    struct LayoutLineParts {
        std::string_view tag;       // trimmed
        std::string_view argument;  // as it stands
        std::string_view styleName; // the name the attribute was made of, empty for none
        std::string_view attribute; // BuildStyleAttribute's, empty for none
        engine::StyleEntry* pEntry = nullptr;
    };
    // SplitSectionLine without copies; false where it gives FALSE.
    bool SplitLayoutLine(std::string_view line, LayoutLineParts& parts) const;
    mutable std::string m_strLineScratch;
    // *pStyleName (if given) receives the style name the attribute was made of, empty for none.
    BOOL SplitSectionLine(std::string strLine, std::string* pTag, std::string* pArgument,
                          std::string* pAttribute, std::string* pStyleName = nullptr) const;

    // ---- page generators ----
    // Both write the page of the job's format: one layout walk (which items, in which style,
    // from which runs) for both formats, and a renderer of the format that spells the items
    // out (engine/PageRenderer.h).
    bool WriteSectionPage(std::string strSectionName, std::string& strResultFile);
    bool WriteInlineStylePage(std::string& strResultFile);
    // The page of a section (null pSection: of the text's own styles).
    bool WritePage(const std::string* pSection, std::string& strResultFile);
    // The start both page writers share: a page needs runs, a file name (stored in
    // strResultFile at once) and a new file. An HTML5 page never replaces a file: when the
    // name is taken, the page takes the next free one of the suffix rule (see CreatePageFile).
    bool BeginPage(std::string& strResultFile, platform::TextFileWriter& file);
    // Creates strResultFile, replacing what stands there (an older page; a link is replaced,
    // never written through), or in HTML5 mode the first free one of "NAME.htm", "NAME-1.htm",
    // "NAME-2.htm", ... up to kMaxNameSuffix (anything at a name, a link too, takes it), leaving
    // the name used in strResultFile.
    bool CreatePageFile(std::string& strResultFile, platform::TextFileWriter& file,
                        int& nError) const;
    // A thousand pages of one request index in one second is more than any run makes: past that
    // the folder is not freeing names (a file that cannot be created for another reason), and
    // the page fails rather than trying on.
    static constexpr int kMaxNameSuffix = 999;
    // Lays out the section with index nSection of the form file from the token list at
    // *pnCursor, handing each item's HTML to sink as it is made. False, with m_strFailReason
    // naming the line, when an item cannot be made; the chunks before it have been handed on.
    bool LayOutSection(std::size_t nSection, std::size_t* pnCursor,
                       const std::function<void(const std::string&)>& sink);
    // One layout line: its HTML in strChunk, the tokens it takes from *pnCursor on. With a null
    // pnCursor only what does not depend on the text is checked, and the chunk of an item that
    // takes tokens stays empty. False with m_strFailReason (the line's location not included).
    bool LayOutLine(std::string_view strLine, std::size_t* pnCursor, std::string& strChunk);
    // The same walk, spelled out by the given renderer.
    bool LayOutSection(engine::CPageRenderer& renderer, std::size_t nSection, std::size_t* pnCursor,
                       const std::function<void(const std::string&)>& sink);
    // This one appends the line's HTML to strChunk; pSink (when given) takes the pieces of a
    // list too long to make one chunk.
    bool LayOutLine(engine::CPageRenderer& renderer, std::string_view strLine,
                    std::size_t* pnCursor, std::string& strChunk,
                    const std::function<void(const std::string&)>* pSink = nullptr);
    // The body of a page laid out by the text's own styles; it cannot fail.
    void LayOutInline(engine::CPageRenderer& renderer,
                      const std::function<void(const std::string&)>& sink);
    // The body of any page: by the section (null: by the text's own styles). False where
    // LayOutSection is false.
    bool LayOutBody(engine::CPageRenderer& renderer, const std::string* pSection,
                    const std::function<void(const std::string&)>& sink);
    // The list items from nCursor on, up to the first token of another kind, the end of the
    // list or the end of the token window; leaves nCursor after them.
    std::span<const std::string_view> TakeListItems(std::size_t& nCursor);
    // The whole list at nCursor (at least one item), spelled out by the renderer into strChunk.
    // A list longer than the token window goes out in pieces: after each piece, a chunk grown
    // past kChunkFlush is handed to pSink (when given) and emptied.
    void LayOutList(engine::CPageRenderer& renderer, const engine::ItemStyle& style, bool bNumbered,
                    std::size_t& nCursor, std::string& strChunk,
                    const std::function<void(const std::string&)>* pSink);
    // Chunks are handed on once they pass kChunkFlush; kChunkReserve leaves room for the item
    // that passes it while staying below the size from which allocators map fresh pages for
    // every allocation (and the job pays a page fault for every 4 KB it writes).
    // The file writer sends a chunk of 16 KB or more straight to the file, without copying it.
    static constexpr std::size_t kChunkFlush = 64 * 1024;
    static constexpr std::size_t kChunkReserve = 96 * 1024;
    // The room a chunk starts with: kChunkReserve for a long text, less for a short one, whose
    // whole page is smaller. A short job that took (and gave back) the full room would make the
    // C library hand memory back to the system after every job.
    std::size_t ChunkRoom() const { return std::min(kChunkReserve, 4096 + 4 * m_strText.size()); }
    // Hands strChunk to sink and empties it once it has passed kChunkFlush.
    static void HandOnFullChunk(std::string& strChunk,
                                const std::function<void(const std::string&)>& sink) {
        if (strChunk.size() >= kChunkFlush) {
            sink(strChunk);
            strChunk.clear();
        }
    }
    // The renderer of the job's page format (compatible until the settings say otherwise).
    engine::CPageRenderer& Renderer();

    // The request.
    std::int32_t m_nRequestIndex;
    // The request's markup text. The tokenizer trims it and then consumes it from the front:
    // m_nTextPos is where the unconsumed rest begins, so cutting a run costs only the run.
    std::string m_strText;
    std::string::size_type m_nTextPos = 0;
    std::string m_strFrmPath;
    std::string m_strSectionName;

    CFormFile m_formFile;

    // The token list: three arrays of equal length, one entry per run, in text order. Run texts
    // and style names are views into m_strText, which the job keeps until it is destroyed, so a
    // long text is not copied run by run.
    //
    // With a token window (m_nTokenWindow > 0) the arrays hold at most that many runs at a time,
    // runs m_nTokenBase on; the page writers read runs through TokenText/TokenKind/TokenStyle,
    // which cut the next runs from the text as the reading moves on. A page then costs the
    // same few kilobytes of token list whatever the length of its text. Without a window (0,
    // the default) TokenizeText keeps every run, as checks and tests want to see them.
    std::vector<std::string_view> m_arrTokenText;
    std::vector<UINT> m_arrTokenKind;
    std::vector<std::string_view> m_arrTokenStyle;
    std::size_t m_nTokenWindow = 0;
    std::size_t m_nTokenBase = 0;  // the index of the runs' first entry in the arrays
    std::size_t m_nTokenCount = 0; // the runs of the whole text, counted by TokenizeText
    // The window GeneratePage tokenizes with: big enough that a page of an ordinary text is cut
    // once, small enough to stay in the processor's caches.
    static constexpr std::size_t kPageTokenWindow = 4096;
    std::size_t m_nPageTokenWindow = kPageTokenWindow;

    // Run i of the whole text (m_nTokenBase <= i < m_nTokenCount). Reading moves forward only;
    // RewindTokens starts again at run 0.
    std::string_view TokenText(std::size_t i) { return m_arrTokenText[ReachToken(i)]; }
    UINT TokenKind(std::size_t i) { return m_arrTokenKind[ReachToken(i)]; }
    std::string_view TokenStyle(std::size_t i) { return m_arrTokenStyle[ReachToken(i)]; }
    void RewindTokens();

    // Document settings from the form file's [SYSTEM] section.
    std::string m_strDefaultStyle;
    std::string m_strHtmlDestDir;
    std::string m_strPicSourceDir;
    std::string m_strBackgroundPic;
    // PAGE_FORMAT, and PAGE_LANGUAGE (the lang of an HTML5 page; "en" when not given).
    PageFormat m_nPageFormat = PageFormat::kCompatible;
    std::string m_strPageLanguage = "en";
    TextEscaping m_nTextEscaping = TextEscaping::kNone;

    // The full path of the page written, or empty.
    std::string m_strResultFile;

    // Styles looked up so far, by style name (see StyleOf).
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>()(s);
        }
    };
    mutable std::unordered_map<std::string, engine::StyleEntry, NameHash, std::equal_to<>>
        m_mapStyles;
    // The last few styles StyleOf found (their names are the map's keys, which stay put).
    struct RecentStyle {
        std::string_view name;
        engine::StyleEntry* pEntry = nullptr;
    };
    mutable RecentStyle m_arrRecentStyles[4];
    mutable std::size_t m_nRecentStyles = 0;

    CPagewright* m_pOwner;

    // Made by Renderer() for the page format; dropped when the settings are read again.
    std::unique_ptr<engine::CPageRenderer> m_pRenderer;

    // Why the job made no page: set by the step that failed, in words a form-file or text
    // author understands (where, then what). Empty while nothing has failed.
    std::string m_strFailReason;
    // How messages about the request text name it ("text"; a checker may number its texts).
    std::string m_strTextLabel = "text";
    // Where the first "<" that is no markup stopped the tokenizer (an offset into the request
    // text as given), or npos. Not a failure: the rest of the text became one paragraph.
    std::size_t m_nStrayAngle = std::string::npos;

    // Records a failure reason and gives false, for "return Fail(...)" in a failing step.
    bool Fail(std::string strReason);
    // "form.frm:12: " (or "form.frm: " for line 0): the start of a message about the form file.
    std::string FormLocation(std::size_t nLine) const;
    // "form.frm:57: section [NOTICE], line 4: ": where a section's nLine-th (0-based) line is.
    std::string SectionLineLocation(std::size_t nSection, std::size_t nLine) const;
    // "text, offset 42: ": the start of a message about the text; nPos counts from where the
    // trimmed text begins.
    std::string TextLocation(std::size_t nPos) const;
    // False, with the reason, when the token list is empty: a page needs words.
    bool RequireWords();
    // Why MakeHtmlFileName gives no name: HTML_DEST_DIR missing or blank.
    std::string MissingDestDirReason() const;
    // The reason for a file error while a page was being written.
    static std::string WriteFailure(const std::exception& e);
    // The offset in the request text as given of a position in the trimmed text.
    std::size_t TextOffset(std::size_t nPos) const { return m_nTextLead + nPos; }

    // The unconsumed rest of the request text.
    std::string_view RemainingText() const;

    // Where the tokenizer stands between two runs: enough to go on cutting from there.
    struct TokenizerState {
        std::size_t nPos = 0;
        UINT nKind = KIND_PARAGRAPH;
        std::string_view style;
    };
    bool m_bInlineText = false;   // the text names its own styles
    TokenizerState m_tokenStart;  // before the first run
    TokenizerState m_tokenResume; // after the last run in the arrays
    // The position of run i in the arrays, after cutting the window that holds it.
    std::size_t ReachToken(std::size_t i) {
        if (i - m_nTokenBase >= m_arrTokenText.size())
            FillTokenWindow(i);
        return i - m_nTokenBase;
    }
    void FillTokenWindow(std::size_t i);
    // Empties the three arrays, keeping their room for the next window.
    void ClearTokenArrays();
    // Cuts up to nMax runs from state on into the arrays; false where the markup is malformed.
    bool CutRuns(TokenizerState& state, std::size_t nMax);

    // How many characters trimming took off the front of the request text, and where the list
    // being tokenized began: both only for messages.
    std::size_t m_nTextLead = 0;
    std::size_t m_nListBegin = 0;
};
