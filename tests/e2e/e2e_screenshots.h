// Screenshots of the shared Xvfb read as pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // row-major, 3 bytes a pixel
    Rgb At(int x, int y) const;
};
// Distance per channel: max(|dr|, |dg|, |db|).
int ColorDistance(Rgb a, Rgb b);
// How many pixels of a rectangle (image coordinates) match.
int CountPixels(const Image& img, int left, int top, int width, int height, const std::function<bool(Rgb)>& match);
std::string ToString(Rgb c);
// How GoogleTest prints a colour in a failure.
inline void PrintTo(const Rgb& c, std::ostream* os) { *os << ToString(c); }

}  // namespace e2e
