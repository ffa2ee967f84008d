// Waiting for requests without polling, for C++ hosts.
//
// IPagewright only lets a host poll IsGeneratingFinished, and a host that sleeps between polls
// learns of a finished batch up to one sleep late. This interface, outside the automation
// interface and its type library, sleeps until the job a host waits for hands its result back:
// it is woken by that hand-back itself. A host reaches it from any interface pointer of the
// generator object with QueryInterface.
//
// Both methods may be called from any thread, by several threads at once, and at the same time
// as every other method of the object. A time limit is counted on the monotonic clock, so
// setting the system's clock neither shortens nor lengthens it; nTimeoutMs < 0 waits without a
// limit, 0 only looks.
#pragma once

#include "platform/types.h"

// {3D7A9C15-6B2E-4F80-9A41-C2E58B07D6F3}
inline constexpr IID IID_IPagewrightWait = {
    0x3D7A9C15, 0x6B2E, 0x4F80, {0x9A, 0x41, 0xC2, 0xE5, 0x8B, 0x07, 0xD6, 0xF3}};

struct IPagewrightWait : IUnknown {
    // Waits until every request issued has finished (made its page or failed): the moment
    // IsGeneratingFinished would give 1. Requests that other threads queue meanwhile are waited
    // for as well.
    //   S_OK     every request has finished (at once when none is running)
    //   S_FALSE  the time ran out first
    virtual HRESULT STDMETHODCALLTYPE WaitForAll(LONG nTimeoutMs) = 0;
    // Waits until request nIndex alone has finished, whatever the others do. Once it returns
    // S_OK, GetHTMLFileName and GetFailureReason give that request's result, unless a Reset
    // cleared it meanwhile: a Reset during the wait ends the wait with S_OK too, since Reset
    // only clears results once every request has finished.
    //   S_OK          the request has finished
    //   S_FALSE       the time ran out first
    //   E_INVALIDARG  no request nIndex has been issued since creation or the last Reset
    virtual HRESULT STDMETHODCALLTYPE WaitForRequest(int nIndex, LONG nTimeoutMs) = 0;

protected:
    ~IPagewrightWait() = default;
};
