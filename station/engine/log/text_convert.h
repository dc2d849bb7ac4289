#pragma once
// Conversions between the station's narrow text (UTF-8, the system code page
// here) and the wide text of the windows (UTF-16). The results are values,
// so no ring of buffers is needed to keep them alive; as before, a null input
// or a failed conversion gives the empty text.
#include <cstddef>
#include <string>
#include <string_view>

namespace station {

std::string ToNarrow(std::u16string_view wide);
std::string ToNarrow(const char16_t* wide);  // null → ""
std::u16string ToWide(std::string_view narrow);
std::u16string ToWide(const char* narrow);  // null → ""

// Length of a narrow text in wide characters (UTF-16 units), the unit in
// which the station's text fields are sized. A byte that starts no valid
// sequence counts as one.
size_t WideLength(std::string_view narrow);

// The longest prefix of `narrow` that fits in `wideChars` wide characters
// without splitting a character.
std::string CutText(std::string_view narrow, size_t wideChars);

}  // namespace station
