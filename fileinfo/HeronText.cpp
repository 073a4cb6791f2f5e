#include "HeronText.h"

namespace heron {

std::string Hex(std::size_t n) {
    static const char* const kDigits = "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), kDigits[n & 0x0F]);
        n >>= 4;
    } while (n != 0);
    return "0x" + s;
}

std::string IdText(const std::uint8_t* p) {
    static const char* const kDigits = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 4; ++i) {
        if (p[i] >= 0x20 && p[i] < 0x7F && p[i] != '\\') {
            s += static_cast<char>(p[i]);
        } else {
            s += "\\x";
            s += kDigits[p[i] >> 4];
            s += kDigits[p[i] & 0x0F];
        }
    }
    return s;
}

}  // namespace heron
