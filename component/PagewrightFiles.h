// Requests whose text is a file, for C++ hosts with long texts.
//
// IPagewright::GenerateHTML takes the text as a BSTR: a host that has the text in a file reads it,
// widens it to UTF-16 and the object narrows it back, so three copies of a long text are alive
// at once and two conversions run over it. This interface, outside the automation interface and
// its type library, takes the file's path instead: the request's worker reads the file, once,
// straight into the job. A host reaches it from any interface pointer of the generator object
// with QueryInterface.
#pragma once

#include "platform/types.h"

// {E6D637B8-5A37-416B-9CC7-C570B7E49204}
inline constexpr IID IID_IPagewrightFiles = {
    0xE6D637B8, 0x5A37, 0x416B, {0x9C, 0xC7, 0xC5, 0x70, 0xB7, 0xE4, 0x92, 0x04}};

struct IPagewrightFiles : IUnknown {
    // Queues one page, as IPagewright::GenerateHTML does, with the text read from the file
    // szTextFile: the same index sequence (the two methods share it: 0, 1, 2 ... since creation
    // or the last Reset, in call order whichever method is called), the same wait for the worker
    // of the previous request, the same results, and a page made from the same text.
    //
    // May be called from any thread, also at the same time as GenerateHTML. The three strings
    // are copied before the call returns (a null BSTR counts as the empty string); the file is
    // not: the request's worker opens and reads it after the call has returned, so it must stay
    // in place, unchanged, until the request has finished (IsGeneratingFinished, or a name or
    // reason for the index). The path is used exactly as given (not trimmed); a relative one
    // counts from the process's current directory when the worker opens it.
    //
    // The job's text is the file's bytes exactly as they stand: nothing is converted, no line
    // end and no byte-order mark is changed, NUL bytes included. On Linux that is exactly the
    // text GenerateHTML gives the job for a BSTR made from those bytes (8-bit text there is
    // UTF-8 with every other byte carried through, so the trip through UTF-16 changes nothing,
    // and a BSTR carries NUL characters with its length). On Windows GenerateHTML's text is
    // what the ANSI code page makes of the BSTR; a file written in that code page gives the
    // same text here.
    //
    // A file that cannot be read makes no page: the request finishes like any that fails, with
    // the empty file name, and IPagewrightDiagnostics::GetFailureReason gives for its index
    //   cannot open the text file "PATH": <the system's description of the error>
    //   cannot read the text file "PATH": <the system's description of the error>
    // (a missing file, a folder, a device, no access; a read error part-way), or, for a file
    // that does not fit in memory,
    //   out of memory: the text file "PATH" does not fit in memory
    //   S_OK           queued; *pIndexNum holds its index
    //   E_POINTER      pIndexNum is null; nothing is queued
    //   E_OUTOFMEMORY  memory ran out or the worker thread could not be started; nothing is
    //                  queued and *pIndexNum holds no index (-1 or unchanged)
    virtual HRESULT STDMETHODCALLTYPE GenerateHTMLFromFile(BSTR szTextFile, BSTR szFrmPath,
                                                           BSTR szSectionName, int* pIndexNum) = 0;

protected:
    ~IPagewrightFiles() = default;
};
