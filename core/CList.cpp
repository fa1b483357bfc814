#include "CList.h"

#include "CString256.h"
#include "CText.h"

#include <cstring>

bool CListEquals(const CString256& value, const CString256& other)
{
    return std::strcmp(value.text, other.text) == 0;
}

bool CListEquals(const CText& value, const CText& other)
{
    const char* mine = value.buffer != nullptr ? value.buffer : "";
    const char* theirs = other.buffer != nullptr ? other.buffer : "";
    return std::strcmp(mine, theirs) == 0;
}

void GetLeafNameAt(CList<CString256>& paths, SInt32 n, CString256& leaf)
{
    if (n < 1)
        return;
    paths.Rewind();
    const CString256* path = nullptr;
    for (SInt32 i = 0; i < n; ++i) {
        path = paths.Next();
        if (path == nullptr)
            return;
    }
    const char* slash = std::strrchr(path->text, '/');
    if (slash != nullptr)
        leaf.Assign(slash + 1);
}
