// BSTR: the automation string. A pointer to UTF-16 characters, preceded by a 32-bit byte
// count and followed by a terminating zero; a null BSTR means the empty string.
#pragma once

#include "platform/types.h"

#ifndef _WIN32
BSTR SysAllocString(const OLECHAR* psz);
BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);

// Variants own what they hold: a BSTR, or a reference on an interface.
void VariantInit(VARIANT* pvarg);
HRESULT VariantClear(VARIANT* pvarg);
#endif
