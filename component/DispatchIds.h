// The DISPIDs of IPagewright's members: fixed numbers that late-bound callers and scripts keep,
// so they never change. The interface definition (module/Pagewright.idl) includes this file as
// well, which is why it holds nothing but #defines.
#pragma once

#define PAGEWRIGHT_DISPID_GENERATEHTML 0x60020000
#define PAGEWRIGHT_DISPID_ISGENERATINGFINISHED 0x60020001
#define PAGEWRIGHT_DISPID_GETHTMLFILENAME 0x60020002
#define PAGEWRIGHT_DISPID_RESET 0x60020003
