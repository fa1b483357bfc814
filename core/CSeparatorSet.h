// CSeparatorSet: the bytes that may delimit a word for the whole-word search and replace of
// TextEncodings.h. A plain value; fixed once made, so any thread may read it.
#pragma once

#include <bitset>

class CSeparatorSet {
public:
    CSeparatorSet() = default;
    // Every byte of the NUL-terminated `separators` (null: none).
    explicit CSeparatorSet(const char* separators)
    {
        for (const char* p = separators; p != nullptr && *p != 0; ++p)
            Add(*p);
    }

    void Add(char c) { mBytes.set(static_cast<unsigned char>(c)); }
    bool Contains(char c) const { return mBytes.test(static_cast<unsigned char>(c)); }

private:
    std::bitset<256> mBytes;
};
