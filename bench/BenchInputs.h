// Inputs shared by the benchmarks: form files and markup texts of a chosen size.
#pragma once

#include <cstddef>
#include <string>

namespace benchinputs {

// A form file with [SYSTEM] (pages go to strDestDir), the styles HEAD, BODY, LIST and NOTE, and
// a layout section LAYOUT of nBlocks blocks of items, each block laying out one block of
// SectionText: two text slots, a bulleted list, a rule, a slot, a picture and a numbered list.
std::string SectionForm(const std::string& strDestDir, std::size_t nBlocks);

// A plain text of about nBytes, made of blocks of two paragraphs, a two-item list, a
// paragraph and a three-item list. Returns the number of blocks through pnBlocks.
std::string SectionText(std::size_t nBytes, std::size_t* pnBlocks);

// A text of about nBytes that names its own styles: many short styled runs and long lists.
std::string InlineText(std::size_t nBytes);

// Markdown of about nBytes (at least nBytes, whole units), made of units of: a plain paragraph,
// a paragraph holding a bold and an italic run, and a two-item bulleted list.
std::string MarkdownText(std::size_t nBytes);

// The units of MarkdownText in inline-style markup, with the same words: paragraphs end with
// <T>, a bold or italic run is a run of its own named <<BOLD>> or <<ITALIC>>, the words after it
// a run named <<>> (the default style), and the list is <LB>first item<T>second item<LE>.
// Returns at least nBytes, whole units.
std::string MarkdownShapeText(std::size_t nBytes);

// The form file for MarkdownShapeText: [SYSTEM] (no default style, pages go to strDestDir),
// the styles BOLD and ITALIC, and a layout section LAYOUT (never used by an inline text).
std::string MarkdownShapeForm(const std::string& strDestDir);

// A form file of nSections sections and about nLines lines in all, the layout LAST at its end.
std::string LargeForm(const std::string& strDestDir, std::size_t nSections, std::size_t nLines);

// A form file of [SYSTEM] (pages go to strDestDir) and nSections empty sections, [S1] to
// [Sn]: what `pagewright check` has to tell apart, with nothing else to check.
std::string EmptySectionsForm(const std::string& strDestDir, std::size_t nSections);

// Writes bytes to path; throws on failure.
void WriteWholeFile(const std::string& strPath, const std::string& strBytes);

// Peak and current resident memory of this process, in KiB (from /proc/self/status).
long PeakResidentKiB();
long ResidentKiB();

} // namespace benchinputs
