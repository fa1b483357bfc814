#include "CMap.h"

#include "CString256.h"

#include <cstring>

int CMapCompareKeys(const CString256& a, const CString256& b)
{
    return std::strcmp(a.text, b.text);
}
