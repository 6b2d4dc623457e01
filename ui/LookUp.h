#pragma once

// The web look-up address of a code: the user's URL template with the code
// in place of "%s". The code is data from outside, so it is percent-encoded
// and the template is formatted by our own rules, never by printf.

#include <string>
#include <string_view>

namespace ui {

// The default of the second look-up template: a barcode product site.
inline constexpr const char* kDefaultURL2 = "https://www.barcodelookup.com/de/%s";

// Letters, digits and "-._~" stay; every other byte of the UTF-8 text
// becomes "%" and two upper-case hex digits.
std::string PercentEncode(std::string_view utf8);

struct LookUpAddress {
    std::string address;  // when error is empty
    std::string error;    // the format message for the general error box
};

// One "%s" takes the encoded code and "%%" gives "%". Any other directive, or
// a second "%s", is an error naming the template's first 31 characters.
LookUpAddress FormatLookUp(const std::string& url, const std::string& code);

}  // namespace ui
