#pragma once
// Code page 936 (GBK) as Windows defines it, independent of the system's code page.
// The settings files are GBK on disk; on a Windows whose ANSI code page is not 936
// the system's own conversions would garble them, so we convert explicitly.
//
// Decoding is lossless: a byte that starts no valid character (a lead byte at the
// end or before a byte that cannot trail it) decodes to the lone surrogate
// U+DC00 + byte, and encoding turns U+DC80..U+DCFF back into that byte. A file
// with damaged bytes therefore survives being rewritten for another key.
//
// Encoding maps exactly; a character with no GBK code (and no best-fit guess, so
// that a path never silently turns into a different path) becomes one '?', as
// WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS) does. A surrogate pair is one
// character and gives one '?'.
//
// All functions are pure and thread safe.
#include <cstddef>
#include <string>
#include <string_view>

namespace app {

std::u16string gbkDecode(std::string_view bytes);
std::string gbkEncode(std::u16string_view text);

// True when gbkEncode(text) loses nothing (no '?' substitutions).
bool gbkCanEncode(std::u16string_view text);

// Bytes the character starting at text[index] takes in GBK (1 or 2) and how many
// UTF-16 units it spans (1, or 2 for a surrogate pair).
struct GbkCharSize {
    std::size_t bytes;
    std::size_t units;
};
GbkCharSize gbkCharSize(std::u16string_view text, std::size_t index);

// The longest prefix of text whose GBK encoding fits in maxBytes bytes, never
// splitting a character.
std::u16string_view gbkPrefixWithin(std::u16string_view text, std::size_t maxBytes);

} // namespace app
