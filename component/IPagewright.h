// The automation interface of the generator object and the identifiers a host needs: the
// class, the interface and the type library. Hosts include this (or module/PagewrightApi.h);
// component/Pagewright.h adds the object that implements it.
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
struct IPagewright : IDispatch {
    // Queues one page; *pIndexNum receives the request's index (0, 1, 2 ... since creation or
    // the last Reset). Returns before the page is made.
    virtual HRESULT STDMETHODCALLTYPE GenerateHTML(BSTR szText, BSTR szFrmPath, BSTR szSectionName,
                                                   int* pIndexNum) = 0;
    // *bFinished receives 1 when every queued request has finished, else 0.
    virtual HRESULT STDMETHODCALLTYPE IsGeneratingFinished(LONG* bFinished) = 0;
    // *szHTMLFile receives a new BSTR: the page's full path for a finished request that made a
    // page, else the empty string.
    virtual HRESULT STDMETHODCALLTYPE GetHTMLFileName(int nIndex, BSTR* szHTMLFile) = 0;
    // Waits for every queued request, deletes every page made so far and counts from 0 again.
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;

protected:
    ~IPagewright() = default;
};
