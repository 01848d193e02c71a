// Screenshots of the shared Xvfb, kept as artifacts and read as pixels.
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "tests/e2e/e2e_harness.h"

namespace e2e {

Rgb Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Rgb{-1, -1, -1};
    size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

int ColorDistance(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

int CountPixels(const Image& img, int left, int top, int width, int height, const std::function<bool(Rgb)>& match) {
    int n = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            if (match(img.At(x, y))) ++n;
    return n;
}

std::string ToString(Rgb c) {
    return "RGB(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

namespace {

// Binary PPM (P6, maxval 255), as ImageMagick writes it.
Image ReadPpm(const std::string& data) {
    Image img;
    std::istringstream in(data);
    std::string magic;
    int maxval = 0;
    in >> magic;
    auto skip = [&] {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string c;
            std::getline(in, c);
            in >> std::ws;
        }
    };
    skip();
    in >> img.width;
    skip();
    in >> img.height;
    skip();
    in >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || img.width <= 0 || img.height <= 0) return Image{};
    size_t n = static_cast<size_t>(img.width) * static_cast<size_t>(img.height) * 3;
    img.rgb.resize(n);
    in.read(reinterpret_cast<char*>(img.rgb.data()), static_cast<std::streamsize>(n));
    if (static_cast<size_t>(in.gcount()) != n) return Image{};
    return img;
}

}  // namespace

Image SetupTest::Screenshot(const std::string& name, std::optional<std::vector<int>> crop) {
    const Paths& p = GetPaths();
    std::string ppm = p.work + "/shot.ppm";
    CommandResult shot = RunCommand({"import", "-display", p.display, "-window", "root", "-depth", "8", "ppm:" + ppm});
    if (shot.exitCode != 0) {
        ADD_FAILURE() << "screenshot failed: " << shot.output;
        return Image{};
    }
    std::vector<std::string> convert = {"convert", ppm};
    if (crop && crop->size() == 4) {
        convert.push_back("-crop");
        convert.push_back(std::to_string((*crop)[2]) + "x" + std::to_string((*crop)[3]) + "+" +
                          std::to_string((*crop)[0]) + "+" + std::to_string((*crop)[1]));
        convert.push_back("+repage");
    }
    convert.push_back("png:" + ArtifactDir() + "/" + name + ".png");
    RunCommand(convert);
    Image img = ReadPpm(ReadAll(ppm));
    if (img.width == 0) ADD_FAILURE() << "unreadable screenshot " << ppm;
    return img;
}

Image SetupTest::ScreenshotWhen(const std::string& name, const std::function<bool(const Image&)>& settled,
                               std::optional<std::vector<int>> crop) {
    Image img = Screenshot(name, crop);
    for (int i = 0; i < 20 && !settled(img); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        img = Screenshot(name, crop);
    }
    return img;
}

}  // namespace e2e
