#pragma once

#include <algorithm>

// Small rules about characters that the readers of device text, the request
// writer and orvexctl share.

// C0 control characters and DEL: never part of a request line or a header,
// and never shown to a terminal as they are.
constexpr bool isAsciiControl(char32_t c)
{
    return c < 0x20 || c == 0x7F;
}

// The text without any of `characters` at either end. For std::string_view
// and QStringView alike.
template <typename View> View trimmedOf(View text, View characters)
{
    const auto drop
        = [&characters](auto c) { return std::find(characters.begin(), characters.end(), c) != characters.end(); };
    auto first = text.begin();
    auto last = text.end();
    while (first != last && drop(*first))
        ++first;
    while (last != first && drop(*(last - 1)))
        --last;
    return View(first, last);
}
