// Why a request made no page, for C++ hosts.
//
// IPagewright only ever says that a request failed, with an empty file name; this interface,
// outside the automation interface and its type library, says why. A host reaches it from any
// interface pointer of the generator object with QueryInterface.
#pragma once

#include "platform/types.h"

// {6F0C2B8D-3A57-4E19-A4D2-7B95C1E08F36}
inline constexpr IID IID_IPagewrightDiagnostics = {
    0x6F0C2B8D, 0x3A57, 0x4E19, {0xA4, 0xD2, 0x7B, 0x95, 0xC1, 0xE0, 0x8F, 0x36}};

struct IPagewrightDiagnostics : IUnknown {
    // *pszReason receives a new BSTR: for a finished request that made no page, one line saying
    // which step failed and where (form file and line, section and line, or text offset); for
    // one that made a page, the empty string. S_FALSE, with the empty string, when no finished
    // request has that index (not issued, still running, or cleared by Reset).
    virtual HRESULT STDMETHODCALLTYPE GetFailureReason(int nIndex, BSTR* pszReason) = 0;

protected:
    ~IPagewrightDiagnostics() = default;
};
