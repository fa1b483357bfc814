// Bounds shared by the property-list reader and writer, so that whatever is written reads back.
#pragma once

// Containers (arrays, dictionaries) nested deeper than this are refused by both sides.
inline constexpr int kCFPropertyListMaxDepth = 512;
