// The automation interface of the generator object and the identifiers a host needs: the
// class, the interface and the type library. Hosts include this or PagewrightApi.h, which adds
// the module's exports; in the source tree, component/Pagewright.h adds the object that
// implements it.
#pragma once

#include "platform/types.h"

// {4B1D7C52-8E3A-4F6B-9C21-5A7E0D3F8B14}
inline constexpr IID IID_IPagewright = {
    0x4B1D7C52, 0x8E3A, 0x4F6B, {0x9C, 0x21, 0x5A, 0x7E, 0x0D, 0x3F, 0x8B, 0x14}};
// {9E2A6F31-0C4D-4A8E-B5F7-13C8D2E6A907}
inline constexpr CLSID CLSID_Pagewright = {
    0x9E2A6F31, 0x0C4D, 0x4A8E, {0xB5, 0xF7, 0x13, 0xC8, 0xD2, 0xE6, 0xA9, 0x07}};
// The type library PAGEWRIGHTLib, version 1.0. {6C3B8E1F-2A47-4D95-8E0B-7F14C9A2D563}
inline constexpr GUID LIBID_PAGEWRIGHTLib = {
    0x6C3B8E1F, 0x2A47, 0x4D95, {0x8E, 0x0B, 0x7F, 0x14, 0xC9, 0xA2, 0xD5, 0x63}};

// A dual interface: the four methods follow IDispatch's in the vtable, and late-bound callers
// reach them through IDispatch with the identifiers of the type library.
//
// Every method may be called from any thread, and from several threads at once (threading model
// "both"). A request that makes no page shows here only as an empty file name; a C++ host reads
// why through IPagewrightDiagnostics::GetFailureReason (PagewrightDiagnostics.h), which
// QueryInterface gives from this interface.
struct IPagewright : IDispatch {
    // Queues one page: the markup text, the path of the form file and the name of the layout
    // section (a null BSTR counts as the empty string). The three strings are copied before the
    // call returns; they stay the caller's. *pIndexNum receives the request's index: 0, 1, 2 ...
    // since creation or the last Reset. Returns before the page is made, once the worker of the
    // previous request has taken that request: it is woken the moment that happens, and looks
    // again at least every 100 ms.
    //   S_OK           queued; *pIndexNum holds its index
    //   E_POINTER      pIndexNum is null; nothing is queued
    //   E_OUTOFMEMORY  memory ran out or the worker thread could not be started; nothing is
    //                  queued and *pIndexNum holds no index (-1 or unchanged)
    virtual HRESULT STDMETHODCALLTYPE GenerateHTML(BSTR szText, BSTR szFrmPath, BSTR szSectionName,
                                                   int* pIndexNum) = 0;
    // *bFinished receives 1 when every queued request has finished (made its page or failed),
    // else 0. Does not wait for requests.
    //   S_OK       answered
    //   E_POINTER  bFinished is null
    virtual HRESULT STDMETHODCALLTYPE IsGeneratingFinished(LONG* bFinished) = 0;
    // *szHTMLFile receives a new BSTR, which the caller frees with SysFreeString: the path of
    // the page that request nIndex made, once it has finished; else the empty string (the
    // request is still running, made no page, or the index is unknown: never issued or
    // cleared by Reset). Whatever *szHTMLFile held on entry is not freed. The path is
    // HTML_DEST_DIR as the form file gives it, with a '/' added when it ends in neither '/' nor
    // '\', then the page's name: relative, to the process's current directory, when
    // HTML_DEST_DIR is.
    //   S_OK       answered, also for an unknown index (with the empty string) and when the
    //              string could not be allocated (with a null BSTR, which also reads as empty)
    //   E_POINTER  szHTMLFile is null
    virtual HRESULT STDMETHODCALLTYPE GetHTMLFileName(int nIndex, BSTR* szHTMLFile) = 0;
    // Waits, without a time limit, for every queued request; deletes every page named in the
    // results (a page that cannot be deleted is logged once, "Could Not Delete File!", and
    // forgotten); clears the results and counts from 0 again. Partial pages of failed requests
    // are never named, so never deleted. A page is deleted by its name, as a directory entry:
    // whatever stands there by then goes (a page of the same name that another object or
    // program put in its place too), and a link there is removed, never what it leads to.
    //   S_OK  always
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;

protected:
    ~IPagewright() = default;
};
